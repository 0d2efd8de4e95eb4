#include "worksheet/option_check.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int32_t kWidestOperandRange = 32768;
// The window offers 2 to 9 numbers a question; a hand-edited item list could ask for thousands,
// and drawing that many distinct operands takes seconds per candidate, too long between two
// checks of the run's time budget. No sheet needs questions longer than this.
constexpr int32_t kMostOperands = 100;
// Products are only followed up to here.
constexpr int64_t kHuge = 1000000000000000;

struct OperatorChoice {
    bool add = false;
    bool subtract = false;
    bool multiply = false;
    bool divide = false;

    bool Only(bool a, bool s, bool m, bool d) const {
        return add == a && subtract == s && multiply == m && divide == d;
    }
};

std::string Number(int64_t value) {
    return std::to_string(value);
}

// 1 + 2 + … + n.
int64_t SmallestSum(int64_t n) {
    return n * (n + 1) / 2;
}

// 1 × 2 × … × n, or `cap` when the product reaches it.
int64_t SmallestProduct(int64_t n, int64_t cap) {
    int64_t product = 1;
    for (int64_t k = 2; k <= n && product < cap; ++k) product = std::min(product * k, cap);
    return product;
}

// The smallest first number of a chain of divisions by n - 1 distinct divisors that comes out
// whole: a multiple of the divisors' product that differs from every divisor. 2/1 for two
// numbers, 4/1/2 for three, and (n-1)! from four numbers on (6/1/2/3), where the product is
// larger than every divisor. `cap` bounds the result.
int64_t SmallestDividend(int64_t n, int64_t cap) {
    if (n == 2) return 2;
    if (n == 3) return 4;
    return SmallestProduct(n - 1, cap);
}

std::string RaiseOrShorten(int64_t answerFloor) {
    return "请把答案范围设得大于" + Number(answerFloor) + "，或减少每题的数字个数。";
}

std::optional<std::string> BoundForOperators(const OperatorChoice& ops, int64_t n, int64_t largest,
                                             int64_t answerRange) {
    const std::string count = Number(n) + "个互不相同的数";
    if (ops.Only(true, false, false, false)) {
        const int64_t least = SmallestSum(n);
        if (least >= answerRange) {
            return "只做加法时，" + count + "相加最小是" + Number(least) + "（1+2+…+" + Number(n) +
                   "），不小于答案范围" + Number(answerRange) + "。" + RaiseOrShorten(least);
        }
    }
    if (ops.Only(false, false, true, false)) {
        const int64_t least = SmallestProduct(n, kHuge);
        if (least >= answerRange) {
            const std::string product = "1×2×…×" + Number(n);
            return "只做乘法时，" + count + "相乘最小是" +
                   (least >= kHuge ? product : Number(least) + "（" + product + "）") +
                   "，不小于答案范围" + Number(answerRange) +
                   "。请增大答案范围，或减少每题的数字个数。";
        }
    }
    if (ops.Only(true, false, true, false)) {
        // Products of numbers of 2 or more are at least their sums, so the least value multiplies
        // 1 into a neighbour and adds the rest: 1×2+3+…+n.
        const int64_t least = SmallestSum(n) - 1;
        if (least >= answerRange) {
            return "只做加法和乘法时，" + count + "算出的得数最小是" + Number(least) +
                   "，不小于答案范围" + Number(answerRange) + "。" + RaiseOrShorten(least);
        }
    }
    if (ops.Only(false, true, false, false)) {
        // The first number must reach the sum of the others; an answer of 0 is fine.
        const int64_t least = SmallestSum(n - 1);
        if (least > largest) {
            return "只做减法时，第一个数不能小于后面" + Number(n - 1) + "个数的和，而" +
                   Number(n - 1) + "个互不相同的数之和最小是" + Number(least) + "（1+2+…+" +
                   Number(n - 1) + "），超过了数字范围" + Number(largest) +
                   "。请把数字范围至少设为" + Number(least) + "，或减少每题的数字个数。";
        }
    }
    if (ops.Only(false, false, false, true)) {
        const int64_t least = SmallestDividend(n, kHuge);
        if (least > largest) {
            return "只做除法时，要能整除，第一个数必须是后面" + Number(n - 1) +
                   "个互不相同的除数之积的倍数，并且与它们都不同，所以至少是" +
                   (least >= kHuge ? std::string("一个极大的数") : Number(least)) +
                   "，超过了数字范围" + Number(largest) +
                   "。请增大数字范围，或减少每题的数字个数。";
        }
    }
    return std::nullopt;
}

}  // namespace

int32_t LargestOperand(int32_t numberRange) {
    if (numberRange >= 1 && numberRange <= kWidestOperandRange) return numberRange;
    return kWidestOperandRange;
}

std::optional<std::string> ReasonToRefuse(const WorksheetSettings& settings) {
    if (settings.operators.empty()) {
        return "请至少勾选一种运算（+、-、×、÷）。";
    }
    OperatorChoice ops;
    for (const std::string& symbol : settings.operators) {
        if (symbol == "+") {
            ops.add = true;
        } else if (symbol == "-") {
            ops.subtract = true;
        } else if (symbol == "*") {
            ops.multiply = true;
        } else if (symbol == "/") {
            ops.divide = true;
        } else {
            return "无法识别的运算符“" + symbol + "”，只能使用+、-、×、÷。";
        }
    }
    if (settings.questionCount < 1) {
        return "出题数量至少要1道。";
    }
    const int64_t n = settings.operandCount;
    if (n < 2) {
        return "每道题至少要有2个数。";
    }
    if (n > kMostOperands) {
        return "每道题最多只能有" + Number(kMostOperands) + "个数，请减少每题的数字个数。";
    }
    if (settings.answerRange < 1) {
        return "答案范围必须大于0：答案是不小于0、并且小于答案范围的整数。";
    }
    const int64_t largest = LargestOperand(settings.numberRange);
    if (largest < n) {
        if (largest == settings.numberRange) {
            return "数字范围是1到" + Number(largest) + "，凑不出每题" + Number(n) +
                   "个互不相同的数。请把数字范围至少设为" + Number(n) + "，或减少每题的数字个数。";
        }
        return "每道题最多只能有" + Number(kWidestOperandRange) + "个数。";
    }
    const int64_t answerRange = settings.answerRange;
    if (answerRange == 1) {
        // Only the answer 0 is allowed.
        if (!ops.subtract) {
            return "答案范围是1时，答案只能是0；不选减法时得数总大于0。"
                   "请把答案范围至少设为2，或勾选减法。";
        }
        if (n == 2) {
            return "答案范围是1时，答案只能是0；每题两个数互不相同，得数不会是0。"
                   "请把答案范围至少设为2。";
        }
    }
    return BoundForOperators(ops, n, largest, answerRange);
}

std::string NoAcceptableQuestionReason(const WorksheetSettings& settings) {
    std::string signs;
    for (const std::string& symbol : settings.operators) {
        if (!signs.empty()) signs += "、";
        signs += symbol == "*" ? "×" : symbol == "/" ? "÷" : symbol;
    }
    return "按现在的选项一道题也出不了：逐一检查了用" + signs + "把" +
           Number(settings.operandCount) + "个1到" + Number(LargestOperand(settings.numberRange)) +
           "之间互不相同的数连起来的所有算式，没有一个的得数是小于" + Number(settings.answerRange) +
           "、不小于0的整数。请增大答案范围或数字范围、减少每题的数字个数，或多勾选几种运算后再试"
           "。";
}

std::string TooStrictReason(const WorksheetSettings& settings, int32_t found, uint64_t candidates,
                            std::chrono::milliseconds elapsed) {
    const auto has = [&settings](const char* symbol) {
        return std::find(settings.operators.begin(), settings.operators.end(), symbol) !=
               settings.operators.end();
    };
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(elapsed.count()) / 1000.0);

    std::string reason = "选项太严格：" + std::string(seconds) + "秒内试了" +
                         std::to_string(candidates) + "道题，只找到" + Number(found) +
                         "道符合要求的题，需要" + Number(settings.questionCount) + "道。";
    const std::string range = Number(settings.answerRange);
    const bool addsOrSubtracts = has("+") || has("-");
    if (has("-") && settings.operators.size() == 1) {
        reason +=
            "只做减法时，第一个数必须不小于后面所有数的和，每题的数字越多越难凑出。"
            "请减少每题的数字个数或多勾选几种运算后再试。";
    } else if (has("/") && !addsOrSubtracts) {
        reason += "只有乘除的题，得数必须是小于" + range +
                  "的整数，每题的数字越多越难凑出。请减少每题的数字个数或勾选加法、减法后再试。";
    } else if (has("/")) {
        reason += "带除法的题，得数必须是小于" + range +
                  "的整数，这样的题很少。请减少每题的数字个数、增大答案范围或不选除法后再试。";
    } else if (has("*") && !has("-")) {
        reason += "乘积很容易超过答案范围" + range +
                  "。请增大答案范围、减少每题的数字个数或多勾选几种运算后再试。";
    } else {
        reason += "答案必须是小于" + range +
                  "、不小于0的整数。请增大答案范围、减少每题的数字个数或多勾选几种运算后再试。";
    }
    return reason;
}
