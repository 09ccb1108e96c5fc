#include "ScriptedClient.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "vrio/osal.h"

namespace zrtc {
namespace edge {
namespace test {

namespace {

dive::RtcpAppMediaParamCommon ClientCommon(bool subscribe) {
    dive::RtcpAppMediaParamCommon c;
    c.present = true;
    c.sdpVersion = 1;
    c.srtp.version = dive::DiveBuffer(std::string("20"));
    c.ccType.Append(uint8_t{0x80});
    c.rtpExt.AddExt(10, 14);
    c.rtpExt.AddExt(1, 5);
    c.rtpExt.AddExt(2, 12);
    if (subscribe) {
        c.rtpExt.AddExt(11, 6);
        c.rtpExt.AddExt(18, 7);
    }
    return c;
}

dive::DiveBuffer TransD0() {
    dive::DiveBuffer b;
    b.Append(uint8_t{0xD0});
    b.Append(uint8_t{0x00});
    return b;
}

}  // namespace

bool Capture::Feed(const uint8_t* data, size_t len) { return mCodec.ParseRtcpApp(data, len); }

void Capture::OnRequest(dive::RtcpAppMsg& msg) {
    Received r;
    r.type = msg.type;
    r.kind = msg.kind;
    r.msgId = msg.msgId;
    r.atMs = osal_get_time_ms();
    if (msg.type == dive::kRtcpAppStop && msg.body) {
        const auto* b = static_cast<dive::RtcpAppReqStop*>(msg.body);
        r.url = b->url.ToString();
        r.code = b->reasonCode;
        r.reason = b->reason.ToString();
    } else if (msg.type == dive::kRtcpAppDisconnect && msg.body) {
        const auto* b = static_cast<dive::RtcpAppRspResult*>(msg.body);
        r.code = b->resultCode;
        r.reason = b->reason.ToString();
    } else if (msg.type == dive::kRtcpAppNotify && msg.body) {
        r.notify = *static_cast<dive::RtcpAppReqNotify*>(msg.body);
    }
    mMessages.push_back(std::move(r));
}

void Capture::OnFinalResponse(dive::RtcpAppMsg& msg) {
    Received r;
    r.type = msg.type;
    r.kind = msg.kind;
    r.msgId = msg.msgId;
    r.atMs = osal_get_time_ms();
    switch (msg.type) {
        case dive::kRtcpAppConnect: {
            const auto* b = static_cast<dive::RtcpAppRspConnect*>(msg.body);
            r.code = b->resultCode;
            r.reason = b->reason.ToString();
            r.traceId = b->traceId.ToString();
            r.cookie = b->sessionParams.cookie.ToString();
            break;
        }
        case dive::kRtcpAppPublish: {
            const auto* b = static_cast<dive::RtcpAppRspPublish*>(msg.body);
            r.code = b->resultCode;
            r.reason = b->reason.ToString();
            r.traceId = b->traceId.ToString();
            r.cookie = b->sessionParams.cookie.ToString();
            r.sdp = b->miniSdp;
            break;
        }
        case dive::kRtcpAppSubscribe: {
            const auto* b = static_cast<dive::RtcpAppRspSubscribe*>(msg.body);
            r.code = b->resultCode;
            r.reason = b->reason.ToString();
            r.traceId = b->traceId.ToString();
            r.cookie = b->sessionParams.cookie.ToString();
            r.playConfig = b->playConfig.ToString();
            r.sdp = b->miniSdp;
            break;
        }
        case dive::kRtcpAppPublishUpdate:
        case dive::kRtcpAppSubscribeUpdate: {
            const auto* b = static_cast<dive::RtcpAppRspUpdate*>(msg.body);
            r.code = b->resultCode;
            r.reason = b->reason.ToString();
            r.msidCmds = b->msidCmds;
            r.sdp = b->miniSdp;
            break;
        }
        default:
            if (msg.body) {
                const auto* b = static_cast<dive::RtcpAppRspResult*>(msg.body);
                r.code = b->resultCode;
                r.reason = b->reason.ToString();
            }
            break;
    }
    mMessages.push_back(std::move(r));
}

void Capture::OnTempResponse(dive::RtcpAppMsg& msg) {
    Received r;
    r.type = msg.type;
    r.kind = msg.kind;
    r.msgId = msg.msgId;
    r.atMs = osal_get_time_ms();
    if (msg.body) r.traceId = static_cast<dive::DiveBuffer*>(msg.body)->ToString();
    mMessages.push_back(std::move(r));
}

void Capture::OnMobility() {
    Received r;
    r.type = dive::kRtcpAppMobility;
    r.kind = dive::kRtcpAppMobility;
    r.atMs = osal_get_time_ms();
    mMessages.push_back(std::move(r));
}

dive::RtcpAppReqConnect ConnectRequest(const std::string& url, const std::string& cookie) {
    dive::RtcpAppReqConnect req;
    req.url = dive::DiveBuffer(url);
    req.sessionParams.cookie = dive::DiveBuffer(cookie);
    req.sessionParams.clientVersion = 0x01040100;
    req.sessionParams.common = ClientCommon(false);
    return req;
}

dive::RtcpAppReqSubscribe SubscribeRequest(const std::string& url, const std::string& cookie, bool audio, bool video) {
    dive::RtcpAppReqSubscribe req;
    req.url = dive::DiveBuffer(url);
    req.trackMode = 1;
    req.sessionParams.cookie = dive::DiveBuffer(cookie);
    req.sessionParams.common = ClientCommon(true);
    if (audio) {
        dive::RtcpAppMediaParamAudio a;
        a.enabled = true;
        a.msid = dive::DiveBuffer(std::string("vrio audio"));
        req.miniSdp.audios.push_back(a);
        req.msids.push_back(a.msid);
    }
    if (video) {
        dive::RtcpAppMediaParamVideo v;
        v.enabled = true;
        v.msid = dive::DiveBuffer(std::string("vrio video"));
        req.miniSdp.videos.push_back(v);
        req.msids.push_back(v.msid);
    }
    return req;
}

dive::RtcpAppReqPublish PublishRequest(const std::string& url, const std::string& cookie) {
    dive::RtcpAppReqPublish req;
    req.url = dive::DiveBuffer(url);
    req.trackMode = 1;
    req.sessionParams.cookie = dive::DiveBuffer(cookie);
    req.sessionParams.clientVersion = 1;
    req.sessionParams.common = ClientCommon(false);
    dive::RtcpAppMediaParamAudio a;
    a.enabled = true;
    a.msid = dive::DiveBuffer(std::string("vrio audio"));
    dive::RtcpAppAudioCodecConfig codec;
    codec.codecId = dive::kAudioCodecOpus;
    codec.sampleRate = 48000;
    codec.channels = 2;
    a.codecConfig = codec.Encode();
    a.transConfig = TransD0();
    req.miniSdp.audios.push_back(a);
    dive::RtcpAppMediaParamVideo v;
    v.enabled = true;
    v.msid = dive::DiveBuffer(std::string("vrio video"));
    v.codecId = dive::kVideoCodecHevc;
    v.transConfig = TransD0();
    req.miniSdp.videos.push_back(v);
    return req;
}

std::vector<uint8_t> BuildClient(dive::DiveRtcpApp& codec, uint8_t type, uint8_t kind, uint16_t id, void* body) {
    dive::RtcpAppMsg msg;
    msg.type = static_cast<dive::DiveRtcpAppSubType>(type);
    msg.kind = static_cast<dive::DiveRtcpAppMsgType>(kind);
    msg.msgId = id;
    msg.body = body;
    uint8_t buf[4096];
    const size_t n = codec.BuildRtcpApp(msg, buf, sizeof(buf));
    return std::vector<uint8_t>(buf, buf + n);
}

ScriptedClient::ScriptedClient(uint16_t edgePort, bool ipv6) : mIpv6(ipv6), mEdgePort(edgePort) {
    mFd = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_DGRAM, 0);
    if (ipv6) {
        sockaddr_in6 a{};
        a.sin6_family = AF_INET6;
        a.sin6_addr = in6addr_loopback;
        bind(mFd, reinterpret_cast<sockaddr*>(&a), sizeof(a));
        a.sin6_port = htons(edgePort);
        connect(mFd, reinterpret_cast<sockaddr*>(&a), sizeof(a));
    } else {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(mFd, reinterpret_cast<sockaddr*>(&a), sizeof(a));
        a.sin_port = htons(edgePort);
        connect(mFd, reinterpret_cast<sockaddr*>(&a), sizeof(a));
    }
}

ScriptedClient::~ScriptedClient() {
    if (mFd >= 0) close(mFd);
}

std::string ScriptedClient::Peer() const {
    sockaddr_storage ss{};
    socklen_t len = sizeof(ss);
    getsockname(mFd, reinterpret_cast<sockaddr*>(&ss), &len);
    if (mIpv6) return "[::1]:" + std::to_string(ntohs(reinterpret_cast<sockaddr_in6*>(&ss)->sin6_port));
    return "127.0.0.1:" + std::to_string(ntohs(reinterpret_cast<sockaddr_in*>(&ss)->sin_port));
}

void ScriptedClient::Send(uint8_t type, uint8_t kind, uint16_t id, void* body) {
    SendRaw(BuildClient(mCapture.Codec(), type, kind, id, body));
}

void ScriptedClient::SendRaw(const std::vector<uint8_t>& datagram) {
    send(mFd, datagram.data(), datagram.size(), 0);
}

void ScriptedClient::ReceiveFor(int ms) {
    pollfd p{mFd, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0) return;
    uint8_t buf[65536];
    for (;;) {
        const ssize_t n = recv(mFd, buf, sizeof(buf), MSG_DONTWAIT);
        if (n <= 0) return;
        mCapture.Feed(buf, static_cast<size_t>(n));
    }
}

bool ScriptedClient::Wait(const std::function<bool(const Received&)>& match, int timeoutMs, Received* out) {
    const int64_t end = osal_get_time_ms() + timeoutMs;
    for (;;) {
        auto& msgs = mCapture.Messages();
        for (size_t i = 0; i < msgs.size(); ++i) {
            if (!match(msgs[i])) continue;
            if (out) *out = msgs[i];
            msgs.erase(msgs.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
        const int64_t left = end - osal_get_time_ms();
        if (left <= 0) return false;
        ReceiveFor(static_cast<int>(left));
    }
}

std::vector<Received> ScriptedClient::Collect(int forMs) {
    const int64_t end = osal_get_time_ms() + forMs;
    for (int64_t left = forMs; left > 0; left = end - osal_get_time_ms()) ReceiveFor(static_cast<int>(left));
    std::vector<Received> out;
    out.swap(mCapture.Messages());
    return out;
}

std::string Control(uint16_t port, const std::string& line) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a));
    send(fd, line.data(), line.size(), 0);
    pollfd p{fd, POLLIN, 0};
    std::string reply;
    if (poll(&p, 1, 2000) > 0) {
        char buf[2048];
        const ssize_t n = recv(fd, buf, sizeof(buf), 0);
        if (n > 0) reply.assign(buf, static_cast<size_t>(n));
    }
    close(fd);
    return reply;
}

EdgeProcess::EdgeProcess(const std::vector<std::string>& args) {
    char tmpl[] = "/tmp/edge_test_log_XXXXXX";
    const int logFd = mkstemp(tmpl);
    mLogPath = tmpl;
    int pipeFds[2];
    if (logFd < 0 || pipe(pipeFds) != 0) return;
    mPid = fork();
    if (mPid == 0) {
        dup2(pipeFds[1], 1);
        dup2(logFd, 2);
        close(pipeFds[0]);
        std::vector<char*> argv;
        std::string path = ZRTC_EDGE_PATH;
        argv.push_back(&path[0]);
        std::vector<std::string> copy = args;
        for (std::string& a : copy) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    close(logFd);
    mOut = pipeFds[0];
    // The first line ends with the data port; with a control port a second line ends with it.
    std::string text;
    const bool wantControl = [&] {
        for (const std::string& a : args)
            if (a == "--control-port") return true;
        return false;
    }();
    const int64_t end = osal_get_time_ms() + 5000;
    while (osal_get_time_ms() < end) {
        const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
        if (lines >= (wantControl ? 2u : 1u)) break;
        pollfd p{mOut, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char buf[256];
        const ssize_t n = read(mOut, buf, sizeof(buf));
        if (n <= 0) break;
        text.append(buf, static_cast<size_t>(n));
    }
    std::istringstream in(text);
    std::string line;
    auto lastNumber = [](const std::string& l) {
        const size_t sp = l.find_last_of(' ');
        return static_cast<uint16_t>(std::atoi(l.c_str() + (sp == std::string::npos ? 0 : sp + 1)));
    };
    if (std::getline(in, line)) mPort = lastNumber(line);
    if (wantControl && std::getline(in, line)) mControlPort = lastNumber(line);
}

int EdgeProcess::Stop() {
    if (mPid <= 0) return -1;
    kill(mPid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 500; ++i) {
        if (waitpid(mPid, &status, WNOHANG) == mPid) {
            mPid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        osal_sleep_ms(10);
    }
    kill(mPid, SIGKILL);
    waitpid(mPid, &status, 0);
    mPid = -1;
    return -1;
}

EdgeProcess::~EdgeProcess() {
    Stop();
    if (mOut >= 0) close(mOut);
    unlink(mLogPath.c_str());
}

std::string EdgeProcess::Log() const {
    std::ifstream in(mLogPath);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool EdgeProcess::WaitLog(const std::string& text, int timeoutMs) const {
    const int64_t end = osal_get_time_ms() + timeoutMs;
    for (;;) {
        if (Log().find(text) != std::string::npos) return true;
        if (osal_get_time_ms() >= end) return false;
        osal_sleep_ms(10);
    }
}

}  // namespace test
}  // namespace edge
}  // namespace zrtc
