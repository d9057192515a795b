#pragma once
// Winsock for the downloader: the library's start-up and a non-blocking stream socket owner.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <string>
#include <utility>

namespace downloader {

// WSAStartup for as long as the object lives (counted by Winsock itself).
class WinsockSession {
public:
    WinsockSession();
    ~WinsockSession();
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

class Socket {
public:
    Socket() = default;
    explicit Socket(SOCKET s) : s_(s) {}
    ~Socket() { Close(); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    Socket(Socket&& o) noexcept : s_(std::exchange(o.s_, INVALID_SOCKET)) {}
    Socket& operator=(Socket&& o) noexcept {
        if (this != &o) {
            Close();
            s_ = std::exchange(o.s_, INVALID_SOCKET);
        }
        return *this;
    }
    SOCKET get() const { return s_; }
    bool valid() const { return s_ != INVALID_SOCKET; }
    void Close() {
        if (s_ != INVALID_SOCKET) ::closesocket(std::exchange(s_, INVALID_SOCKET));
    }

    // Starts a non-blocking connect to host:port (IPv4). False with `error` set when the name
    // does not resolve or the socket cannot be made; the connect's own outcome shows later.
    bool StartConnect(const std::string& host, int port, std::string& error);

private:
    SOCKET s_ = INVALID_SOCKET;
};

// Winsock's text for an error number.
std::string SocketErrorText(int error);

}  // namespace downloader
