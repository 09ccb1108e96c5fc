#include "netem/RateQueue.h"

namespace zrtc {
namespace netem {

namespace {

// Bit-microseconds per second of one byte: dividing by a rate in bit/s gives microseconds.
constexpr uint64_t kWorkPerByte = 8 * 1000000;

}  // namespace

void RateQueue::Extend(uint64_t work) {
    const uint64_t total = mBusyRem + work;
    mBusyUs += static_cast<int64_t>(total / mRateBps);
    mBusyRem = total % mRateBps;
}

void RateQueue::Drain(int64_t nowUs) {
    while (!mItems.empty() && Departure(mItems.front().endUs, mItems.front().endRem) <= nowUs) {
        mBytes -= mItems.front().bytes;
        mItems.pop_front();
    }
}

void RateQueue::Configure(uint64_t rateBps, uint32_t limitPackets, uint64_t limitBytes, int64_t nowUs,
                          Moved* moved) {
    Drain(nowUs);
    mLimitPackets = limitPackets;
    mLimitBytes = limitBytes;
    if (rateBps == mRateBps) return;
    const uint64_t oldRate = mRateBps;
    mRateBps = rateBps;
    if (mItems.empty()) {
        mBusyUs = nowUs;
        mBusyRem = 0;
        return;
    }
    if (rateBps == 0) {
        // Unlimited from now: everything waiting leaves at once.
        for (const Item& item : mItems) moved->emplace_back(item.id, nowUs);
        mItems.clear();
        mBytes = 0;
        return;
    }
    // The head is being sent: its exact end is after nowUs, and what it has left is
    // (end - now) * oldRate, which is at most its own work.
    mBusyUs = nowUs;
    mBusyRem = 0;
    bool head = true;
    for (Item& item : mItems) {
        const uint64_t work = head ? static_cast<uint64_t>(item.endUs - nowUs) * oldRate + item.endRem
                                   : item.bytes * kWorkPerByte;
        head = false;
        Extend(work);
        item.endUs = mBusyUs;
        item.endRem = mBusyRem;
        moved->emplace_back(item.id, Departure(mBusyUs, mBusyRem));
    }
}

bool RateQueue::Admit(uint64_t id, uint64_t bytes, int64_t nowUs, int64_t* departUs) {
    if (mRateBps == 0) {
        *departUs = nowUs;
        return true;
    }
    Drain(nowUs);
    if (mLimitPackets != 0 && mItems.size() >= mLimitPackets) return false;
    if (mLimitBytes != 0 && mBytes + bytes > mLimitBytes) return false;
    if (mItems.empty()) {
        // Idle link (the last transmission ended at or before now): this one starts on arrival.
        mBusyUs = nowUs;
        mBusyRem = 0;
    }
    Extend(bytes * kWorkPerByte);
    mItems.push_back(Item{id, bytes, mBusyUs, mBusyRem});
    mBytes += bytes;
    *departUs = Departure(mBusyUs, mBusyRem);
    return true;
}

}  // namespace netem
}  // namespace zrtc
