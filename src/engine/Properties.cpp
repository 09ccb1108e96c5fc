#include "engine/Properties.h"

#include <cstring>

namespace zeqmcdn {

properties::properties() : mLock(osal_create_lock(0)) {}

properties::~properties() { osal_delete_lock(mLock); }

void properties::set(const char* name, const char* value) {
    if (!name || !value) return;
    osal_lock(mLock);
    mValues[name] = value;
    osal_unlock(mLock);
}

int properties::get(const char* name, char* buffer, int size) const {
    if (!name || !buffer || size <= 0) return 0;
    osal_lock(mLock);
    auto it = mValues.find(name);
    int found = 0;
    if (it != mValues.end()) {
        size_t n = it->second.size();
        if (n > static_cast<size_t>(size - 1)) n = static_cast<size_t>(size - 1);
        std::memcpy(buffer, it->second.data(), n);
        buffer[n] = '\0';
        found = 1;
    }
    osal_unlock(mLock);
    return found;
}

}  // namespace zeqmcdn
