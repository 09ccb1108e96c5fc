#include "engine/QlogClient.h"

#include <cstring>

namespace {
constexpr char kDefaultLogstore[] = "vriosdk";
// Names of 128 characters or more do not fit the service's logstore field.
constexpr size_t kMaxLogstore = 127;
}  // namespace

QlogClient::QlogClient() : mLogstore(kDefaultLogstore) {}

QlogClient::QlogClient(const char* logstore)
    : mLogstore(logstore && std::strlen(logstore) <= kMaxLogstore ? logstore : kDefaultLogstore) {}

QlogClient::~QlogClient() = default;

void QlogClient::Init() {}

void QlogClient::DeInit() {}

// No upload path in this build: the record is taken and dropped.
void QlogClient::AddLog(std::map<std::string, std::string>) {}

bool QlogClient::CheckQlogFunc() { return false; }
