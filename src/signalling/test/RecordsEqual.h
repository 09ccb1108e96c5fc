// Field-by-field equality of the signalling records, for round-trip tests.
#pragma once

#include "signalling/MediaParams.h"
#include "signalling/MessageBodies.h"

namespace dive {

bool operator==(const RtcpAppSrtpParam& a, const RtcpAppSrtpParam& b);
bool operator==(const RtcpAppMediaParamCommon& a, const RtcpAppMediaParamCommon& b);
bool operator==(const RtcpAppMediaParamAudio& a, const RtcpAppMediaParamAudio& b);
bool operator==(const RtcpAppMediaParamVideo& a, const RtcpAppMediaParamVideo& b);
bool operator==(const RtcpAppMiniSDP& a, const RtcpAppMiniSDP& b);
bool operator==(const RtcpAppReqSessionParams& a, const RtcpAppReqSessionParams& b);
bool operator==(const RtcpAppRspSessionParams& a, const RtcpAppRspSessionParams& b);
bool operator==(const RtcpAppReqConnect& a, const RtcpAppReqConnect& b);
bool operator==(const RtcpAppRspConnect& a, const RtcpAppRspConnect& b);
bool operator==(const RtcpAppReqPublish& a, const RtcpAppReqPublish& b);
bool operator==(const RtcpAppReqSubscribe& a, const RtcpAppReqSubscribe& b);
bool operator==(const RtcpAppRspPublish& a, const RtcpAppRspPublish& b);
bool operator==(const RtcpAppRspSubscribe& a, const RtcpAppRspSubscribe& b);
bool operator==(const RtcpAppReqUpdate& a, const RtcpAppReqUpdate& b);
bool operator==(const RtcpAppRspUpdate& a, const RtcpAppRspUpdate& b);
bool operator==(const RtcpAppReqStop& a, const RtcpAppReqStop& b);
bool operator==(const RtcpAppRspResult& a, const RtcpAppRspResult& b);
bool operator==(const RtcpAppReqMtuDetect& a, const RtcpAppReqMtuDetect& b);
bool operator==(const RtcpAppRspMediaControl& a, const RtcpAppRspMediaControl& b);
bool operator==(const RtcpAppReqNotify& a, const RtcpAppReqNotify& b);

}  // namespace dive
