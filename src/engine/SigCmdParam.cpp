#include "engine/SigCmdParam.h"

#include <string>

namespace zeqmcdn {

namespace {
String CutPrefix(const String& prefix) {
    if (prefix.size() <= SigCmdParam::kMaxInvokePrefix) return prefix;
    return String(std::string(prefix.c_str(), SigCmdParam::kMaxInvokePrefix).c_str());
}
}  // namespace

SigCmdParam::SigCmdParam(uint32_t id, const String& invoke_prefix) : mCmdId(id), mInvokePrefix(CutPrefix(invoke_prefix)) {}

}  // namespace zeqmcdn
