// A small text-to-text parameter store of an engine context.
#pragma once

#include <map>
#include <string>

#include "vrio/osal.h"

namespace zeqmcdn {

// Thread safety: set and get may be called from any thread; one lock guards the map.
class properties {
public:
    properties();
    virtual ~properties();
    properties(const properties&) = delete;
    properties& operator=(const properties&) = delete;

    // Inserts or replaces; NULL arguments are ignored.
    void set(const char* name, const char* value);
    // 1 with at most size-1 characters of the value and a terminator; 0 for NULL arguments, size <= 0
    // or an absent name (the buffer is then untouched).
    int get(const char* name, char* buffer, int size) const;

private:
    std::map<std::string, std::string> mValues;  // guarded by mLock
    osal_lock_tag* mLock;
};

}  // namespace zeqmcdn
