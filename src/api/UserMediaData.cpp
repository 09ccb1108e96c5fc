#include "api/UserMediaData.h"

namespace zeqmcdn {

int64_t UserMediaData::GetJankTime(bool reset) {
    osal::lock_guard<osal::mutex> guard(mJankLock);
    int64_t value = mJankMs;
    if (reset) mJankMs = 0;
    return value;
}

int32_t UserMediaData::GetJankTimes(bool reset) {
    osal::lock_guard<osal::mutex> guard(mJankLock);
    int32_t value = mJankTimes;
    if (reset) mJankTimes = 0;
    return value;
}

}  // namespace zeqmcdn
