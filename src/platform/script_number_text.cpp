#include "platform/script_number_text.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

std::size_t Copy(const char* text, char* out) {
    const std::size_t length = std::strlen(text);
    std::memcpy(out, text, length);
    return length;
}

// Whole numbers below 2^53 in magnitude: their shortest round-trip digits are exactly their
// decimal digits, so plain integer formatting gives the same text much faster.
std::size_t FormatWhole(int64_t value, char* out) {
    return static_cast<std::size_t>(std::to_chars(out, out + kScriptNumberTextCapacity, value).ptr -
                                    out);
}

// Whether value lies exactly halfway between digits×10^q and (digits+1)×10^q, where digits are
// the k decimal digits given. Such ties need 16 or more digits (two k-digit neighbours fit in
// one rounding interval only when 10^k exceeds 2^52). Exact test: value·2 == (2·digits+1)·10^q.
bool IsUpperTie(double value, const char* digits, int k, int q) {
    if (q > 0) return false;  // (2·digits+1)·5^q·2^q would need more than 53 bits
    // |value| = m·2^e with m odd.
    const uint64_t bits = std::bit_cast<uint64_t>(value) & ~(uint64_t{1} << 63);
    const int biased = static_cast<int>(bits >> 52);
    uint64_t m = bits & ((uint64_t{1} << 52) - 1);
    int e = -1074;
    if (biased != 0) {
        m |= uint64_t{1} << 52;
        e = biased - 1075;
    }
    const int zeros = std::countr_zero(m);
    m >>= zeros;
    e += zeros;
    // With p = -q: m·2^e·2·10^p == a (odd) means 2^(e+1+p) == 1 and m·5^p == a.
    const int p = -q;
    if (e + 1 + p != 0) return false;
    uint64_t a = 0;
    for (int i = 0; i < k; ++i) a = a * 10 + static_cast<uint64_t>(digits[i] - '0');
    a = 2 * a + 1;         // below 2·10^17 + 1 < 2^58
    uint64_t product = m;  // stays below 5·a < 2^61
    for (int i = 0; i < p && product <= a; ++i) product *= 5;
    return product == a;
}

}  // namespace

std::size_t FormatScriptNumber(double value, char* out) {
    if (std::isnan(value)) return Copy("NaN", out);
    if (std::isinf(value)) return Copy(value > 0 ? "Infinity" : "-Infinity", out);
    if (value == 0) {
        out[0] = '0';  // also for negative zero
        return 1;
    }
    constexpr double kExactIntegerLimit = 9007199254740992.0;  // 2^53
    if (std::fabs(value) < kExactIntegerLimit && value == std::trunc(value)) {
        return FormatWhole(static_cast<int64_t>(value), out);
    }

    // Shortest round-trip digits in exponent form, d.ddddde±x, then re-laid out.
    char scientific[kScriptNumberTextCapacity];
    const char* end = std::to_chars(scientific, scientific + sizeof scientific, value,
                                    std::chars_format::scientific)
                          .ptr;
    const char* p = scientific;
    std::size_t length = 0;
    if (*p == '-') {
        out[length++] = '-';
        ++p;
    }
    char digits[20];
    int k = 0;  // number of significant digits
    while (p < end && *p != 'e') {
        if (*p != '.') digits[k++] = *p;
        ++p;
    }
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end, exponent);
    int n = exponent + 1;  // the value is 0.digits × 10^n

    // When the value is exactly halfway between two shortest candidates, the shortest
    // conversion picks the even one, while the script interpreter always takes the one of
    // larger magnitude. Follow the interpreter so both paths give the same text.
    if (k >= 16 && IsUpperTie(value, digits, k, n - k)) {
        int i = k - 1;
        while (i >= 0 && digits[i] == '9') digits[i--] = '0';
        if (i >= 0) {
            ++digits[i];
        } else {  // 99…9 became 100…0: one more integer digit
            digits[0] = '1';
            ++n;
        }
        while (k > 1 && digits[k - 1] == '0') --k;
    }

    auto put = [&](char c) { out[length++] = c; };
    auto putDigits = [&](int from, int to) {
        for (int i = from; i < to; ++i) put(digits[i]);
    };
    if (k <= n && n <= 21) {
        putDigits(0, k);
        for (int i = k; i < n; ++i) put('0');
    } else if (0 < n && n <= 21) {
        putDigits(0, n);
        put('.');
        putDigits(n, k);
    } else if (-6 < n && n <= 0) {
        put('0');
        put('.');
        for (int i = 0; i < -n; ++i) put('0');
        putDigits(0, k);
    } else {
        put(digits[0]);
        if (k > 1) {
            put('.');
            putDigits(1, k);
        }
        put('e');
        put(n - 1 < 0 ? '-' : '+');
        const int magnitude = n - 1 < 0 ? 1 - n : n - 1;
        length += static_cast<std::size_t>(
            std::to_chars(out + length, out + kScriptNumberTextCapacity, magnitude).ptr -
            (out + length));
    }
    return length;
}

std::string ScriptNumberText(double value) {
    char text[kScriptNumberTextCapacity];
    return std::string(text, FormatScriptNumber(value, text));
}
