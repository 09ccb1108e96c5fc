// Bounded polling wait used by the channel tests.
#pragma once

#include <chrono>

#include "vrio/osal.h"

namespace sigchannel_test {

template <typename Pred>
bool WaitUntil(Pred done, int timeout_ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        osal_sleep_ms(1);
    }
    return true;
}

}  // namespace sigchannel_test
