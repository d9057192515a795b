#pragma once
// A stock web server for the end-to-end tests and the benchmark: Debian's nginx, started on
// loopback with a configuration of its own in a temporary folder. The test process runs under
// Wine and starts the Linux program through the host's shell; the server sees 127.0.0.1 as the
// test does.
#include <string>

namespace testing_support {

class Nginx {
public:
    // Serves the folder `www` (a Windows path) on a free port; `limitRate` ("2m") slows each
    // answer down. Check ok() (and error()) after construction.
    explicit Nginx(const std::string& www, const std::string& limitRate = "");
    ~Nginx();
    Nginx(const Nginx&) = delete;
    Nginx& operator=(const Nginx&) = delete;

    bool ok() const { return running_; }
    const std::string& error() const { return error_; }
    int port() const { return port_; }
    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string Url(const std::string& path) const { return "http://" + host() + path; }
    // Fast shut-down (open connections are closed) and start again on the same port.
    void Stop();
    bool Start();
    std::string AccessLog() const;

private:
    std::string folder_;      // Windows path of the server's own folder
    std::string unixFolder_;  // the same as Linux sees it
    std::string error_;
    int port_ = 0;
    bool running_ = false;
};

// The host's /bin/sh as this process sees it: a link in the build folder, so that the test
// prefix needs no drive onto the host's root to start host programs.
std::string HostShell();
// Runs a Linux command line through /bin/sh and waits for it (up to timeoutMs); its standard
// output goes to `output`. False when it could not be run or did not finish.
bool RunUnix(const std::string& command, std::string* output = nullptr, int timeoutMs = 60000);

}  // namespace testing_support
