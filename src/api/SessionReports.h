// The periodic statistics reports of a session, built from the statistics database.
//
// Where each value lives (every key in the table of the report's user):
//  - state bank (`true`): values that describe the user and are overwritten by their writers, read as
//    they stand: rates and estimates in bps, codec types, "have_audio"/"have_video", loss rates as
//    fractions (0..1), frame intervals, picture size, "gop", latencies, jitter-buffer lengths and
//    targets, "rtt", "user_get_frames", presentation times.
//  - counter bank (`false`): what was counted since the previous report (bytes, packets, frames,
//    NACKs, resends, under-runs, reads, padding bytes). A report reads them and sets them back to 0
//    under one hold of the bank, so an increment is never lost between read and reset.
// A missing table or key reads as 0. Counters become per-second rates as count * 1000 / E and
// byte counters kbps as bytes * 8 / E, with E the elapsed interval in ms; E <= 0 gives 0.
// Loss rates are reported as whole percent of the stored fraction.
#pragma once

#include <cstdint>
#include <string>

#include "store/DatabaseManager.h"

namespace zeqnet {

// What the session takes from a remote user's output queues (zeros when the user has none).
struct UserQueueFigures {
    int64_t jankMs = 0;
    int32_t jankTimes = 0;
    int64_t audioQueueMs = 0;
    int64_t videoQueueMs = 0;
};

// Report of a local (publishing) user, ids 1..9: reads the user's tables, resets the user's
// counter-bank table and returns the "id:%u,stableTargetRateBps:...," text. `lastCollectMs` is the
// time of the previous collection ("ltm"). The video fields read 0 unless "have_video" is set, the
// audio fields unless "have_audio" is set.
std::string BuildPublishReport(NetBit::DatabaseManager* db, uint32_t uid, int64_t elapsedMs, int64_t lastCollectMs);

// Reports of a remote (subscribed) user: the long form "ts:...,timeInterval:%lld" and the short form
// "id:%u,...,ltm:%lld,". `nowMs` is "ts", `elapsedMs` the interval E (also "timeInterval" and
// "inr"), `lastCollectMs` the previous collection ("ltm"). Resets the user's counter-bank table.
void BuildSubscribeReports(NetBit::DatabaseManager* db, uint32_t uid, const UserQueueFigures& q, int64_t elapsedMs,
                           int64_t nowMs, int64_t lastCollectMs, bool dynamicJitterBuffer, std::string* longForm,
                           std::string* shortForm);

}  // namespace zeqnet
