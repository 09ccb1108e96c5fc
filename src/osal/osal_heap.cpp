#include <cstdlib>

#include "vrio/osal.h"

extern "C" void* osal_malloc(int size) {
    if (size <= 0) return nullptr;
    return std::malloc(static_cast<size_t>(size));
}

extern "C" void osal_free(void* ptr) { std::free(ptr); }
