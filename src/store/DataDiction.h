// One statistics table: key text to value text, in key order.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace NetBit {

// Typed setters store numbers as text ("%d", "%lld", "%f", "%llu" for a pointer, "true"/"false");
// typed getters read the text back with stream extraction and return `def` when the key is missing
// or its text does not read as that type.
//
// Thread safety: none of its own; the database bank that holds the table guards it.
class DataDiction {
public:
    DataDiction() = default;
    virtual ~DataDiction() = default;
    DataDiction(const DataDiction&) = default;
    DataDiction& operator=(const DataDiction&) = default;

    // Text forms.
    std::string Query(const std::string& key, const std::string& def) const;
    void Update(const std::string& key, const std::string& value);
    bool Has(const std::string& key) const { return mValues.count(key) != 0; }
    size_t Size() const { return mValues.size(); }

    void UpdateInt(const std::string& key, int value);
    void UpdateInt64(const std::string& key, int64_t value);
    void UpdateDouble(const std::string& key, double value);
    void UpdatePointer(const std::string& key, const void* value);
    void UpdateBool(const std::string& key, bool value);
    int QueryInt(const std::string& key, int def) const;
    int64_t QueryInt64(const std::string& key, int64_t def) const;
    double QueryDouble(const std::string& key, double def) const;
    void* QueryPointer(const std::string& key, void* def) const;
    bool QueryBool(const std::string& key, bool def) const;

    // Every value becomes "0"; the keys stay.
    void Reset();
    // Every key goes.
    void Clear();

    // {"key":"value",...} in key order; texts are not escaped.
    std::string ToString() const;
    // The keys joined with '|'.
    std::string GetAllKeys() const;

private:
    std::map<std::string, std::string> mValues;
};

}  // namespace NetBit
