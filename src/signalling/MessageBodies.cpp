#include "signalling/MessageBodies.h"

namespace dive {

void RtcpAppMsidCmd::Set(RtcpAppCmdType cmd, const DiveBuffer& msid) {
    Clear();
    Append(static_cast<uint8_t>(cmd));
    Append(msid.Data(), msid.Length());
}

bool RtcpAppMsidCmd::GetCmdMsid(DiveBuffer* out) const {
    if (Length() < 2) return false;
    out->Assign(Data() + 1, Length() - 1);
    return true;
}

}  // namespace dive
