#include "downloader/Transfer.h"

#include "downloader/Socket.h"
// Socket.h brings winsock2.h, which must come before windows.h.
#include <windows.h>

#include <algorithm>
#include <cmath>

#include "base/Handles.h"
#include "base/RuntimeError.h"
#include "downloader/Progress.h"

namespace downloader {
namespace {

constexpr size_t kMaxHead = 64 * 1024;
constexpr size_t kBufferSize = 256 * 1024;

unsigned long long Now() { return ::GetTickCount64(); }

}  // namespace

struct Transfer::Conn {
    enum class Phase { Connecting, Sending, Head, Body };
    Socket sock;
    Phase phase = Phase::Connecting;
    std::string out;
    size_t sent = 0;
    std::string head;
    ResponseHead rh;
    ChunkedDecoder chunks;
    bool untilClose = false;
    std::uint64_t bodyLeft = 0;
    unsigned long long lastActivity = 0;
    std::uint64_t from = 0;  // first byte the request asked for
    bool active() const { return sock.valid(); }
    void Reset() {
        sock.Close();
        phase = Phase::Connecting;
        out.clear();
        sent = 0;
        head.clear();
        rh = ResponseHead{};
        chunks = ChunkedDecoder{};
        untilClose = false;
        bodyLeft = 0;
    }
};

struct Transfer::Segment {
    SegmentState s;
    bool resume = false;
    int reconnects = 0;
    // The furthest byte any connection has brought: only a connection that gets past it made
    // progress (a server that starts again from byte 0 on every answer makes none).
    std::uint64_t reached = 0;
    Conn conn;
};

struct Transfer::Target {
    base::FileHandle h;
};

int SegmentBand(double f, const TransferOptions& o) {
    const double* s = o.intSegSize;
    if (f >= s[0] && f <= s[1]) return 2;
    if (f >= s[2] && f <= s[3]) return 3;
    if (f >= s[4] && f <= s[5]) return 4;
    if (f >= s[6] && f <= s[7]) return 5;
    if (f >= s[8]) return 6;
    return 0;
}

Layout LayOut(std::uint64_t fSize, int segments) {
    const int n = std::max(segments, 1);
    Layout l;
    l.starts.resize(n + 1);
    for (int i = 1; i < n; ++i) l.starts[i] = l.starts[i - 1] + fSize / n;
    l.starts[n] = fSize;
    l.next.assign(l.starts.begin(), l.starts.end() - 1);
    return l;
}

void SetSegIndecies(Layout& l, std::uint64_t length, long rollBack) {
    const std::uint64_t back = rollBack > 0 ? static_cast<std::uint64_t>(rollBack) : 0;
    if (length <= back) return;
    const size_t n = l.next.size();
    if (n == 1) {
        // The first missing byte is `length`; stepping back fetches exactly `back` bytes again.
        if (l.next[0] < length) l.next[0] = std::min(length - back, l.starts[1]);
        return;
    }
    for (size_t i = 0; i < n; ++i) {
        if (l.next[i] >= length) continue;
        if (l.starts[i + 1] < length)
            l.next[i] = l.starts[i + 1];
        else
            l.next[i] = std::max(l.starts[i], length - back / n);
    }
}

Transfer::Transfer(TransferEvents* events)
    : winsock_(std::make_unique<WinsockSession>()),
      events_(events ? events : &quiet_),
      probe_(std::make_unique<Conn>()),
      buffer_(kBufferSize) {}

Transfer::~Transfer() { CloseAll(); }

void Transfer::SetTarget(const std::string& url, const std::string& fileLocation) {
    url_ = ParseUrl(url);
    if (url_.http) httpMode_ = true;
    saveTo_ = fileLocation;
    strURL_ = url;
}

void Transfer::ExecuteDownload(const std::string& url, const std::string& fileLocation) {
    options.tfResume = 0;
    SetTarget(url, fileLocation);
    StartDownload();
}

void Transfer::RestartFromUrl(const std::string& url) {
    url_ = ParseUrl(url);
    if (url_.http) httpMode_ = true;
    StartDownload();
}

std::string Transfer::RemoteHost() const { return options.proxy.use ? options.proxy.server : url_.server; }
int Transfer::RemotePort() const { return options.proxy.use ? ProxyPort(options.proxy) : url_.port; }

bool Transfer::StartDownload() {
    if (options.tfResume != -1 && options.tfResume != 0) return false;
    (void)RemotePort();  // a proxy port that is no number fails here, before anything changes
    CloseAll();
    // Every run starts with clean flags and counters.
    errorStatus_.clear();
    total_ = 0;
    sizeKnown_ = false;
    segCount_ = 0;
    segments_.clear();
    redirects_ = 0;
    retryCount_ = 0;
    triedWithoutRange_ = false;
    segmentBytes_ = bytesRead_ = 0;
    if (options.tfResume == 0 && !saveTo_.empty()) {
        ::SetFileAttributesA(saveTo_.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(saveTo_.c_str());
    }
    outcome_ = Outcome::Running;
    events_->OnStarted(FileNameOf(url_.file));
    events_->OnStatus("");
    BeginProbe();
    return true;
}

void Transfer::BeginProbe() {
    probe_->Reset();
    probeMode_ = ProbeMode::Head;
    page_.clear();
    probeDeadline_ = Now() + static_cast<unsigned long long>(std::max(options.probeTimeoutMs, 0));
    lastTick_ = -1;
    if (!url_.http) {
        Fail("Error in connection", "Only http addresses can be fetched");
        return;
    }
    std::string error;
    if (!probe_->sock.StartConnect(RemoteHost(), RemotePort(), error)) {
        Fail("Error in connection", error);
        return;
    }
    probe_->out = ProbeRequest(url_, options.proxy, !triedWithoutRange_);
    probe_->lastActivity = Now();
}

void Transfer::Redirect(const std::string& location) {
    if (++redirects_ > options.maxRedirects) {
        Fail("Error in connection", "Too many redirects");
        return;
    }
    const std::string next = ResolveLocation(url_, location);
    events_->OnRedirect(next);
    url_ = ParseUrl(next);
    strURL_ = next;
    BeginProbe();
}

void Transfer::OnProbeHead() {
    Conn& c = *probe_;
    const ResponseHead h = c.rh;  // a copy: the connection is reset below
    probeDeadline_ = 0;           // the answer came: the count-down is over
    const std::string text = GetError(h.status);
    if (text != "SUCCESS") {
        Fail("Error in connection", text);
        return;
    }
    switch (h.status) {
        case 200:
        case 206: {
            if (h.status == 206 && h.hasTotal) {
                total_ = h.rangeTotal;
                sizeKnown_ = true;
            } else if (h.status == 200 && h.hasLength) {
                total_ = h.contentLength;
                sizeKnown_ = true;
            }
            if (sizeKnown_ && options.maxFileSize && total_ > options.maxFileSize) {
                FailTooLarge(total_);
                return;
            }
            if (sizeKnown_) {
                events_->OnSizeKnown(total_, h.status == 206);
                c.Reset();
                StartTransfer(h.status == 206);
                return;
            }
            // No size: a page is searched for the file's link; anything else is taken as it streams.
            probeMode_ = h.contentType.rfind("text/html", 0) == 0 ? ProbeMode::Page : ProbeMode::Stream;
            if (probeMode_ == ProbeMode::Stream) {
                base::FileHandle f(::CreateFileA(saveTo_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
                if (!f) {
                    Fail("Error in connection", "The file " + saveTo_ + " cannot be created");
                    return;
                }
                file_ = std::make_unique<Target>();
                file_->h = std::move(f);
                segments_.resize(1);
                segments_[0].s = SegmentState{0, 0, 0, false};
                events_->OnLayout(1);
            }
            return;
        }
        case 300:
        case 301:
        case 302:
        case 303:
        case 307:
        case 308:
            if (h.location.empty()) {
                Fail("Error in connection", "The server redirected to no address");
                return;
            }
            Redirect(h.location);
            return;
        case 416:
            if (h.hasTotal && h.rangeTotal == 0) {  // an empty file has no byte 0
                total_ = 0;
                sizeKnown_ = true;
                events_->OnSizeKnown(0, false);
                c.Reset();
                StartTransfer(true);
                return;
            }
            if (!triedWithoutRange_) {
                triedWithoutRange_ = true;
                BeginProbe();
                return;
            }
            Fail("Error in connection", "HTTP 416 - Range Not Satisfiable");
            return;
        default:
            Fail("Error in connection", "HTTP " + std::to_string(h.status));
            return;
    }
}

void Transfer::OnProbeBody(const char* data, size_t size, bool ended) {
    if (probeMode_ == ProbeMode::Page) {
        page_.append(data, std::min(size, options.maxPageSize - std::min(options.maxPageSize, page_.size())));
        if (!ended && page_.size() < options.maxPageSize) return;
        const std::string link = ExtractSrcAttribute(page_, FileNameOf(url_.file));
        if (link.empty()) {
            Fail("Error in connection", "The answer was a page that names no link to " + FileNameOf(url_.file));
            return;
        }
        Redirect(link);
        return;
    }
    // Streaming an answer of unknown size.
    Segment& s = segments_[0];
    if (options.maxFileSize && s.s.next + size > options.maxFileSize) {
        FailTooLarge(s.s.next + size);
        return;
    }
    WriteAt(s.s.next, data, size);
    s.s.next += size;
    s.s.end = s.s.next;
    segmentBytes_ += size;
    if (ended) {
        total_ = s.s.next;
        sizeKnown_ = true;
        s.s.done = true;
        probe_->Reset();
        Finish();
    }
}

void Transfer::StartTransfer(bool answered206) {
    int n = 0;
    if (total_ >= options.intSegSize[0] && options.intSegment == 1) {
        if (events_->AskSegmented(answered206 ? kSegmentQuestion206 : kSegmentQuestion200))
            n = SegmentBand(static_cast<double>(total_), options);
    }
    if (options.tfResume == -1) n = 0;
    if (total_ < static_cast<std::uint64_t>(std::max(n, 1))) n = 0;  // a segment of no bytes helps nobody
    segCount_ = n;
    Layout layout = LayOut(total_, n);

    const DWORD disposition = options.tfResume == -1 ? OPEN_ALWAYS : CREATE_ALWAYS;
    base::FileHandle f(::CreateFileA(saveTo_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) {
        Fail("Error in connection", "The file " + saveTo_ + " cannot be created");
        return;
    }
    if (options.tfResume == -1) {
        LARGE_INTEGER length{};
        ::GetFileSizeEx(f.get(), &length);
        const auto have = static_cast<std::uint64_t>(length.QuadPart);
        if (have <= total_) SetSegIndecies(layout, have, options.intRollBack);  // longer: not this file, start over
    }
    file_ = std::make_unique<Target>();
    file_->h = std::move(f);
    segments_.clear();
    segments_.resize(layout.next.size());
    for (size_t i = 0; i < segments_.size(); ++i) {
        Segment& s = segments_[i];
        s.s = SegmentState{layout.starts[i], layout.starts[i + 1], layout.next[i],
                           layout.next[i] >= layout.starts[i + 1]};
        s.resume = options.tfResume == -1;
    }
    events_->OnLayout(std::max(n, 1));
    for (size_t i = 0; i < segments_.size(); ++i)
        if (!segments_[i].s.done) ConnectSegment(i);
    if (outcome_ == Outcome::Running &&
        std::all_of(segments_.begin(), segments_.end(), [](const Segment& s) { return s.s.done; }))
        Finish();
}

void Transfer::ConnectSegment(size_t i) {
    Segment& s = segments_[i];
    s.conn.Reset();
    std::string error;
    if (!s.conn.sock.StartConnect(RemoteHost(), RemotePort(), error)) {
        Fail("Error was occurred.\r\n" + std::to_string(WSAECONNREFUSED) + "\r\n" + error, error);
        return;
    }
    s.reached = std::max(s.reached, s.s.next);
    s.conn.from = s.s.next;
    s.conn.out = SegmentRequest(url_, options.proxy, static_cast<int>(i), s.s.next, s.s.end - 1);
    s.conn.lastActivity = Now();
}

void Transfer::SegmentLost(size_t i, const std::string& why) {
    Segment& s = segments_[i];
    s.conn.Reset();
    if (s.s.done) return;
    // A connection that brought nothing new counts against the segment; one that did starts afresh.
    s.reconnects = s.s.next > s.reached ? 0 : s.reconnects + 1;
    if (s.reconnects > options.maxReconnects) {
        Fail("Error was occurred.\r\n" + std::to_string(WSAECONNRESET) + "\r\n" + why, why);
        return;
    }
    s.resume = true;
    ConnectSegment(i);
}

void Transfer::OnSegmentHead(size_t i) {
    Segment& s = segments_[i];
    const ResponseHead& h = s.conn.rh;
    if (h.status == 206) {
        if (!h.hasRange || h.rangeFirst != s.conn.from || (h.hasTotal && h.rangeTotal != total_)) {
            Fail("Error in connection", "The server answered another range than the one asked for");
            return;
        }
    } else if (h.status == 200) {
        // The server ignored the range and sends the whole file: useful only to one stream.
        if (segCount_ > 0) {
            Fail("Error in connection", "The server does not send parts of the file");
            return;
        }
        if (h.hasLength && h.contentLength != total_) {
            Fail("Error in connection", "The file changed on the server");
            return;
        }
        s.s.next = s.s.start;
    } else {
        const std::string text = GetError(h.status);
        Fail("Error in connection", text != "SUCCESS" ? text : "HTTP " + std::to_string(h.status));
    }
}

void Transfer::OnSegmentBody(size_t i, const char* data, size_t size) {
    Segment& s = segments_[i];
    segmentBytes_ += size;
    // Bytes past the segment's range are not ours to write (they belong to the next segment).
    const size_t n = static_cast<size_t>(std::min<std::uint64_t>(size, s.s.end - s.s.next));
    if (n) {
        WriteAt(s.s.next, data, n);
        s.s.next += n;
    }
    if (s.s.next >= s.s.end) {
        s.s.done = true;
        s.conn.Reset();
    }
}

void Transfer::WriteAt(std::uint64_t at, const char* data, size_t size) {
    if (outcome_ != Outcome::Running || !file_) return;
    while (size > 0) {
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(at);
        where.OffsetHigh = static_cast<DWORD>(at >> 32);
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 24));
        DWORD written = 0;
        if (!::WriteFile(file_->h.get(), data, chunk, &written, &where) || written == 0) {
            Fail("Error in connection", "The file " + saveTo_ + " cannot be written");
            return;
        }
        at += written;
        data += written;
        size -= written;
    }
}

// Head, then body by its framing; `out` gets the body bytes of this block.
bool Transfer::FeedBody(Conn& c, const char* data, size_t size, std::string& out, bool& ended) {
    ended = false;
    if (c.rh.chunked) {
        if (!c.chunks.Feed(data, size, out)) return false;
        ended = c.chunks.done();
        return true;
    }
    if (c.untilClose) {
        out.append(data, size);
        return true;
    }
    const size_t n = static_cast<size_t>(std::min<std::uint64_t>(size, c.bodyLeft));
    out.append(data, n);
    c.bodyLeft -= n;
    ended = c.bodyLeft == 0;
    return true;
}

void Transfer::HandleConn(Conn& c, bool readable, bool writable, bool failed, int index) {
    auto lost = [&](const std::string& why) {
        if (index < 0) {
            if (probeMode_ == ProbeMode::Stream && c.phase == Conn::Phase::Body && c.untilClose) {
                OnProbeBody(nullptr, 0, true);
                return;
            }
            if (probeMode_ == ProbeMode::Page && c.phase == Conn::Phase::Body && c.untilClose) {
                OnProbeBody(nullptr, 0, true);
                return;
            }
            Fail("Error in connection", why);
        } else {
            SegmentLost(static_cast<size_t>(index), why);
        }
    };
    if (failed) {
        int err = 0;
        int len = sizeof err;
        ::getsockopt(c.sock.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len);
        const std::string why = SocketErrorText(err ? err : WSAECONNREFUSED);
        if (c.phase == Conn::Phase::Connecting) {
            // The server cannot be reached at all.
            Fail(index < 0 ? "Error in connection" : "Error was occurred.\r\n" + std::to_string(err) + "\r\n" + why,
                 why);
            return;
        }
        lost(why);
        return;
    }
    if (writable && (c.phase == Conn::Phase::Connecting || c.phase == Conn::Phase::Sending)) {
        c.phase = Conn::Phase::Sending;
        while (c.sent < c.out.size()) {
            const int r = ::send(c.sock.get(), c.out.data() + c.sent, static_cast<int>(c.out.size() - c.sent), 0);
            if (r <= 0) {
                if (::WSAGetLastError() == WSAEWOULDBLOCK) return;
                lost(SocketErrorText(::WSAGetLastError()));
                return;
            }
            c.sent += static_cast<size_t>(r);
        }
        c.phase = Conn::Phase::Head;
        c.lastActivity = Now();
    }
    if (!readable || c.phase == Conn::Phase::Connecting || c.phase == Conn::Phase::Sending) return;
    for (;;) {
        if (outcome_ != Outcome::Running || !c.active()) return;
        const int r = ::recv(c.sock.get(), buffer_.data(), static_cast<int>(buffer_.size()), 0);
        if (r < 0) {
            const int err = ::WSAGetLastError();
            if (err == WSAEWOULDBLOCK) return;
            lost(SocketErrorText(err));
            return;
        }
        if (r == 0) {
            lost("The connection is closed by remote side");
            return;
        }
        bytesRead_ += static_cast<std::uint64_t>(r);
        c.lastActivity = Now();
        const char* data = buffer_.data();
        size_t size = static_cast<size_t>(r);
        if (c.phase == Conn::Phase::Head) {
            const size_t before = c.head.size();
            c.head.append(data, size);
            const size_t end = c.head.find("\r\n\r\n", before >= 3 ? before - 3 : 0);
            if (end == std::string::npos) {
                if (c.head.size() > kMaxHead) lost("The server's answer has no end of head");
                continue;
            }
            const size_t bodyAt = end + 4;
            std::string rest = c.head.substr(bodyAt);
            c.head.resize(end);
            if (!ParseResponseHead(c.head, c.rh)) {
                Fail("Error in connection", "The server's answer is not understood");
                return;
            }
            c.phase = Conn::Phase::Body;
            c.untilClose = !c.rh.chunked && !c.rh.hasLength;
            c.bodyLeft = c.rh.contentLength;
            if (index < 0) {
                // It closes the probe or starts a new one, unless the answer's body is wanted.
                OnProbeHead();
                if (outcome_ != Outcome::Running || probeMode_ == ProbeMode::Head || c.phase != Conn::Phase::Body)
                    return;
            } else {
                OnSegmentHead(static_cast<size_t>(index));
                if (outcome_ != Outcome::Running) return;
            }
            std::copy(rest.begin(), rest.end(), buffer_.begin());
            data = buffer_.data();
            size = rest.size();
            if (size == 0 && !(c.rh.hasLength && c.rh.contentLength == 0)) continue;
        }
        std::string body;
        bool ended = false;
        if (!FeedBody(c, data, size, body, ended)) {
            lost("The server's chunked answer is malformed");
            return;
        }
        if (index < 0) {
            OnProbeBody(body.data(), body.size(), ended);
            if (ended || c.phase != Conn::Phase::Body) return;
        } else {
            OnSegmentBody(static_cast<size_t>(index), body.data(), body.size());
            if (outcome_ != Outcome::Running) return;
            Segment& s = segments_[static_cast<size_t>(index)];
            if (s.s.done) return;
            if (ended) {
                // The answer ended before the segment did: ask again for the rest.
                SegmentLost(static_cast<size_t>(index), "The answer ended before its range");
                return;
            }
        }
    }
}

bool Transfer::Step(int waitMs) {
    if (outcome_ != Outcome::Running) return false;
    if (stepping_) return true;
    struct Guard {
        bool& b;
        explicit Guard(bool& x) : b(x) { b = true; }
        ~Guard() { b = false; }
    } guard(stepping_);
    fd_set readSet, writeSet, exceptSet;
    FD_ZERO(&readSet);
    FD_ZERO(&writeSet);
    FD_ZERO(&exceptSet);
    int count = 0;
    auto add = [&](Conn& c) {
        if (!c.active()) return;
        ++count;
        if (c.phase == Conn::Phase::Connecting || c.phase == Conn::Phase::Sending) {
            FD_SET(c.sock.get(), &writeSet);
            FD_SET(c.sock.get(), &exceptSet);
        } else {
            FD_SET(c.sock.get(), &readSet);
        }
    };
    add(*probe_);
    for (Segment& s : segments_) add(s.conn);
    const unsigned long long now = Now();
    long long wait = waitMs;
    if (probeDeadline_) wait = std::min<long long>(wait, probeDeadline_ > now ? probeDeadline_ - now : 0);
    wait = std::max<long long>(wait, 0);
    if (count == 0) {
        ::Sleep(static_cast<DWORD>(wait));
    } else {
        timeval tv{static_cast<long>(wait / 1000), static_cast<long>((wait % 1000) * 1000)};
        if (::select(0, &readSet, &writeSet, &exceptSet, &tv) == SOCKET_ERROR) ::Sleep(1);
        auto handle = [&](Conn& c, int index) {
            if (!c.active() || outcome_ != Outcome::Running) return;
            const SOCKET h = c.sock.get();
            HandleConn(c, FD_ISSET(h, &readSet) != 0, FD_ISSET(h, &writeSet) != 0, FD_ISSET(h, &exceptSet) != 0, index);
        };
        handle(*probe_, -1);
        for (size_t i = 0; i < segments_.size() && outcome_ == Outcome::Running; ++i)
            handle(segments_[i].conn, static_cast<int>(i));
    }
    if (outcome_ != Outcome::Running) return false;

    // Time-outs.
    const unsigned long long t = Now();
    if (probeDeadline_) {
        const int left = static_cast<int>((probeDeadline_ > t ? probeDeadline_ - t : 0) / 1000);
        if (left != lastTick_) {
            lastTick_ = left;
            events_->OnProbeTick(left);
        }
        if (t >= probeDeadline_) {
            events_->OnStatus("Connection has timed out.");
            if (options.tfRetry && retryCount_ <= options.intRetries) {
                ++retryCount_;
                BeginProbe();
            } else {
                Fail("Connection has timed out.", "Connection has timed out.");
            }
            return outcome_ == Outcome::Running;
        }
    } else if (probe_->active() && t - probe_->lastActivity > static_cast<unsigned long long>(options.stallTimeoutMs)) {
        Fail("Connection has timed out.", "Connection has timed out.");
        return false;
    }
    for (size_t i = 0; i < segments_.size() && outcome_ == Outcome::Running; ++i) {
        Segment& s = segments_[i];
        if (s.conn.active() && t - s.conn.lastActivity > static_cast<unsigned long long>(options.stallTimeoutMs))
            SegmentLost(i, "The server stopped sending");
    }
    if (outcome_ == Outcome::Running && !segments_.empty() && probeMode_ != ProbeMode::Stream &&
        std::all_of(segments_.begin(), segments_.end(), [](const Segment& s) { return s.s.done; }))
        Finish();
    return outcome_ == Outcome::Running;
}

bool Transfer::RunToEnd(int timeoutMs) {
    const unsigned long long until = Now() + static_cast<unsigned long long>(timeoutMs);
    while (Step(50))
        if (Now() > until) break;
    return outcome_ == Outcome::Complete;
}

void Transfer::Finish() {
    if (outcome_ != Outcome::Running) return;
    if (file_) {
        // A longer stale file from an earlier attempt must not keep its tail.
        LARGE_INTEGER size;
        size.QuadPart = static_cast<LONGLONG>(total_);
        if (!::SetFilePointerEx(file_->h.get(), size, nullptr, FILE_BEGIN) || !::SetEndOfFile(file_->h.get())) {
            Fail("Error in connection", "The file " + saveTo_ + " cannot be written");
            return;
        }
    }
    CloseAll();
    outcome_ = Outcome::Complete;
    events_->OnEnded(outcome_);
}

void Transfer::Fail(const std::string& prompt, const std::string& status) {
    if (outcome_ != Outcome::Running) return;
    CloseAll();
    errorStatus_ = status;
    outcome_ = Outcome::Failed;
    events_->OnStatus(status);
    events_->OnError(prompt, status);
    events_->OnEnded(outcome_);
}

void Transfer::FailTooLarge(std::uint64_t size) {
    const std::string why = "The file is too large: " + ByteConversion(static_cast<double>(size)) + ", at most " +
                            ByteConversion(static_cast<double>(options.maxFileSize)) + " is taken";
    Fail("Error in connection", why);
}

void Transfer::StopDown() {
    if (outcome_ != Outcome::Running) return;
    CloseAll();
    outcome_ = Outcome::Stopped;
    events_->OnStatus("Transfer Stopped");
    events_->OnEnded(outcome_);
}

void Transfer::CloseAll() {
    probe_->Reset();
    probeDeadline_ = 0;
    for (Segment& s : segments_) s.conn.Reset();
    file_.reset();
}

std::uint64_t Transfer::GetReceivedTotal() const {
    std::uint64_t sum = 0;
    for (const Segment& s : segments_) sum += s.s.next - s.s.start;
    return sum;
}

bool Transfer::isFileDownloaded() const {
    return sizeKnown_ && GetReceivedTotal() >= total_ && outcome_ != Outcome::Failed;
}

std::vector<SegmentState> Transfer::Segments() const {
    std::vector<SegmentState> out;
    for (const Segment& s : segments_) out.push_back(s.s);
    return out;
}

}  // namespace downloader
