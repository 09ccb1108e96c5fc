// Every test starts from the same process state, so that the binary may also run its tests one
// after another in one process: the log sink forgets earlier tests' lines and the process-wide
// options the tests touch go back to their defaults.
#include <gtest/gtest.h>

#include "PlayerProbe.h"

namespace e2e {
namespace {

class FreshStart : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        LogSink::Clear();
        SetProcessOption("AutoReconnect", "false");
        SetProcessOption("SigTimeoutMs", "10000");
    }
};

// Registered before main() runs the tests.
const bool kRegistered = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshStart);
    return true;
}();

}  // namespace
}  // namespace e2e
