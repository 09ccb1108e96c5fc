// The routing table of engine messages: telemetry kind and forwarding to the player.
#include "api/EngineMessageRouting.h"

#include <gtest/gtest.h>

namespace {

using zeqnet::TelemetryKind;

TEST(EngineMessageRouting, TelemetryKinds) {
    struct Case {
        unsigned code;
        TelemetryKind kind;
    } cases[] = {
        {100, TelemetryKind::kInformation}, {101, TelemetryKind::kNone},         {104, TelemetryKind::kInformation},
        {105, TelemetryKind::kNone},        {120, TelemetryKind::kInformation}, {130, TelemetryKind::kInformation},
        {131, TelemetryKind::kNone},        {133, TelemetryKind::kNone},         {138, TelemetryKind::kInformation},
        {143, TelemetryKind::kNone},        {150, TelemetryKind::kNone},         {154, TelemetryKind::kInformation},
        {163, TelemetryKind::kInformation}, {170, TelemetryKind::kInformation}, {201, TelemetryKind::kNone},
        {20000, TelemetryKind::kNone},      {20001, TelemetryKind::kError},      {20005, TelemetryKind::kError},
        {20006, TelemetryKind::kNone},      {20009, TelemetryKind::kError},      {20017, TelemetryKind::kError},
        {20018, TelemetryKind::kNone},      {20020, TelemetryKind::kError},      {20033, TelemetryKind::kNone},
        {20051, TelemetryKind::kNone},      {20057, TelemetryKind::kError},      {20058, TelemetryKind::kNone},
        {20059, TelemetryKind::kNone},      {20062, TelemetryKind::kError},      {30001, TelemetryKind::kInformation},
    };
    for (const Case& c : cases) EXPECT_EQ(zeqnet::TelemetryKindOf(c.code), c.kind) << c.code;
}

TEST(EngineMessageRouting, ForwardedToThePlayer) {
    for (unsigned code : {0u, 100u, 121u, 169u, 171u, 19999u, 20001u, 20002u, 20011u, 20012u, 20013u, 20052u,
                          20053u, 20061u})
        EXPECT_TRUE(zeqnet::ForwardToPlayer(code)) << code;
    for (unsigned code : {170u, 20000u, 20003u, 20004u, 20009u, 20010u, 20014u, 20054u, 20060u, 20062u, 30001u})
        EXPECT_FALSE(zeqnet::ForwardToPlayer(code)) << code;
}

}  // namespace
