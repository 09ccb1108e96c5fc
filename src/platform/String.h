// zeqmcdn::String: the small owned text of engine and signalling records.
#pragma once

#include <cstddef>

namespace zeqmcdn {

// A heap buffer holding a NUL-terminated text and its capacity in bytes. A text made from null is
// empty with a capacity of 16. Copies reallocate only when the capacity is too small. If memory
// runs out the text stays (or becomes) empty rather than failing. Thread safety: one object per
// thread, like any value.
class String {
public:
    String();
    String(const char* text);  // implicit, so texts and String mix freely
    String(const String& other);
    String(String&& other) noexcept;
    virtual ~String();

    String& operator=(const String& other);
    String& operator=(String&& other) noexcept;
    String& operator=(const char* text);  // null empties

    String& operator+=(const String& other);
    String& operator+=(const char* text);
    friend String operator+(const String& a, const String& b);
    friend String operator+(const String& a, const char* b);
    friend String operator+(const char* a, const String& b);

    bool operator==(const String& other) const;
    bool operator==(const char* text) const;  // null compares as empty
    bool operator!=(const String& other) const { return !(*this == other); }
    bool operator!=(const char* text) const { return !(*this == text); }

    // The i-th character; '\0' when i is at or beyond the end of the text.
    char operator[](size_t i) const { return i < mLength ? mBuffer[i] : '\0'; }
    size_t size() const { return mLength; }
    bool isEmpty() const { return mLength == 0; }
    const char* c_str() const { return mBuffer ? mBuffer : ""; }
    size_t capacity() const { return mCapacity; }

private:
    // Makes the text `text` of `len` bytes, which may lie inside this object's own buffer.
    void Assign(const char* text, size_t len);
    void Append(const char* text, size_t len);
    void InitEmpty();

    char* mBuffer = nullptr;  // null only after a move or an allocation failure
    size_t mCapacity = 0;
    size_t mLength = 0;
};

}  // namespace zeqmcdn
