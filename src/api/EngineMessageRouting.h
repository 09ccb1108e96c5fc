// Which engine messages reach the player's message callback, and which become telemetry events.
#pragma once

namespace zeqnet {

enum class TelemetryKind { kNone, kInformation, kError };

// Information events: 100, 102-104, 120-130, 132, 135-138, 141, 142, 151-154, 160-163, 170 and
// 30001. Error events: 20001-20005, 20009-20017, 20020, 20030-20032, 20052-20057, 20060-20062.
TelemetryKind TelemetryKindOf(unsigned code);

// 20001, 20002, 20011, 20012, 20013, 20052, 20053, 20061 and every code below 20000 but 170.
bool ForwardToPlayer(unsigned code);

// Telemetry event identifiers of the reports that are not engine codes.
constexpr int kErrorEventId = 150;
constexpr int kStartFailureEventId = 155;

}  // namespace zeqnet
