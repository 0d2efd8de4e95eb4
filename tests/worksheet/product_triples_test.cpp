// Triples of numbers with one product: the most that one product has, searched and counted
// outright, and the quick bounds and the listing the draws use, against counts of every triple.

#include "worksheet/product_triples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace {

// Every product's ordered triples of numbers from 1 to `largest`, distinct or, with `anyTriple`,
// equal ones too.
std::vector<uint32_t> TriplesOfEachProduct(uint64_t largest, bool anyTriple) {
    std::vector<uint32_t> count(largest * largest * largest + 1, 0);
    for (uint64_t x = 1; x <= largest; ++x) {
        for (uint64_t y = 1; y <= largest; ++y) {
            for (uint64_t z = 1; z <= largest; ++z) {
                if (anyTriple || (x != y && y != z && x != z)) ++count[x * y * z];
            }
        }
    }
    return count;
}

uint32_t MostOf(const std::vector<uint32_t>& counts) {
    return *std::max_element(counts.begin(), counts.end());
}

// The search prunes by bounds and counts only where they allow more than it has found; it must
// find what a count of every triple finds, below and above the sizes counted outright.
TEST(ProductTriplesTest, SearchFindsTheMostTriplesThatEveryTripleCounted) {
    for (const int32_t largest : {3, 10, 60, 128, 200}) {
        const uint32_t most = MostOf(TriplesOfEachProduct(static_cast<uint64_t>(largest), false));
        EXPECT_EQ(SearchMostTriples(largest), most) << largest;
        if (largest <= 128) {
            EXPECT_EQ(MostTriplesOfOneProduct(largest), most) << largest;
        }
    }
    // 1 * 2 * 3 alone, in six orders.
    EXPECT_EQ(MostTriplesOfOneProduct(3), 6u);
    EXPECT_EQ(MostTriplesOfOneProduct(2), 0u);
}

// Above the counted sizes the bound is the count for numbers up to 32768, which the search
// finds in about fifteen minutes (bench/most_triples): it holds for the product that reaches it.
TEST(ProductTriplesTest, TheBoundForLargeRangesHoldsForTheRichestProduct) {
    constexpr uint64_t kRichest = 83805321600;  // 2^7 3^4 5^2 7 11 13 17 19
    ProductFactors factors;
    ASSERT_TRUE(FactorWithin(kRichest, 32768, factors));
    std::vector<uint32_t> divisors;
    DivisorsUpTo(factors, 32768, divisors);
    uint32_t triples = 0;
    ForEachTriple(kRichest, 32768, divisors, [&](int32_t, int32_t, int32_t) {
        ++triples;
        return false;
    });
    EXPECT_EQ(triples, 171936u);
    EXPECT_EQ(MostTriplesOfOneProduct(32768), triples);
    EXPECT_EQ(MostTriplesOfOneProduct(1000), triples);
}

// For every product of three numbers up to 40, and for products of larger numbers: the count
// from the exponents is exactly the number of triples of any numbers in range, and the bounds
// from all the exponents and from the small factors alone are at least that; the listing gives
// exactly the distinct ones, in order.
TEST(ProductTriplesTest, BoundsCountAndListTheTriplesOfEachProduct) {
    constexpr int32_t kLargest = 40;
    const std::vector<uint32_t> any = TriplesOfEachProduct(kLargest, true);
    const std::vector<uint32_t> distinct = TriplesOfEachProduct(kLargest, false);
    std::vector<uint32_t> divisors;
    for (uint64_t m = 1; m < any.size(); ++m) {
        if (any[m] == 0) continue;
        ProductFactors factors;
        ASSERT_TRUE(FactorWithin(m, kLargest, factors)) << m;
        ASSERT_EQ(CountTriples(factors, m, kLargest), any[m]) << m;
        ASSERT_GE(TriplesBound(m), any[m]) << m;
        ASSERT_GE(AllTriples(factors), any[m]) << m;
        DivisorsUpTo(factors, kLargest, divisors);
        std::vector<std::vector<int32_t>> listed;
        ForEachTriple(m, kLargest, divisors, [&](int32_t x, int32_t y, int32_t z) {
            listed.push_back({x, y, z});
            return false;
        });
        ASSERT_EQ(listed.size(), distinct[m]) << m;
        ASSERT_TRUE(std::is_sorted(listed.begin(), listed.end())) << m;
    }
    // Products of numbers up to 32768, whose factors reach past 47.
    std::mt19937_64 random(7);
    std::uniform_int_distribution<uint64_t> number(1, 32768);
    for (int i = 0; i < 2000; ++i) {
        const uint64_t m = number(random) * number(random) * number(random);
        ProductFactors factors;
        ASSERT_TRUE(FactorWithin(m, 32768, factors)) << m;
        const uint64_t count = CountTriples(factors, m, 32768);
        ASSERT_GE(count, 6u) << m;
        ASSERT_GE(AllTriples(factors), static_cast<double>(count)) << m;
        ASSERT_GE(TriplesBound(m), AllTriples(factors)) << m;
    }
}

// A prime factor beyond the range leaves no triple, however the rest of m looks.
TEST(ProductTriplesTest, ProductsWithAPrimeBeyondTheRangeHaveNoTriples) {
    ProductFactors factors;
    EXPECT_FALSE(FactorWithin(uint64_t{32771} * 6, 32768, factors));      // 32771 is prime
    EXPECT_FALSE(FactorWithin(uint64_t{32771} * 32779, 32768, factors));  // both prime
    EXPECT_FALSE(FactorWithin(41, 40, factors));
    EXPECT_TRUE(FactorWithin(uint64_t{32749} * 32719 * 30, 32768, factors));  // both prime
    EXPECT_EQ(factors.count, 5);
}

}  // namespace
