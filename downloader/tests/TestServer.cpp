#include "downloader/tests/TestServer.h"

#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace testing_support {
namespace {

bool SendAll(SOCKET s, const char* data, size_t size) {
    while (size > 0) {
        const int r = ::send(s, data, static_cast<int>(std::min<size_t>(size, 1 << 20)), 0);
        if (r <= 0) return false;
        data += r;
        size -= static_cast<size_t>(r);
    }
    return true;
}
bool SendAll(SOCKET s, const std::string& t) { return SendAll(s, t.data(), t.size()); }

std::string Header(const std::string& head, const std::string& name) {
    std::string lower = head;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string want = "\r\n" + name;
    for (char& c : want) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const size_t p = lower.find(want);
    if (p == std::string::npos) return {};
    const size_t start = p + want.size();
    const size_t end = head.find("\r\n", start);
    std::string v = head.substr(start, end - start);
    while (!v.empty() && v.front() == ' ') v.erase(v.begin());
    return v;
}

}  // namespace

std::string PatternBytes(size_t n, unsigned seed) {
    std::string out(n, '\0');
    unsigned x = seed * 2654435761u + 1;
    static const char kWords[] = "\r\n\r\nContent-Type: x\r\nlocation: y\r\n";
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        out[i] = static_cast<char>(x >> 16);
        if ((i % 4096) < sizeof kWords - 1 && i >= 4096) out[i] = kWords[i % 4096];
    }
    return out;
}

TestServer::TestServer() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;  // a free port
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(s, 64);
    int len = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    listen_ = s;
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

TestServer::~TestServer() {
    stopping_ = true;
    ::closesocket(static_cast<SOCKET>(listen_));
    if (acceptor_.joinable()) acceptor_.join();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (std::uintptr_t s : open_) ::shutdown(static_cast<SOCKET>(s), SD_BOTH);
    }
    for (std::thread& t : workers_)
        if (t.joinable()) t.join();
    ::WSACleanup();
}

void TestServer::Set(const std::string& path, Route route) {
    std::lock_guard<std::mutex> lock(mutex_);
    routes_[path] = std::move(route);
    cutsDone_[path] = 0;
}

std::vector<std::string> TestServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void TestServer::ClearRequests() {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
}

void TestServer::AcceptLoop() {
    for (;;) {
        SOCKET c = ::accept(static_cast<SOCKET>(listen_), nullptr, nullptr);
        if (c == INVALID_SOCKET) {
            if (stopping_) return;
            continue;
        }
        ++connections_;
        std::lock_guard<std::mutex> lock(mutex_);
        open_.push_back(c);
        workers_.emplace_back([this, c] { Serve(c); });
    }
}

void TestServer::Serve(std::uintptr_t socket) {
    const SOCKET s = static_cast<SOCKET>(socket);
    std::string in;
    char buffer[8192];
    for (;;) {
        const size_t end = in.find("\r\n\r\n");
        if (end != std::string::npos) {
            const std::string head = in.substr(0, end + 4);
            in.erase(0, end + 4);
            if (!Answer(socket, head)) break;
            continue;
        }
        const int r = ::recv(s, buffer, sizeof buffer, 0);
        if (r <= 0) break;
        in.append(buffer, static_cast<size_t>(r));
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        open_.erase(std::remove(open_.begin(), open_.end(), socket), open_.end());
    }
    ::closesocket(s);
}

// False when the connection is to end.
bool TestServer::Answer(std::uintptr_t socket, const std::string& head) {
    const SOCKET s = static_cast<SOCKET>(socket);
    std::string target = head.substr(0, head.find("\r\n"));
    target = target.substr(target.find(' ') + 1);
    target = target.substr(0, target.find(' '));
    if (target.rfind("http://", 0) == 0) {  // a proxy's absolute form
        const size_t slash = target.find('/', 7);
        target = slash == std::string::npos ? "/" : target.substr(slash);
    }
    Route route;
    bool found = false;
    int cutsDone = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(head);
        auto it = routes_.find(target);
        if (it != routes_.end()) {
            route = it->second;
            found = true;
            cutsDone = cutsDone_[target];
        }
    }
    if (!found) {
        SendAll(s, "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: 9\r\n\r\nnot found");
        return true;
    }
    auto stall = [&] {
        for (int waited = 0; waited < route.stallMs && !stopping_; waited += 20) ::Sleep(20);
    };
    switch (route.kind) {
        case Route::Kind::Status: {
            SendAll(s, "HTTP/1.1 " + std::to_string(route.status) +
                           " Whatever\r\nContent-Type: text/html\r\nContent-Length: " +
                           std::to_string(route.body.size()) + "\r\n\r\n" + route.body);
            return true;
        }
        case Route::Kind::Redirect:
            SendAll(s, "HTTP/1.1 " + std::to_string(route.status) + " Moved\r\nLocation: " + route.location +
                           "\r\nContent-Length: 0\r\n\r\n");
            return true;
        case Route::Kind::Page:
            SendAll(s, "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n" + route.body);
            return false;
        case Route::Kind::File:
            break;
    }
    if (route.stallMs && !route.stallAfterHead) {
        stall();
        return false;
    }
    const std::string& body = route.body;
    if (route.chunked) {
        SendAll(s, "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nTransfer-Encoding: chunked\r\n\r\n");
        const size_t chunk = std::max<size_t>(route.chunkBytes, 1);
        for (size_t at = 0; at < body.size(); at += chunk) {
            const size_t n = std::min<size_t>(chunk, body.size() - at);
            char size[32];
            wsprintfA(size, "%x\r\n", static_cast<unsigned>(n));
            SendAll(s, size);
            SendAll(s, body.data() + at, n);
            SendAll(s, "\r\n");
            bodyBytes_ += n;
        }
        SendAll(s, "0\r\n\r\n");
        return true;
    }
    size_t first = 0, last = body.empty() ? 0 : body.size() - 1;
    bool partial = false;
    const std::string range = Header(head, "Range:");
    if (!route.ignoreRange && range.rfind("bytes=", 0) == 0) {
        const std::string wanted = range.substr(6);
        const size_t dash = wanted.find('-');
        if (dash == std::string::npos || dash == 0) {
            SendAll(s, "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */" + std::to_string(body.size()) +
                           "\r\nContent-Length: 0\r\n\r\n");
            return true;
        }
        first = std::stoull(wanted.substr(0, dash));
        if (dash + 1 < wanted.size()) last = std::min<size_t>(std::stoull(wanted.substr(dash + 1)), last);
        if (first >= body.size() || last < first) {
            SendAll(s, "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */" + std::to_string(body.size()) +
                           "\r\nContent-Length: 0\r\n\r\n");
            return true;
        }
        partial = true;
    }
    const size_t count = body.empty() ? 0 : last - first + 1;
    std::string h = partial ? "HTTP/1.1 206 Partial Content\r\n" : "HTTP/1.1 200 OK\r\n";
    h += "Content-Type: application/octet-stream\r\n";
    const long long delta = std::llabs(route.lengthDelta) < static_cast<long long>(count) ? route.lengthDelta : 0;
    h += "Content-Length: " +
         (route.announcedLength.empty() ? std::to_string(static_cast<long long>(count) + delta)
                                        : route.announcedLength) +
         "\r\n";
    if (partial)
        h += "Content-Range: bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" +
             std::to_string(body.size()) + "\r\n";
    h += "\r\n";
    if (!SendAll(s, h)) return false;
    if (route.stallMs && route.stallAfterHead) {
        stall();
        return false;
    }
    size_t toSend = count;
    bool cut = false;
    if (route.cutAfter >= 0 && cutsDone < route.cutTimes && count > 1) {  // a probe's one byte is not cut
        std::lock_guard<std::mutex> lock(mutex_);
        ++cutsDone_[target];
        toSend = std::min<size_t>(toSend, static_cast<size_t>(route.cutAfter));
        cut = true;
    }
    const size_t piece = route.trickleBytes ? route.trickleBytes : toSend;
    for (size_t at = 0; at < toSend;) {
        const size_t n = std::min(piece, toSend - at);
        if (!SendAll(s, body.data() + first + at, n)) return false;
        bodyBytes_ += n;
        at += n;
        if (route.trickleDelayMs && at < toSend) ::Sleep(static_cast<DWORD>(route.trickleDelayMs));
        if (stopping_) return false;
    }
    if (cut) {
        // A hard cut, as a dropped line looks: no orderly end of the answer.
        linger l{1, 0};
        ::setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
        return false;
    }
    if (delta > 0) return false;  // it promised more than it has
    return true;
}

}  // namespace testing_support
