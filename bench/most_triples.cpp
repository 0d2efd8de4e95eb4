// Searches again for the most ordered triples of distinct numbers up to a largest one (32768
// unless given) that one product has, and prints it with the time taken: the constant behind
// MostTriplesOfOneProduct for ranges above those it counts outright.

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "worksheet/product_triples.h"

int main(int argc, char** argv) {
    const int32_t largest = argc > 1 ? std::atoi(argv[1]) : 32768;
    if (largest < 1 || largest > 32768) {
        std::fprintf(stderr, "largest number from 1 to 32768\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const uint64_t most = SearchMostTriples(largest);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    std::printf("largest %d\tmost triples of one product %llu\tbound used %u\t%lld ms\n", largest,
                static_cast<unsigned long long>(most), MostTriplesOfOneProduct(largest),
                static_cast<long long>(ms));
    return 0;
}
