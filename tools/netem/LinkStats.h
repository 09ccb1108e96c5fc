// What one direction of an emulated link has done so far.
#pragma once

#include <cstdint>
#include <string>

namespace zrtc {
namespace netem {

// Counts since the link was made. Every pushed packet and every duplicate copy ends up once as
// released, lost, dropped by the queue, or still in flight:
//   packetsIn + duplicated == packetsOut + droppedLoss + droppedQueue + inFlight
struct LinkStats {
    uint64_t seed = 0;           // the seed in use (the drawn one when 0 was given)
    uint64_t packetsIn = 0;      // pushed (copies not counted)
    uint64_t bytesIn = 0;
    uint64_t packetsOut = 0;     // released, copies included
    uint64_t bytesOut = 0;
    uint64_t droppedLoss = 0;    // by random or burst loss
    uint64_t droppedQueue = 0;   // by a full bottleneck queue (copies included)
    uint64_t duplicated = 0;     // copies made
    uint64_t reordered = 0;      // released after a packet that was pushed later
    uint64_t delaySumUs = 0;     // over released packets: release time - push time
    int64_t delayMaxUs = 0;
    uint64_t queued = 0;         // now in the bottleneck queue
    uint64_t inFlight = 0;       // now anywhere in the link

    double MeanDelayMs() const;
    // {"seed":1,"packets_in":..,...,"mean_delay_ms":41.250,"max_delay_ms":63.002,...}
    std::string ToJson() const;
    // "in=1000 out=962 lost=30 qdrop=8 dup=0 reord=0 bytes_in=.. bytes_out=.. delay_ms=41.250 ..."
    std::string ToString() const;
};

}  // namespace netem
}  // namespace zrtc
