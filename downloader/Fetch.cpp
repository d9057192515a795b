#include "downloader/Fetch.h"

#include <windows.h>

#include "base/Trap.h"
#include "downloader/Socket.h"

namespace downloader {
namespace {

bool WaitFor(SOCKET s, bool write, unsigned long long until) {
    const unsigned long long now = ::GetTickCount64();
    if (now >= until) return false;
    const unsigned long long ms = until - now;
    fd_set set, except;
    FD_ZERO(&set);
    FD_ZERO(&except);
    FD_SET(s, &set);
    FD_SET(s, &except);
    timeval tv{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
    const int r = ::select(0, write ? nullptr : &set, write ? &set : nullptr, &except, &tv);
    return r > 0 && !FD_ISSET(s, &except);
}

// One request; `location` gets a redirect's target.
bool FetchOnce(const UrlParts& u, const FetchOptions& o, unsigned long long until, std::string& body,
               std::string& location) {
    Socket sock;
    std::string error;
    const std::string host = o.proxy.use ? o.proxy.server : u.server;
    const int port = o.proxy.use ? ProxyPort(o.proxy) : u.port;
    if (!sock.StartConnect(host, port, error)) return false;
    if (!WaitFor(sock.get(), true, until)) return false;
    std::string request = ProbeRequest(u, o.proxy, false);
    // Not a probe: the plain text is wanted whole, on a connection of its own.
    request.replace(request.size() - 2, 2, "Connection: close\r\n\r\n");
    size_t sent = 0;
    while (sent < request.size()) {
        const int r = ::send(sock.get(), request.data() + sent, static_cast<int>(request.size() - sent), 0);
        if (r > 0) {
            sent += static_cast<size_t>(r);
            continue;
        }
        if (::WSAGetLastError() != WSAEWOULDBLOCK || !WaitFor(sock.get(), true, until)) return false;
    }
    std::string in;
    ResponseHead head;
    bool haveHead = false;
    size_t bodyAt = 0;
    char buffer[16384];
    for (;;) {
        if (haveHead) {
            const size_t have = in.size() - bodyAt;
            if (head.hasLength && have >= head.contentLength) break;
        }
        const int r = ::recv(sock.get(), buffer, sizeof buffer, 0);
        if (r == 0) break;
        if (r < 0) {
            if (::WSAGetLastError() != WSAEWOULDBLOCK || !WaitFor(sock.get(), false, until)) return false;
            continue;
        }
        in.append(buffer, static_cast<size_t>(r));
        if (in.size() > o.maxSize + 16384) return false;
        if (!haveHead) {
            const size_t end = in.find("\r\n\r\n");
            if (end == std::string::npos) continue;
            if (!ParseResponseHead(in.substr(0, end), head)) return false;
            haveHead = true;
            bodyAt = end + 4;
        }
    }
    if (!haveHead) return false;
    std::string raw = in.substr(bodyAt);
    if (head.status >= 300 && head.status < 400 && !head.location.empty()) {
        location = head.location;
        return false;
    }
    if (head.status != 200) return false;
    if (head.chunked) {
        ChunkedDecoder d;
        std::string decoded;
        if (!d.Feed(raw.data(), raw.size(), decoded) || !d.done()) return false;
        raw = decoded;
    } else if (head.hasLength) {
        if (raw.size() < head.contentLength) return false;  // cut short
        raw.resize(static_cast<size_t>(head.contentLength));
    }
    if (raw.size() > o.maxSize) return false;
    body = raw;
    return true;
}

}  // namespace

std::string OpenURL(const std::string& url, const FetchOptions& options) {
    return base::Trap("OpenURL", std::string(), [&] {
        WinsockSession session;
        if (!session.ok()) return std::string();
        const unsigned long long until = ::GetTickCount64() + static_cast<unsigned long long>(options.timeoutMs);
        UrlParts u = ParseUrl(url);
        for (int hop = 0; hop <= options.maxRedirects; ++hop) {
            if (!u.http || u.server.empty()) return std::string();
            std::string body, location;
            if (FetchOnce(u, options, until, body, location)) return body;
            if (location.empty()) return std::string();
            u = ParseUrl(ResolveLocation(u, location));
        }
        return std::string();
    });
}

}  // namespace downloader
