#include "platform/RandomText.h"

#include <cstdlib>

#include "osal/Mutex.h"
#include "platform/TickCount.h"
#include "vrio/osal.h"

namespace NetBit {

const char kAlphabetA62[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
const char kAlphabetB62[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

namespace {

constexpr unsigned kAlphabetSize = 62;
// The seed counter starts at seed_hint modulo this, so objects at different addresses seed apart.
constexpr uint64_t kSeedHintModulus = 1024;

unsigned CurrentSecond() { return static_cast<unsigned>(OS_GetTickCount() / 1000); }

// The process-wide counters of randomString, and the seeding plus drawing of one call, under one
// lock so that concurrent callers neither race on the counters nor interleave their draws.
struct IdentifierCounters {
    osal::mutex lock;
    bool seeded = false;    // guarded by lock
    uint64_t seed = 0;      // guarded by lock
    uint64_t draws = 0;     // guarded by lock
};

IdentifierCounters& Counters() {
    static IdentifierCounters* counters = new IdentifierCounters();  // never destroyed: usable until exit
    return *counters;
}

}  // namespace

std::string GenerateRandomString(int n) {
    if (n < 1) return std::string();
    std::string text(static_cast<size_t>(n), '0');
    osal_srand(CurrentSecond());
    for (char& c : text) c = kAlphabetA62[static_cast<unsigned>(std::rand()) % kAlphabetSize];
    return text;
}

uint32_t RandomStringHash(const std::string& text) {
    uint32_t h = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const uint32_t c = static_cast<unsigned char>(text[i]);
        if (i % 2 == 0)
            h ^= c ^ (h << 7) ^ (h >> 3);
        else
            h ^= (h >> 5) ^ ((h << 11) | c) ^ 0xFFFFFFFFu;
    }
    return h & 0x7FFFFFFFu;
}

std::string randomString(uint64_t seed_hint, int n, const std::string& text) {
    if (n < 1) return std::string();
    uint32_t h = RandomStringHash(text);
    std::string id(static_cast<size_t>(n), 'A');
    IdentifierCounters& counters = Counters();
    osal::lock_guard<osal::mutex> guard(counters.lock);
    if (!counters.seeded) {
        counters.seeded = true;
        counters.seed = seed_hint % kSeedHintModulus;
    }
    osal_srand(static_cast<unsigned>(CurrentSecond() + counters.seed));
    ++counters.seed;
    for (char& c : id) {
        if (h != 0) {
            c = kAlphabetB62[h % kAlphabetSize];
            h /= kAlphabetSize;
        } else {
            ++counters.draws;
            c = kAlphabetB62[(counters.draws + static_cast<unsigned>(std::rand())) % kAlphabetSize];
        }
    }
    return id;
}

}  // namespace NetBit

namespace ZeqUtils {

std::string QlogGenerateRandomString(int n) { return NetBit::GenerateRandomString(n); }

}  // namespace ZeqUtils
