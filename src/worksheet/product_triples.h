#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

// Ordered triples (x, y, z) of distinct numbers from 1 to a largest one, at most 32768, that
// share one product m: how many one product can have at most, a quick bound for a given m, and
// the triples themselves.

// A bound on how many ordered triples of distinct numbers from 1 to `largest` have one product:
// counted outright for small ranges, else the most that any product has among numbers up to
// 32768, which SearchMostTriples finds.
uint32_t MostTriplesOfOneProduct(int32_t largest);

// The most ordered triples of distinct numbers up to `largest` that any one product has, by a
// search of the products that prunes only where a bound proves that no product there has more.
// Seconds for a few hundred; minutes for 32768 (bench/most_triples runs it).
uint64_t SearchMostTriples(int32_t largest);

// A bound on the ordered triples of numbers up to 32768 with the product m, from m's factors up
// to 47 alone: some tens of nanoseconds, where listing them can take microseconds.
double TriplesBound(uint64_t m);

// The primes of m, where all of them are at most `largest`.
struct ProductFactors {
    uint32_t primes[16] = {};
    uint32_t exponents[16] = {};
    int32_t count = 0;
};

// m factored into `factors`; false where m has a prime factor above `largest`, so that no
// triple of numbers up to `largest` has the product m.
bool FactorWithin(uint64_t m, int32_t largest, ProductFactors& factors);

// How many ordered triples of any numbers have the factored product: prod (e + 2 choose 2).
double AllTriples(const ProductFactors& factors);

// How many ordered triples of numbers up to `largest`, equal or not, have the factored product
// m: a bound on the distinct ones that walks the exponents alone, with no division.
uint64_t CountTriples(const ProductFactors& factors, uint64_t m, int32_t largest);

// The divisors of the factored m that are at most `largest`, in increasing order.
void DivisorsUpTo(const ProductFactors& factors, int32_t largest, std::vector<uint32_t>& out);

// Calls visit(x, y, z) for each ordered triple of distinct numbers up to `largest` with the
// product m, in increasing order of x, then y, until visit returns true; `divisors` are m's
// divisors up to `largest`, as DivisorsUpTo gives them.
template <typename Visit>
void ForEachTriple(uint64_t m, int32_t largest, const std::vector<uint32_t>& divisors,
                   const Visit& visit) {
    const auto top = static_cast<uint64_t>(largest);
    for (const uint32_t x : divisors) {
        const uint64_t rest = m / x;
        // y and z distinct and at most top.
        if (rest > top * (top - 1)) continue;
        const uint64_t least = (rest + top - 1) / top;
        auto y = std::lower_bound(divisors.begin(), divisors.end(), least);
        for (; y != divisors.end(); ++y) {
            if (rest % *y != 0) continue;
            const uint64_t z = rest / *y;
            if (*y == x || z == x || z == *y) continue;
            if (visit(static_cast<int32_t>(x), static_cast<int32_t>(*y), static_cast<int32_t>(z)))
                return;
        }
    }
}
