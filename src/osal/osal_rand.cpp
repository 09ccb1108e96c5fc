#include <cstdlib>

#include "vrio/osal.h"

extern "C" void osal_srand(unsigned int seed) { std::srand(seed); }

extern "C" int osal_rand(void) { return std::rand() & 0x7fff; }

extern "C" int64_t osal_rand64(void) {
    int64_t high = std::rand() & 0x7fff;
    int64_t low = std::rand() & 0x7fff;
    return (high << 32) | low;
}
