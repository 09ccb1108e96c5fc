#include "store/DataDiction.h"

#include <cstdarg>
#include <cstdio>
#include <sstream>

namespace NetBit {

namespace {

template <typename T>
T Extract(const std::map<std::string, std::string>& values, const std::string& key, T def) {
    auto it = values.find(key);
    if (it == values.end()) return def;
    std::istringstream in(it->second);
    T value{};
    if (!(in >> value)) return def;
    return value;
}

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* fmt, ...) {
    char buf[384];  // "%f" of the largest double needs 317 characters
    va_list args;
    va_start(args, fmt);
    int n = vsnprintf(buf, sizeof(buf), fmt, args);
    va_end(args);
    if (n < 0) return std::string();
    return std::string(buf, static_cast<size_t>(n) < sizeof(buf) ? static_cast<size_t>(n) : sizeof(buf) - 1);
}

}  // namespace

std::string DataDiction::Query(const std::string& key, const std::string& def) const {
    auto it = mValues.find(key);
    return it == mValues.end() ? def : it->second;
}

void DataDiction::Update(const std::string& key, const std::string& value) { mValues[key] = value; }

void DataDiction::UpdateInt(const std::string& key, int value) { mValues[key] = Format("%d", value); }

void DataDiction::UpdateInt64(const std::string& key, int64_t value) {
    mValues[key] = Format("%lld", static_cast<long long>(value));
}

void DataDiction::UpdateDouble(const std::string& key, double value) { mValues[key] = Format("%f", value); }

void DataDiction::UpdatePointer(const std::string& key, const void* value) {
    mValues[key] = Format("%llu", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(value)));
}

void DataDiction::UpdateBool(const std::string& key, bool value) { mValues[key] = value ? "true" : "false"; }

int DataDiction::QueryInt(const std::string& key, int def) const { return Extract<int>(mValues, key, def); }

int64_t DataDiction::QueryInt64(const std::string& key, int64_t def) const {
    return static_cast<int64_t>(Extract<long long>(mValues, key, static_cast<long long>(def)));
}

double DataDiction::QueryDouble(const std::string& key, double def) const {
    return Extract<double>(mValues, key, def);
}

void* DataDiction::QueryPointer(const std::string& key, void* def) const {
    auto fallback = static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(def));
    unsigned long long v = Extract<unsigned long long>(mValues, key, fallback);
    return reinterpret_cast<void*>(static_cast<uintptr_t>(v));
}

bool DataDiction::QueryBool(const std::string& key, bool def) const {
    auto it = mValues.find(key);
    if (it == mValues.end()) return def;
    std::istringstream in(it->second);
    bool value = false;
    if (!(in >> std::boolalpha >> value)) return def;
    return value;
}

void DataDiction::Reset() {
    for (auto& entry : mValues) entry.second = "0";
}

void DataDiction::Clear() { mValues.clear(); }

std::string DataDiction::ToString() const {
    std::string out = "{";
    bool first = true;
    for (const auto& entry : mValues) {
        if (!first) out += ',';
        first = false;
        out += '"';
        out += entry.first;
        out += "\":\"";
        out += entry.second;
        out += '"';
    }
    out += '}';
    return out;
}

std::string DataDiction::GetAllKeys() const {
    std::string out;
    bool first = true;
    for (const auto& entry : mValues) {
        if (!first) out += '|';
        first = false;
        out += entry.first;
    }
    return out;
}

}  // namespace NetBit
