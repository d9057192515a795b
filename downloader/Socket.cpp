#include "downloader/Socket.h"

#include <cstdio>

namespace downloader {

WinsockSession::WinsockSession() {
    WSADATA data;
    ok_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockSession::~WinsockSession() {
    if (ok_) ::WSACleanup();
}

bool Socket::StartConnect(const std::string& host, int port, std::string& error) {
    Close();
    if (host.empty()) {
        error = "No server to connect to";
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found) {
        error = "The server name " + host + " could not be resolved";
        return false;
    }
    s_ = ::socket(found->ai_family, found->ai_socktype, found->ai_protocol);
    if (s_ == INVALID_SOCKET) {
        error = SocketErrorText(::WSAGetLastError());
        ::freeaddrinfo(found);
        return false;
    }
    u_long nonBlocking = 1;
    ::ioctlsocket(s_, FIONBIO, &nonBlocking);
    int big = 1 << 20;
    ::setsockopt(s_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&big), sizeof big);
    BOOL noDelay = TRUE;
    ::setsockopt(s_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    const int r = ::connect(s_, found->ai_addr, static_cast<int>(found->ai_addrlen));
    ::freeaddrinfo(found);
    if (r != 0 && ::WSAGetLastError() != WSAEWOULDBLOCK) {
        error = SocketErrorText(::WSAGetLastError());
        Close();
        return false;
    }
    return true;
}

std::string SocketErrorText(int error) {
    switch (error) {
        case WSAECONNREFUSED:
            return "Connection is forcefully rejected";
        case WSAECONNRESET:
            return "The connection is reset by remote side";
        case WSAETIMEDOUT:
            return "Attempt to connect timed out without establishing a connection";
        case WSAEHOSTUNREACH:
            return "No route to host";
        case WSAENETUNREACH:
            return "Network is unreachable";
        default: {
            char b[48];
            std::snprintf(b, sizeof b, "Winsock error %d", error);
            return b;
        }
    }
}

}  // namespace downloader
