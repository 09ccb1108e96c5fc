// Test helper: the local HTTP test server (http_test_server.js) as a child process of a native
// test. It listens on 127.0.0.1 only and stops when this object closes its standard input.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace http_test {

class NodeTestServer {
public:
    // `node` and `script` are paths; port() is 0 when the server could not be started.
    NodeTestServer(const char* node, const char* script) {
        int in[2], out[2];
        if (pipe(in) != 0) return;
        if (pipe(out) != 0) {
            close(in[0]);
            close(in[1]);
            return;
        }
        mPid = fork();
        if (mPid == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[0]);
            close(in[1]);
            close(out[0]);
            close(out[1]);
            // A sanitizer runtime preloaded into this test must not follow into node.
            unsetenv("LD_PRELOAD");
            execl(node, node, script, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        mStdin = in[1];
        if (mPid < 0) {
            close(out[0]);
            return;
        }
        // First line: "PORT <n>".
        std::string line;
        char c;
        while (line.size() < 64 && read(out[0], &c, 1) == 1 && c != '\n') line.push_back(c);
        close(out[0]);
        if (line.rfind("PORT ", 0) == 0) mPort = std::atoi(line.c_str() + 5);
    }
    ~NodeTestServer() {
        if (mStdin >= 0) close(mStdin);
        if (mPid > 0) {
            int status = 0;
            // It exits when its input closes; a stuck one is ended after a few seconds.
            for (int i = 0; i < 100; ++i) {
                if (waitpid(mPid, &status, WNOHANG) == mPid) return;
                usleep(50000);
            }
            kill(mPid, SIGKILL);
            waitpid(mPid, &status, 0);
        }
    }
    NodeTestServer(const NodeTestServer&) = delete;
    NodeTestServer& operator=(const NodeTestServer&) = delete;

    int port() const { return mPort; }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(mPort); }
    std::string hostport() const { return "127.0.0.1:" + std::to_string(mPort); }

private:
    pid_t mPid = -1;
    int mStdin = -1;
    int mPort = 0;
};

}  // namespace http_test
