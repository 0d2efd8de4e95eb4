#include "worksheet/product_triples.h"

#include <cmath>
#include <cstdint>

#include "worksheet/operand_pair_draw.h"

namespace {

// The largest number a draw gives.
constexpr int32_t kLargestDrawn = 32768;
// Up to this largest number the most triples of one product are counted outright, over every
// triple (some hundred thousand of them).
constexpr int32_t kLargestCounted = 128;
// The most ordered triples of distinct numbers up to 32768 that have one product, as
// SearchMostTriples(32768) finds it; no smaller largest number has more.
constexpr uint32_t kMostTriplesOfAnyDraw = 171936;

// The primes up to 32768, by a sieve, once.
const std::vector<uint32_t>& Primes() {
    static const std::vector<uint32_t> primes = [] {
        std::vector<bool> composite(kLargestDrawn + 1, false);
        std::vector<uint32_t> found;
        for (uint32_t p = 2; p <= kLargestDrawn; ++p) {
            if (composite[p]) continue;
            found.push_back(p);
            for (uint32_t k = p * p; k <= kLargestDrawn; k += p) composite[k] = true;
        }
        return found;
    }();
    return primes;
}

// The ordered triples of any numbers with the product prod p^e: prod (e + 2 choose 2).
double Ways(uint32_t exponent) {
    return (exponent + 2.0) * (exponent + 1.0) / 2.0;
}

uint32_t CountMostTriples(int32_t largest) {
    const auto top = static_cast<size_t>(largest);
    std::vector<uint16_t> count(top * top * top + 1, 0);
    uint16_t most = 0;
    for (size_t x = 1; x <= top; ++x) {
        for (size_t y = x + 1; y <= top; ++y) {
            for (size_t z = y + 1; z <= top; ++z) most = std::max(most, ++count[x * y * z]);
        }
    }
    // Each set of three stands for six ordered triples.
    return 6u * most;
}

}  // namespace

uint32_t MostTriplesOfOneProduct(int32_t largest) {
    if (largest < 3) return 0;
    if (largest <= kLargestCounted) return CountMostTriples(largest);
    return kMostTriplesOfAnyDraw;
}

double TriplesBound(uint64_t m) {
    // The part of m made of primes up to 47 gives its ways exactly.
    static constexpr uint32_t kSmall[] = {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37, 41, 43, 47};
    double ways = 1;
    for (const uint32_t p : kSmall) {
        uint32_t e = 0;
        while (m % p == 0) {
            m /= p;
            ++e;
        }
        ways *= Ways(e);
    }
    if (m == 1) return ways;
    // The rest has prime factors of 53 or more, at most log_53 of it, each of which goes to one
    // of three places. A number up to 32768 holds at most two of them (53^3 > 32768), so where
    // a triple exists the rest has at most six.
    const double most = std::floor(std::log(static_cast<double>(m)) / std::log(53.0) + 1e-9);
    return ways * std::pow(3.0, std::min(most, 6.0));
}

bool FactorWithin(uint64_t m, int32_t largest, ProductFactors& factors) {
    factors.count = 0;
    for (const uint32_t p : Primes()) {
        if (p > static_cast<uint32_t>(largest) || uint64_t{p} * p > m) break;
        if (m % p != 0) continue;
        uint32_t e = 0;
        while (m % p == 0) {
            m /= p;
            ++e;
        }
        factors.primes[factors.count] = p;
        factors.exponents[factors.count++] = e;
    }
    if (m == 1) return true;
    // What is left is a prime, or has only prime factors above largest.
    if (m > static_cast<uint64_t>(largest)) return false;
    factors.primes[factors.count] = static_cast<uint32_t>(m);
    factors.exponents[factors.count++] = 1;
    return true;
}

double AllTriples(const ProductFactors& factors) {
    double ways = 1;
    for (int32_t i = 0; i < factors.count; ++i) ways *= Ways(factors.exponents[i]);
    return ways;
}

uint64_t CountTriples(const ProductFactors& factors, uint64_t m, int32_t largest) {
    const auto top = static_cast<uint64_t>(largest);
    // Each divisor up to top as its exponents, six bits a prime: y divides m / x exactly when no
    // field of m's exponents less x's and y's borrows from its guard bit. An exponent above 30
    // counts as 30, since two numbers up to 32768 hold at most 30 of any prime between them.
    constexpr int32_t kBits = 6;
    constexpr int32_t kPacked = 64 / kBits;
    if (factors.count > kPacked) return UINT64_MAX;
    uint64_t whole = 0;
    uint64_t guards = 0;
    for (int32_t i = 0; i < factors.count; ++i) {
        whole |= uint64_t{std::min(factors.exponents[i], 30u)} << (kBits * i);
        guards |= uint64_t{1} << (kBits * i + kBits - 1);
    }
    // The divisors in increasing order, each prime's powers merged into the list in turn.
    struct Divisor {
        uint64_t value;
        uint64_t exponents;
    };
    thread_local std::vector<Divisor> list;
    thread_local std::vector<Divisor> layer;
    thread_local std::vector<Divisor> merged;
    list.assign(1, Divisor{1, 0});
    for (int32_t i = 0; i < factors.count; ++i) {
        const uint64_t p = factors.primes[i];
        const uint64_t step = uint64_t{1} << (kBits * i);
        layer = list;
        for (uint32_t e = 1; e <= factors.exponents[i]; ++e) {
            size_t kept = 0;
            for (const Divisor& d : layer) {
                if (d.value * p > top) break;
                layer[kept++] = Divisor{d.value * p, d.exponents + step};
            }
            if (kept == 0) break;
            layer.resize(kept);
            merged.resize(list.size() + kept);
            std::merge(list.begin(), list.end(), layer.begin(), layer.end(), merged.begin(),
                       [](const Divisor& a, const Divisor& b) { return a.value < b.value; });
            list.swap(merged);
        }
    }
    const uint64_t room = whole | guards;
    uint64_t total = 0;
    // x from the least that leaves y z at most top^2; y from the least that leaves z at most top.
    size_t from = list.size();
    for (size_t a = 0; a < list.size(); ++a) {
        const uint64_t rest = m / list[a].value;
        if (rest > top * top) continue;
        const uint64_t least = (rest + top - 1) / top;
        // least falls as x rises.
        while (from > 0 && list[from - 1].value >= least) --from;
        const uint64_t used = list[a].exponents;
        for (size_t b = from; b < list.size(); ++b)
            total +=
                static_cast<uint64_t>(((room - (used + list[b].exponents)) & guards) == guards);
    }
    return total;
}

void DivisorsUpTo(const ProductFactors& factors, int32_t largest, std::vector<uint32_t>& out) {
    const auto top = static_cast<uint64_t>(largest);
    out.assign(1, 1);
    for (int32_t i = 0; i < factors.count; ++i) {
        const size_t before = out.size();
        for (size_t k = 0; k < before; ++k) {
            uint64_t d = out[k];
            for (uint32_t e = 1; e <= factors.exponents[i]; ++e) {
                d *= factors.primes[i];
                if (d > top) break;
                out.push_back(static_cast<uint32_t>(d));
            }
        }
    }
    std::sort(out.begin(), out.end());
}

uint64_t SearchMostTriples(int32_t largest) {
    if (largest < 3) return 0;
    const auto top = static_cast<uint64_t>(largest);
    const uint64_t limit = top * (top - 1) * (top - 2);
    // Every triple of the product m has a first place whose number holds the prime p of m, p u
    // with u up to largest / p dividing m / p, and the other two numbers are a pair of the
    // product m / (p u): at most 3 * mostPairs * (such u) triples.
    const double mostPairs = OperandPairDraw::MostPairsOfOneProduct(largest);
    std::vector<uint32_t> primes;
    for (const uint32_t p : Primes()) {
        if (p <= top) primes.push_back(p);
    }
    uint64_t best = 0;
    ProductFactors factors;
    std::vector<uint32_t> divisors;
    const auto search = [&](const auto& self, size_t next, uint64_t m, double ways) -> void {
        double bound = ways;
        if (factors.count > 0) {
            // The u for the largest prime of m.
            ProductFactors lower = factors;
            const int32_t last = lower.count - 1;
            const uint32_t p = lower.primes[last];
            if (--lower.exponents[last] == 0) --lower.count;
            DivisorsUpTo(lower, static_cast<int32_t>(top / p), divisors);
            bound = std::min(bound, 3 * mostPairs * static_cast<double>(divisors.size()));
        }
        if (bound > static_cast<double>(best)) {
            DivisorsUpTo(factors, largest, divisors);
            uint64_t count = 0;
            ForEachTriple(m, largest, divisors, [&](int32_t, int32_t, int32_t) {
                ++count;
                return false;
            });
            best = std::max(best, count);
        }
        for (size_t i = next; i < primes.size(); ++i) {
            const uint64_t p = primes[i];
            if (m * p > limit) break;
            // Every product below holds p or a larger prime, and at most log_p(limit / m) of
            // them, each of which at most triples the ways.
            if (3 * mostPairs * static_cast<double>(top / p) <= static_cast<double>(best)) break;
            const double room = std::floor(
                std::log(static_cast<double>(limit / m)) / std::log(static_cast<double>(p)) + 1e-9);
            if (ways * std::pow(3.0, room) <= static_cast<double>(best)) break;
            uint64_t power = m;
            for (uint32_t e = 1; power * p <= limit; ++e) {
                power *= p;
                factors.primes[factors.count] = static_cast<uint32_t>(p);
                factors.exponents[factors.count++] = e;
                self(self, i + 1, power, ways * Ways(e));
                --factors.count;
            }
        }
    };
    // A first pass over the products of primes up to 23 alone finds a count near the most in
    // a minute or so for 32768; the full pass then prunes from it.
    const std::vector<uint32_t> all = primes;
    primes.erase(std::upper_bound(primes.begin(), primes.end(), 23u), primes.end());
    search(search, 0, 1, 1);
    primes = all;
    search(search, 0, 1, 1);
    return best;
}
