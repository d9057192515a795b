#include "downloader/tests/Nginx.h"

#include <windows.h>
#include <winsock2.h>

#include <atomic>

#include "base/HostPath.h"
#include "base/TextFile.h"

namespace testing_support {
namespace {

std::atomic<int> g_counter{0};

int FreePort() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int len = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::closesocket(s);
    ::WSACleanup();
    return ntohs(a.sin_port);
}

bool Accepts(int port) {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<u_short>(port));
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::closesocket(s);
    ::WSACleanup();
    return ok;
}

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

}  // namespace

std::string HostShell() { return base::WindowsPathOfHost(CORVANE_HOST_SHELL); }

bool RunUnix(const std::string& command, std::string* output, int timeoutMs) {
    // Wine gives no waitable handle for a Linux process: the command itself says when it is done.
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string stem = std::string(temp) + "corvane-unix-" + std::to_string(::GetCurrentProcessId()) + "-" +
                             std::to_string(++g_counter);
    const std::string out = stem + ".out", done = stem + ".done";
    const std::string script = "( " + command + " ) >" + Quote(base::HostPathOf(out)) + " 2>&1; echo $? >" +
                               Quote(base::HostPathOf(done) + ".tmp") + "; mv " +
                               Quote(base::HostPathOf(done) + ".tmp") + " " + Quote(base::HostPathOf(done));
    std::string line = "\"" + HostShell() + "\" -c \"" + [&] {
        std::string e;
        for (char c : script) {
            if (c == '"' || c == '\\') e += '\\';
            e += c;
        }
        return e;
    }() + "\"";
    if (!base::FileExists(HostShell())) return false;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    if (pi.hProcess) ::CloseHandle(pi.hProcess);
    if (pi.hThread) ::CloseHandle(pi.hThread);
    const unsigned long long until = ::GetTickCount64() + static_cast<unsigned long long>(timeoutMs);
    while (!base::FileExists(done)) {
        if (::GetTickCount64() > until) return false;
        ::Sleep(10);
    }
    const std::string code = base::ReadWhole(done);
    if (output) *output = base::FileExists(out) ? base::ReadWhole(out) : "";
    ::DeleteFileA(out.c_str());
    ::DeleteFileA(done.c_str());
    return code.rfind("0", 0) == 0;
}

Nginx::Nginx(const std::string& www, const std::string& limitRate) {
    if (!base::FileExists(HostShell())) {
        error_ = "no link to the host's shell at " + HostShell() + " (the build makes it)";
        return;
    }
    if (!RunUnix("test -x /usr/sbin/nginx")) {
        error_ = "nginx is not installed (Debian package nginx-light; scripts/run-tests installs it)";
        return;
    }
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "corvane-nginx-" + std::to_string(::GetCurrentProcessId()) + "-" +
              std::to_string(++g_counter);
    ::CreateDirectoryA(folder_.c_str(), nullptr);
    ::CreateDirectoryA((folder_ + "\\tmp").c_str(), nullptr);
    unixFolder_ = base::HostPathOf(folder_);
    const std::string root = base::HostPathOf(www);
    if (unixFolder_.empty() || root.empty()) {
        error_ = "no Linux path for the server's folders";
        return;
    }
    port_ = FreePort();
    const std::string d = unixFolder_;
    std::string conf =
        "daemon on;\nmaster_process on;\nworker_processes 1;\nuser root;\n"
        "error_log " +
        d + "/error.log;\npid " + d +
        "/nginx.pid;\n"
        "events { worker_connections 64; }\n"
        "http {\n  access_log " +
        d +
        "/access.log;\n"
        "  client_body_temp_path " +
        d + "/tmp/body;\n  proxy_temp_path " + d +
        "/tmp/proxy;\n"
        "  fastcgi_temp_path " +
        d + "/tmp/fastcgi;\n  uwsgi_temp_path " + d +
        "/tmp/uwsgi;\n"
        "  scgi_temp_path " +
        d +
        "/tmp/scgi;\n"
        "  sendfile on;\n  types { text/plain txt; application/octet-stream dat; }\n"
        "  default_type application/octet-stream;\n"
        "  server {\n    listen 127.0.0.1:" +
        std::to_string(port_) + ";\n    root " + root + ";\n" +
        (limitRate.empty() ? "" : "    limit_rate " + limitRate + ";\n") + "  }\n}\n";
    base::WriteText(folder_ + "\\nginx.conf", conf);
    Start();
}

bool Nginx::Start() {
    std::string out;
    if (!RunUnix("/usr/sbin/nginx -p " + Quote(unixFolder_ + "/") + " -c " + Quote(unixFolder_ + "/nginx.conf"),
                 &out)) {
        error_ = "nginx did not start: " + out;
        return false;
    }
    for (int i = 0; i < 500 && !Accepts(port_); ++i) ::Sleep(10);
    running_ = Accepts(port_);
    if (!running_) error_ = "nginx does not answer on port " + std::to_string(port_);
    return running_;
}

void Nginx::Stop() {
    if (!running_) return;
    RunUnix("/usr/sbin/nginx -p " + Quote(unixFolder_ + "/") + " -c " + Quote(unixFolder_ + "/nginx.conf") +
            " -s stop");
    for (int i = 0; i < 500 && base::FileExists(folder_ + "\\nginx.pid"); ++i) ::Sleep(10);
    running_ = false;
}

std::string Nginx::AccessLog() const {
    const std::string p = folder_ + "\\access.log";
    return base::FileExists(p) ? base::ReadWhole(p) : "";
}

Nginx::~Nginx() {
    Stop();
    if (!unixFolder_.empty()) RunUnix("rm -rf " + Quote(unixFolder_));
}

}  // namespace testing_support
