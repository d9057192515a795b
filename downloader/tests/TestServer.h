#pragma once
// An HTTP server inside the test process: loopback, a free port, one thread per connection.
// Each path answers the way its route says, so that every path of the downloader is driven
// over real sockets.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

struct Route {
    enum class Kind { File, Status, Redirect, Page };
    Kind kind = Kind::File;
    std::string body;      // the file, the page, or an error status's body
    int status = 200;      // Status and Redirect
    std::string location;  // Redirect
    // File behaviour.
    bool ignoreRange = false;     // always 200 with the whole file
    bool chunked = false;         // 200, chunked, no length, ranges ignored
    size_t chunkBytes = 1000;     // the size of each chunk
    long long lengthDelta = 0;    // the announced Content-Length differs by this much (answers longer than it)
    std::string announcedLength;  // when set, the Content-Length announced whatever the body is
    long long cutAfter = -1;      // body bytes sent before the connection is cut ...
    int cutTimes = 0;             // ... on this many answers of more than one byte (then answers are whole)
    int stallMs = 0;              // the request is read, then nothing for this long
    bool stallAfterHead = false;  // the stall comes after the head instead
    size_t trickleBytes = 0;      // send the body in pieces this small ...
    int trickleDelayMs = 0;       // ... with this pause between them
};

// Servers that cut every answer and never resume: each answer starts again at byte 0.
inline Route RestartingFile(const std::string& body, long long cutAfter) {
    Route r;
    r.body = body;
    r.ignoreRange = true;
    r.cutAfter = cutAfter;
    r.cutTimes = 1 << 30;
    return r;
}

class TestServer {
public:
    TestServer();
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    int port() const { return port_; }
    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string Url(const std::string& path) const { return "http://" + host() + path; }

    void Set(const std::string& path, Route route);
    void SetFile(const std::string& path, const std::string& body) {
        Route r;
        r.body = body;
        Set(path, r);
    }
    // The heads of the requests received, in order (request line included, CR LF kept).
    std::vector<std::string> Requests() const;
    void ClearRequests();
    size_t Connections() const { return connections_; }
    std::uint64_t BodyBytesSent() const { return bodyBytes_; }

private:
    void AcceptLoop();
    void Serve(std::uintptr_t socket);
    bool Answer(std::uintptr_t socket, const std::string& head);

    std::uintptr_t listen_ = ~std::uintptr_t{0};
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<size_t> connections_{0};
    std::atomic<std::uint64_t> bodyBytes_{0};
    mutable std::mutex mutex_;
    std::map<std::string, Route> routes_;
    std::map<std::string, int> cutsDone_;
    std::vector<std::string> requests_;
    std::vector<std::uintptr_t> open_;
    std::thread acceptor_;
    std::vector<std::thread> workers_;
};

// Bytes 0..n-1 of a fixed pseudo-random pattern (binary, with CR LF and header-like words inside).
std::string PatternBytes(size_t n, unsigned seed = 1);

}  // namespace testing_support
