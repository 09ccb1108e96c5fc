#include "netem/LinkStats.h"

#include <cstdio>

namespace zrtc {
namespace netem {

namespace {

unsigned long long U(uint64_t v) { return static_cast<unsigned long long>(v); }

}  // namespace

double LinkStats::MeanDelayMs() const {
    return packetsOut == 0 ? 0.0 : static_cast<double>(delaySumUs) / static_cast<double>(packetsOut) / 1000.0;
}

std::string LinkStats::ToJson() const {
    char text[640];
    std::snprintf(text, sizeof text,
                  "{\"seed\":%llu,\"packets_in\":%llu,\"bytes_in\":%llu,\"packets_out\":%llu,\"bytes_out\":%llu,"
                  "\"dropped_loss\":%llu,\"dropped_queue\":%llu,\"duplicated\":%llu,\"reordered\":%llu,"
                  "\"mean_delay_ms\":%.3f,\"max_delay_ms\":%.3f,\"queued\":%llu,\"in_flight\":%llu}",
                  U(seed), U(packetsIn), U(bytesIn), U(packetsOut), U(bytesOut), U(droppedLoss), U(droppedQueue),
                  U(duplicated), U(reordered), MeanDelayMs(), static_cast<double>(delayMaxUs) / 1000.0, U(queued),
                  U(inFlight));
    return text;
}

std::string LinkStats::ToString() const {
    char text[512];
    std::snprintf(text, sizeof text,
                  "in=%llu out=%llu lost=%llu qdrop=%llu dup=%llu reord=%llu bytes_in=%llu bytes_out=%llu "
                  "delay_ms=%.3f max_ms=%.3f queued=%llu inflight=%llu seed=%llu",
                  U(packetsIn), U(packetsOut), U(droppedLoss), U(droppedQueue), U(duplicated), U(reordered),
                  U(bytesIn), U(bytesOut), MeanDelayMs(), static_cast<double>(delayMaxUs) / 1000.0, U(queued),
                  U(inFlight), U(seed));
    return text;
}

}  // namespace netem
}  // namespace zrtc
