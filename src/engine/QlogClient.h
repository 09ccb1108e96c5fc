// The engine context's client of the remote log service. This build carries the client's interface
// with a body that accepts records and drops them; the uploading client replaces QlogClient.cpp.
#pragma once

#include <map>
#include <string>

class QlogClient {
public:
    QlogClient();
    explicit QlogClient(const char* logstore);
    virtual ~QlogClient();
    QlogClient(const QlogClient&) = delete;
    QlogClient& operator=(const QlogClient&) = delete;

    void Init();
    void DeInit();
    // Copies the record into the upload queue.
    void AddLog(std::map<std::string, std::string> record);
    // Whether the HTTP functions an upload needs are installed.
    bool CheckQlogFunc();

    const std::string& Logstore() const { return mLogstore; }

private:
    std::string mLogstore;
};
