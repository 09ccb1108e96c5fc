// MySocket: a thin record around one non-blocking UDP or TCP socket descriptor.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>

// One socket descriptor plus the flags that say how it was made and who closes it.
//
// A record is copyable on purpose: a kept socket is handed over as a copy (the cross-session cache
// keeps the last one across sessions). Copying duplicates the record, never the descriptor, and
// the destructor never closes anything: closing is always an explicit `Close()`, and only a record
// whose need-close flag is set closes its descriptor.
//
// Every bounded poll reads the library clock (osal_get_time_ms) and sleeps with osal_sleep_ms; it
// also caps the number of polls, so a clock that stands still (a simulated clock in tests) cannot
// turn a bounded wait into an endless one. Readiness waits of the kernel keep the real clock.
//
// Thread safety: Send/SendTo and Recv/RecvFrom/Peek may run on different threads at once (one
// sender, one reader). Create, Close, Bind, Listen, Accept, Connect and the setters belong to the
// owner and must not overlap any other call on the same record.
class MySocket {
public:
    MySocket(bool need_close, bool stream);
    virtual ~MySocket();
    MySocket(const MySocket&) = default;
    MySocket& operator=(const MySocket&) = default;

    // `fd` != -1: adopt that descriptor as it is. Otherwise make a new non-blocking socket of
    // `family` (AF_INET or AF_INET6). 0 on success, -1 on failure (nothing left open).
    int Create(int fd, int family);
    // Closes the descriptor only when the need-close flag is set; otherwise it stays open (and
    // recorded) for whoever keeps it next.
    void Close();

    // IPv4 only: binds to INADDR_ANY, or to 127.0.0.1 when `loopback`. `port` 0 picks a free one.
    int Bind(int port, bool loopback);
    int Listen();                // TCP only
    int Accept(MySocket& out);   // TCP only; waits up to 2000 ms for a peer
    // IPv4: 0 when connected, the socket's pending error when the connect failed, -1 otherwise.
    int Connect(const char* ip, int port);

    // Sends all `n` bytes (no SIGPIPE). `n` or -1.
    int Send(const void* data, int n);
    // TCP only: byte count, 0 after 400 ms without data, -1 on error or orderly close.
    int Recv(void* buf, int size);
    // Pending data without consuming it. The first form polls until data, an error or a close
    // arrives; the second gives up after `timeout_ms` and returns 0. An orderly close (0 bytes)
    // is reported as -1.
    int Peek(void* buf, int size);
    int Peek(void* buf, int size, int timeout_ms);

    // UDP only (a TCP record returns -1). One datagram each; the result of the system call
    // (bytes, or -1 with errno set, EAGAIN/EWOULDBLOCK when nothing is pending).
    int SendTo(const sockaddr_in* to, const void* data, int len);
    int SendTo(const sockaddr_storage* to, const void* data, int len);
    int RecvFrom(sockaddr_in* from, void* buf, int size);
    int RecvFrom(sockaddr_storage* from, void* buf, int size);

    int GetFd() const { return mFd; }
    bool IsOpen() const { return mFd != -1; }
    bool IsStream() const { return mStream; }
    bool IsAdopted() const { return mAdopted; }
    bool NeedClose() const { return mNeedClose; }
    void SetNeedClose(bool need_close) { mNeedClose = need_close; }
    // Applies to TCP sockets made or accepted after the call.
    void SetNoDelay(bool no_delay) { mNoDelay = no_delay; }
    // The locally bound port (host order), or -1.
    int GetLocalPort() const;

private:
    void CloseNow();
    int PollRecv(void* buf, int size, int flags, int timeout_ms);

    int32_t mFd = -1;
    bool mNeedClose;
    bool mAdopted = false;
    bool mStream;
    sockaddr_in mAddr{};  // last address given to Bind or Connect
    bool mNoDelay = true;
};
