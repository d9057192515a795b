#pragma once
// The transfer engine of the download window, window-free: the probe that learns the file's
// size, the layout into one stream or two to six segments, resuming, time-outs and retries.
// It runs on the caller's thread: Step() waits on its sockets for a while and handles what
// arrived, so the window's wait loop (or a test, or the benchmark) drives it and stays
// responsive. It reports through TransferEvents.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "downloader/Http.h"

namespace downloader {

class WinsockSession;

enum class Outcome { Idle, Running, Complete, Stopped, Failed };

struct TransferOptions {
    Proxy proxy;
    // The window's tuning variables.
    int intSegment = 0;         // 1: segmented transfers allowed
    double intSegSize[9] = {};  // intSegSize1 .. intSegSize9, the bands' limits in bytes
    bool tfRetry = false;       // retry the probe after a time-out
    int intRetries = 0;         // at most intRetries + 1 retries per transfer
    long intRollBack = 0;       // bytes fetched again from the end of a partial file
    long tfResume = 0;          // -1: resume into the existing file; 0: start afresh
    // Time-outs (the window keeps them in its own units).
    int probeTimeoutMs = 30000;  // from the connect to the probe's answer
    int stallTimeoutMs = 30000;  // a segment that receives nothing this long is reconnected
    int maxRedirects = 5;
    int maxReconnects = 5;  // reconnects of one segment in a row without a byte of progress
    size_t maxPageSize = 1u << 20;
    // The most a file may hold (0: any size): a larger announced size is refused before a byte
    // is written, and an answer of unknown size is stopped once it passes it.
    std::uint64_t maxFileSize = 0;
};

class TransferEvents {
public:
    virtual ~TransferEvents() = default;
    virtual void OnStarted(const std::string& fileName) {}
    virtual void OnStatus(const std::string& text) {}
    virtual void OnProbeTick(int secondsLeft) {}
    // resumes: the server answered the probe's range with a part (206), so a stopped transfer
    // can go on where it stopped.
    virtual void OnSizeKnown(std::uint64_t totalSize, bool resumes) {}
    virtual void OnLayout(int bars) {}
    virtual void OnRedirect(const std::string& url) {}
    // The segmented-download question; true for Yes.
    virtual bool AskSegmented(const std::string& question) { return false; }
    // A failure to show: the message box's prompt and the status line's text.
    virtual void OnError(const std::string& prompt, const std::string& status) {}
    virtual void OnEnded(Outcome outcome) {}
};

struct SegmentState {
    std::uint64_t start = 0;  // first byte (0-based)
    std::uint64_t end = 0;    // one past the last byte
    std::uint64_t next = 0;   // next byte to write
    bool done = false;
};

// The layout arithmetic (Check_Create): segment i covers starts[i] .. starts[i+1]-1.
struct Layout {
    std::vector<std::uint64_t> starts;  // segment count + 1 entries, the last is the size
    std::vector<std::uint64_t> next;    // next byte of each segment
};
// The band a size falls in: 2..6 segments, or 0 (one stream) outside every band.
int SegmentBand(double fSize, const TransferOptions& o);
Layout LayOut(std::uint64_t fSize, int segments);
// Moves the write positions of a resumed layout behind the data already in a file of `length`
// bytes, stepping back `rollBack` bytes.
void SetSegIndecies(Layout& layout, std::uint64_t length, long rollBack);

inline const char* kSegmentQuestion200 =
    "If you use segemnted downloading,you will not be able to resume after stopping (you still be able to "
    "resume after pausing, and more segments will cause the program solwer),Use Segemnted?!";
inline const char* kSegmentQuestion206 =
    "If you use segemnted downloading, you will not be able to resume after stopping(you still be able to "
    "resume after pausing),Use Segemnted?!";

class Transfer {
public:
    explicit Transfer(TransferEvents* events = nullptr);
    ~Transfer();
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    TransferOptions options;

    // Fetches `url` into `fileLocation`, always as a fresh file. Returns once the probe's
    // connect is under way; Step() does the rest.
    void ExecuteDownload(const std::string& url, const std::string& fileLocation);
    // Sets the address and the target (the window's strURL and strSaveTo) without starting.
    void SetTarget(const std::string& url, const std::string& fileLocation);
    // (Re)starts the transfer described by url and target with options.tfResume. False (and
    // nothing started) for a tfResume that is neither -1 nor 0. Throws base::RuntimeError for
    // a proxy port that is not a number.
    bool StartDownload();
    void RestartFromUrl(const std::string& url);
    // Waits up to waitMs for socket events and handles them; true while the transfer runs.
    bool Step(int waitMs);
    // Steps until the transfer ends or timeoutMs passes; true when it completed.
    bool RunToEnd(int timeoutMs);
    // Stops a running transfer; the partial file stays.
    void StopDown();

    bool Downloading() const { return outcome_ == Outcome::Running; }
    Outcome outcome() const { return outcome_; }
    bool Stopped() const { return outcome_ == Outcome::Stopped; }
    bool DownloadError() const { return outcome_ == Outcome::Failed; }
    const std::string& ErrorText() const { return errorStatus_; }

    const UrlParts& Url() const { return url_; }
    const std::string& strURL() const { return strURL_; }
    const std::string& strSaveTo() const { return saveTo_; }
    std::uint64_t TotalSize() const { return total_; }
    bool SizeKnown() const { return sizeKnown_; }
    std::uint64_t GetReceivedTotal() const;
    bool isFileDownloaded() const;
    int SegmentCount() const { return segCount_; }  // 0 = one stream
    std::vector<SegmentState> Segments() const;
    int RetryCount() const { return retryCount_; }
    int Redirects() const { return redirects_; }
    // Body bytes the segment requests brought (what a resume fetched), and all bytes read.
    std::uint64_t SegmentBytesFetched() const { return segmentBytes_; }
    std::uint64_t BytesRead() const { return bytesRead_; }

private:
    struct Conn;
    struct Segment;
    void BeginProbe();
    void OnProbeHead();
    void OnProbeBody(const char* data, size_t size, bool ended);
    void StartTransfer(bool answered206);
    void ConnectSegment(size_t i);
    void OnSegmentHead(size_t i);
    void OnSegmentBody(size_t i, const char* data, size_t size);
    void SegmentLost(size_t i, const std::string& why);
    void HandleConn(Conn& c, bool readable, bool writable, bool failed, int index);
    bool FeedBody(Conn& c, const char* data, size_t size, std::string& out, bool& ended);
    void WriteAt(std::uint64_t at, const char* data, size_t size);
    void Fail(const std::string& prompt, const std::string& status);
    void FailTooLarge(std::uint64_t size);
    void Finish();
    void CloseAll();
    void Redirect(const std::string& location);
    std::string RemoteHost() const;
    int RemotePort() const;

    std::unique_ptr<WinsockSession> winsock_;
    TransferEvents* events_;
    TransferEvents quiet_;
    Outcome outcome_ = Outcome::Idle;
    UrlParts url_;
    bool httpMode_ = false;
    std::string strURL_, saveTo_;
    std::string errorStatus_;
    std::uint64_t total_ = 0;
    bool sizeKnown_ = false;
    int segCount_ = 0;
    int redirects_ = 0;
    int retryCount_ = 0;
    bool triedWithoutRange_ = false;
    enum class ProbeMode { Head, Page, Stream } probeMode_ = ProbeMode::Head;
    std::string page_;
    unsigned long long probeDeadline_ = 0;
    int lastTick_ = 0;
    std::uint64_t segmentBytes_ = 0, bytesRead_ = 0;
    std::unique_ptr<Conn> probe_;
    std::vector<Segment> segments_;
    struct Target;
    std::unique_ptr<Target> file_;
    std::vector<char> buffer_;
    bool stepping_ = false;  // a message box shown from an event may pump a nested Step
};

}  // namespace downloader
