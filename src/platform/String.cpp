#include "platform/String.h"

#include <cstring>
#include <new>
#include <utility>

namespace zeqmcdn {

namespace {
// Capacity of an empty text: room for short identifiers without a reallocation.
constexpr size_t kEmptyCapacity = 16;
}  // namespace

String::String() { InitEmpty(); }

String::String(const char* text) {
    if (!text) {
        InitEmpty();
        return;
    }
    Assign(text, std::strlen(text));
}

String::String(const String& other) { Assign(other.c_str(), other.mLength); }

String::String(String&& other) noexcept
    : mBuffer(std::exchange(other.mBuffer, nullptr)),
      mCapacity(std::exchange(other.mCapacity, 0)),
      mLength(std::exchange(other.mLength, 0)) {}

String::~String() { delete[] mBuffer; }

String& String::operator=(const String& other) {
    if (this != &other) Assign(other.c_str(), other.mLength);
    return *this;
}

String& String::operator=(String&& other) noexcept {
    if (this != &other) {
        delete[] mBuffer;
        mBuffer = std::exchange(other.mBuffer, nullptr);
        mCapacity = std::exchange(other.mCapacity, 0);
        mLength = std::exchange(other.mLength, 0);
    }
    return *this;
}

String& String::operator=(const char* text) {
    if (!text)
        Assign("", 0);
    else
        Assign(text, std::strlen(text));
    return *this;
}

String& String::operator+=(const String& other) {
    Append(other.c_str(), other.mLength);
    return *this;
}

String& String::operator+=(const char* text) {
    if (text) Append(text, std::strlen(text));
    return *this;
}

String operator+(const String& a, const String& b) {
    String out(a);
    out += b;
    return out;
}

String operator+(const String& a, const char* b) {
    String out(a);
    out += b;
    return out;
}

String operator+(const char* a, const String& b) {
    String out(a);
    out += b;
    return out;
}

bool String::operator==(const String& other) const {
    return mLength == other.mLength && std::memcmp(c_str(), other.c_str(), mLength) == 0;
}

bool String::operator==(const char* text) const {
    if (!text) return mLength == 0;
    return std::strcmp(c_str(), text) == 0;
}

void String::InitEmpty() {
    mBuffer = new (std::nothrow) char[kEmptyCapacity];
    if (!mBuffer) return;
    mBuffer[0] = '\0';
    mCapacity = kEmptyCapacity;
}

void String::Assign(const char* text, size_t len) {
    if (mBuffer && len + 1 <= mCapacity) {
        std::memmove(mBuffer, text, len);  // the text may be a part of this buffer
        mBuffer[len] = '\0';
        mLength = len;
        return;
    }
    char* grown = new (std::nothrow) char[len + 1];
    if (!grown) {
        if (mBuffer) mBuffer[0] = '\0';
        mLength = 0;
        return;
    }
    std::memcpy(grown, text, len);
    grown[len] = '\0';
    delete[] mBuffer;
    mBuffer = grown;
    mCapacity = len + 1;
    mLength = len;
}

void String::Append(const char* text, size_t len) {
    if (len == 0) return;
    const size_t need = mLength + len + 1;
    if (!mBuffer || need > mCapacity) {
        // Grow geometrically so that repeated appends stay linear.
        size_t capacity = mCapacity * 2 > need ? mCapacity * 2 : need;
        char* grown = new (std::nothrow) char[capacity];
        if (!grown) return;
        if (mBuffer) std::memcpy(grown, mBuffer, mLength);
        std::memcpy(grown + mLength, text, len);  // copied before the old buffer goes: s += s works
        grown[mLength + len] = '\0';
        delete[] mBuffer;
        mBuffer = grown;
        mCapacity = capacity;
        mLength += len;
        return;
    }
    std::memmove(mBuffer + mLength, text, len);
    mLength += len;
    mBuffer[mLength] = '\0';
}

}  // namespace zeqmcdn
