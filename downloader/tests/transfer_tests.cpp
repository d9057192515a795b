// Transfers against the in-process test server: every answer the server can give, resume after
// cuts, segments, time-outs and stalls, a proxy, and runs that follow failed ones.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "base/RuntimeError.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "downloader/Transfer.h"
#include "downloader/tests/TestServer.h"

using namespace downloader;
using testing_support::PatternBytes;
using testing_support::Route;
using testing_support::TempFolder;
using testing_support::TestServer;

namespace {

struct Recorder : TransferEvents {
    std::vector<std::string> errors, statuses;
    std::vector<int> layouts;
    std::vector<std::string> questions;
    bool answerYes = false;
    void OnStatus(const std::string& t) override { statuses.push_back(t); }
    void OnError(const std::string& prompt, const std::string& status) override {
        errors.push_back(prompt + "|" + status);
    }
    void OnLayout(int n) override { layouts.push_back(n); }
    bool AskSegmented(const std::string& q) override {
        questions.push_back(q);
        return answerYes;
    }
};

std::string Read(const std::string& path) { return base::FileExists(path) ? base::ReadWhole(path) : "<none>"; }

// The Range lines of the segment requests (User-Agent IRDM), in order.
std::vector<std::string> SegmentRanges(const TestServer& s) {
    std::vector<std::string> out;
    for (const std::string& r : s.Requests()) {
        if (r.find("User-Agent: IRDM") == std::string::npos) continue;
        const size_t p = r.find("Range: bytes=");
        out.push_back(r.substr(p + 13, r.find("\r\n", p) - p - 13));
    }
    return out;
}

}  // namespace

TEST(Layout, SegmentsSumExactlyToTheFile) {
    const Layout l = LayOut(10, 3);
    EXPECT_EQ(l.starts, (std::vector<std::uint64_t>{0, 3, 6, 10}));
    EXPECT_EQ(l.next, (std::vector<std::uint64_t>{0, 3, 6}));
    for (std::uint64_t size : {1ull, 2ull, 5ull, 6ull, 7ull, 1000ull, 1000003ull, 4294967301ull})
        for (int n = 1; n <= 6; ++n) {
            const Layout k = LayOut(size, n);
            std::uint64_t sum = 0;
            for (int i = 0; i < n; ++i) {
                ASSERT_LE(k.starts[i], k.starts[i + 1]) << size << "/" << n;
                sum += k.starts[i + 1] - k.starts[i];
            }
            EXPECT_EQ(sum, size) << size << "/" << n;
        }
}

TEST(Layout, BandsAndResumePositions) {
    TransferOptions o;
    const double bands[9] = {100, 200, 300, 400, 500, 600, 700, 800, 900};
    std::copy(bands, bands + 9, o.intSegSize);
    struct Row {
        double size;
        int n;
    };
    for (Row r :
         {Row{99, 0}, Row{100, 2}, Row{200, 2}, Row{250, 0}, Row{300, 3}, Row{650, 0}, Row{800, 5}, Row{5000, 6}})
        EXPECT_EQ(SegmentBand(r.size, o), r.n) << r.size;

    Layout one = LayOut(5000, 1);
    SetSegIndecies(one, 1000, 10);
    EXPECT_EQ(one.next[0], 990u);  // fetches the 10 bytes stepped back and then what is missing
    Layout none = LayOut(5000, 1);
    SetSegIndecies(none, 1000, 0);
    EXPECT_EQ(none.next[0], 1000u);  // exactly the missing bytes
    Layout small = LayOut(5000, 1);
    SetSegIndecies(small, 10, 10);
    EXPECT_EQ(small.next[0], 0u);
    Layout three = LayOut(30, 3);
    SetSegIndecies(three, 15, 3);
    EXPECT_EQ(three.next, (std::vector<std::uint64_t>{10, 14, 20}));
}

TEST(Transfer, EveryAnswerOfTheServer) {
    TestServer server;
    TempFolder tmp;
    const std::string file = PatternBytes(300000, 7);
    server.SetFile("/f.dat", file);
    Route whole;
    whole.body = file;
    whole.ignoreRange = true;
    server.Set("/whole.dat", whole);
    Route chunked;
    chunked.body = file;
    chunked.chunked = true;
    server.Set("/chunked.dat", chunked);
    Route more;
    more.body = file;
    more.lengthDelta = 1000;
    server.Set("/longer.dat", more);
    Route less;
    less.body = file;
    less.lengthDelta = -70000;
    server.Set("/shorter.dat", less);
    Route r301;
    r301.kind = Route::Kind::Redirect;
    r301.status = 301;
    r301.location = server.Url("/r302");
    server.Set("/r301", r301);
    Route r302;
    r302.kind = Route::Kind::Redirect;
    r302.status = 302;
    r302.location = "f.dat";  // relative
    server.Set("/r302", r302);
    Route loop;
    loop.kind = Route::Kind::Redirect;
    loop.status = 302;
    loop.location = "/loop";
    server.Set("/loop", loop);
    Route page;
    page.kind = Route::Kind::Page;
    page.body = "<html><body><img src='/f.dat'> here</body></html>";
    server.Set("/pages/f.dat", page);
    Route blank;
    blank.kind = Route::Kind::Page;
    blank.body = "<html>nothing</html>";
    server.Set("/pages/blank.dat", blank);
    Route e500;
    e500.kind = Route::Kind::Status;
    e500.status = 500;
    e500.body = "<html>server error</html>";
    server.Set("/e500", e500);
    Route e503;
    e503.kind = Route::Kind::Status;
    e503.status = 503;
    e503.body = "busy";
    server.Set("/e503", e503);
    server.SetFile("/empty.dat", "");

    struct Row {
        const char* path;
        bool ok;
        const char* error;  // part of the reported status
    };
    const Row rows[] = {
        {"/f.dat", true, ""},
        {"/whole.dat", true, ""},
        {"/chunked.dat", true, ""},
        {"/longer.dat", true, ""},
        {"/shorter.dat", true, ""},
        {"/r301", true, ""},
        {"/pages/f.dat", true, ""},
        {"/empty.dat", true, ""},
        {"/missing.dat", false, "HTTP 404-Object Not Found"},
        {"/e500", false, "HTTP Error 500-Server Error"},
        {"/e503", false, "HTTP 503"},
        {"/loop", false, "Too many redirects"},
        {"/pages/blank.dat", false, "names no link"},
    };
    for (const Row& r : rows) {
        Recorder rec;
        Transfer t(&rec);
        t.options.probeTimeoutMs = 10000;
        const std::string target = tmp / "out.dat";
        base::WriteText(target, "old");
        t.ExecuteDownload(server.Url(r.path), target);
        EXPECT_EQ(t.RunToEnd(60000), r.ok) << r.path;
        EXPECT_FALSE(t.Downloading()) << r.path;
        if (r.ok) {
            const std::string want = std::string(r.path) == "/empty.dat" ? "" : file;
            EXPECT_TRUE(Read(target) == want) << r.path << ": " << Read(target).size() << " bytes";
            EXPECT_EQ(t.GetReceivedTotal(), want.size()) << r.path;
            EXPECT_TRUE(t.isFileDownloaded()) << r.path;
            EXPECT_TRUE(rec.errors.empty()) << r.path << ": " << rec.errors[0];
        } else {
            ASSERT_EQ(rec.errors.size(), 1u) << r.path;
            EXPECT_NE(rec.errors[0].find(r.error), std::string::npos) << r.path << ": " << rec.errors[0];
            EXPECT_TRUE(t.DownloadError()) << r.path;
            // An error answer's body never lands in the file.
            const std::string got = Read(target);
            EXPECT_TRUE(got == "<none>" || got.empty()) << r.path << ": " << got.substr(0, 40);
        }
    }
}

TEST(Transfer, ResumesAfterACutAtTheFirstByteMidwayAndOneBeforeTheEnd) {
    TestServer server;
    TempFolder tmp;
    const std::string file = PatternBytes(200000, 3);
    for (long long cut : {0ll, 100000ll, 199999ll}) {
        Route r;
        r.body = file;
        r.cutAfter = cut;
        r.cutTimes = 1;
        server.Set("/cut.dat", r);
        server.ClearRequests();
        Transfer t;
        t.ExecuteDownload(server.Url("/cut.dat"), tmp / "cut.dat");
        ASSERT_TRUE(t.RunToEnd(30000)) << cut << ": " << t.ErrorText();
        EXPECT_TRUE(base::ReadWhole(tmp / "cut.dat") == file) << cut;
        const std::vector<std::string> ranges = SegmentRanges(server);
        ASSERT_EQ(ranges.size(), 2u) << cut;
        EXPECT_EQ(ranges[0], "0-199999");
        EXPECT_EQ(ranges[1], std::to_string(cut) + "-199999") << cut;
    }
}

TEST(Transfer, AServerThatStartsAgainFromByteZeroOnEveryAnswerEndsInAnError) {
    TestServer server;
    TempFolder tmp;
    const std::string file = PatternBytes(50000, 4);
    struct Row {
        const char* name;
        Route route;
    };
    Row rows[] = {
        {"longer Content-Length, cut", testing_support::RestartingFile(file, 1 << 30)},
        {"Content-Length 2^63-1", testing_support::RestartingFile(file, 1 << 30)},
        {"reset mid-body", testing_support::RestartingFile(file, 20000)},
        {"reset after the first byte", testing_support::RestartingFile(file, 1)},
    };
    rows[0].route.lengthDelta = 1000;
    rows[1].route.announcedLength = "9223372036854775807";
    for (const Row& r : rows) {
        server.Set("/again.dat", r.route);
        const size_t before = server.Connections();
        server.ClearRequests();
        Recorder events;
        Transfer t(&events);
        t.ExecuteDownload(server.Url("/again.dat"), tmp / "again.dat");
        t.RunToEnd(30000);
        EXPECT_EQ(t.outcome(), Outcome::Failed) << r.name;
        EXPECT_EQ(events.errors.size(), 1u) << r.name;
        // The probe and the first answer, then a bounded number of tries that gained nothing.
        const size_t connections = server.Connections() - before;
        EXPECT_LE(connections, static_cast<size_t>(t.options.maxReconnects) + 4) << r.name;
        t.StopDown();
    }
}

TEST(Transfer, ResumeIntoAPartialFileFetchesOnlyWhatIsMissing) {
    TestServer server;
    TempFolder tmp;
    const std::string file = PatternBytes(5000, 9);
    server.SetFile("/p.dat", file);
    struct Row {
        std::string partial;
        long rollBack;
        const char* range;  // "" when nothing is fetched
    };
    const Row rows[] = {
        {file.substr(0, 1000), 0, "1000-4999"},
        {file.substr(0, 1000), 10, "990-4999"},
        {file.substr(0, 10), 10, "0-4999"},
        {file.substr(0, 4999), 0, "4999-4999"},
        {file, 0, ""},
        {file + "stale tail", 0, "0-4999"},  // longer than the file: not this file
    };
    for (const Row& r : rows) {
        base::WriteText(tmp / "p.dat", r.partial);
        server.ClearRequests();
        Transfer resume;
        resume.options.tfResume = -1;
        resume.options.intRollBack = r.rollBack;
        resume.SetTarget(server.Url("/p.dat"), tmp / "p.dat");
        ASSERT_TRUE(resume.StartDownload());
        ASSERT_TRUE(resume.RunToEnd(10000)) << r.range << ": " << resume.ErrorText();
        EXPECT_TRUE(base::ReadWhole(tmp / "p.dat") == file) << r.range;
        const std::vector<std::string> ranges = SegmentRanges(server);
        if (*r.range) {
            ASSERT_EQ(ranges.size(), 1u) << r.range;
            EXPECT_EQ(ranges[0], r.range);
        } else {
            EXPECT_TRUE(ranges.empty());
        }
    }
}

TEST(Transfer, AResumeFlagThatIsNeitherTrueNorFalseStartsNothing) {
    TestServer server;
    TempFolder tmp;
    server.SetFile("/p.dat", "x");
    Transfer t;
    t.options.tfResume = 1;
    t.SetTarget(server.Url("/p.dat"), tmp / "p.dat");
    EXPECT_FALSE(t.StartDownload());
    EXPECT_FALSE(t.Downloading());
    EXPECT_TRUE(server.Requests().empty());
}

TEST(Transfer, SegmentedRangesMeetWithoutGapOrOverlap) {
    TestServer server;
    TempFolder tmp;
    const std::string file = PatternBytes(1000003, 5);
    server.SetFile("/s.dat", file);
    for (int want = 2; want <= 6; ++want) {
        Recorder rec;
        rec.answerYes = true;
        Transfer t(&rec);
        t.options.intSegment = 1;
        // Bands before `want` empty (upper limit 0), `want`'s band around the size.
        double* S = t.options.intSegSize;
        for (int j = 2; j < want; ++j) S[2 * (j - 2)] = 2e12;
        if (want < 6) {
            S[2 * (want - 2)] = 1;
            S[2 * (want - 2) + 1] = 2e6;
        } else {
            S[8] = 1;
        }
        S[0] = 1;  // the question is asked from this size on
        server.ClearRequests();
        t.ExecuteDownload(server.Url("/s.dat"), tmp / "s.dat");
        ASSERT_TRUE(t.RunToEnd(30000)) << want << ": " << t.ErrorText();
        EXPECT_EQ(t.SegmentCount(), want);
        ASSERT_EQ(rec.questions.size(), 1u);
        EXPECT_TRUE(base::ReadWhole(tmp / "s.dat") == file) << want;
        std::vector<std::string> ranges = SegmentRanges(server);
        ASSERT_EQ(ranges.size(), static_cast<size_t>(want));
        std::sort(ranges.begin(), ranges.end(),
                  [](const std::string& a, const std::string& b) { return std::stoull(a) < std::stoull(b); });
        std::uint64_t expect = 0;
        for (const std::string& r : ranges) {
            EXPECT_EQ(std::stoull(r), expect) << r;
            expect = std::stoull(r.substr(r.find('-') + 1)) + 1;
        }
        EXPECT_EQ(expect, file.size());
    }
}

TEST(Transfer, DecliningSegmentsOrAServerThatIgnoresRangesGivesOneStream) {
    TestServer server;
    TempFolder tmp;
    const std::string file = PatternBytes(20000, 2);
    server.SetFile("/s.dat", file);
    Route whole;
    whole.body = file;
    whole.ignoreRange = true;
    server.Set("/w.dat", whole);
    Recorder no;
    Transfer t(&no);
    t.options.intSegment = 1;
    t.options.intSegSize[0] = 1;
    t.options.intSegSize[1] = 1e9;
    t.ExecuteDownload(server.Url("/s.dat"), tmp / "a.dat");
    ASSERT_TRUE(t.RunToEnd(10000));
    EXPECT_EQ(t.SegmentCount(), 0);
    EXPECT_EQ(no.questions, std::vector<std::string>{kSegmentQuestion206});
    // A 200 to the probe asks the other question; the answer decides nothing else.
    Recorder yes;
    yes.answerYes = true;
    Transfer u(&yes);
    u.options = t.options;
    u.ExecuteDownload(server.Url("/w.dat"), tmp / "b.dat");
    EXPECT_FALSE(u.RunToEnd(10000));  // segments need ranges, and this server sends none
    EXPECT_EQ(yes.questions, std::vector<std::string>{kSegmentQuestion200});
    EXPECT_NE(u.ErrorText().find("does not send parts"), std::string::npos) << u.ErrorText();
}

TEST(Transfer, ProbeTimeOutRetriesThenFails) {
    TestServer server;
    TempFolder tmp;
    Route stall;
    stall.body = "x";
    stall.stallMs = 5000;
    server.Set("/stall.dat", stall);
    Recorder rec;
    Transfer t(&rec);
    t.options.probeTimeoutMs = 300;
    t.options.tfRetry = true;
    t.options.intRetries = 2;
    t.ExecuteDownload(server.Url("/stall.dat"), tmp / "s.dat");
    EXPECT_FALSE(t.RunToEnd(20000));
    EXPECT_EQ(t.RetryCount(), 3);  // intRetries + 1 retries, then it gives up
    EXPECT_EQ(server.Requests().size(), 4u);
    ASSERT_EQ(rec.errors.size(), 1u);
    EXPECT_NE(rec.errors[0].find("Connection has timed out."), std::string::npos);
    // The next transfer in the same window gets its retries again.
    server.ClearRequests();
    t.ExecuteDownload(server.Url("/stall.dat"), tmp / "s.dat");
    EXPECT_FALSE(t.RunToEnd(20000));
    EXPECT_EQ(server.Requests().size(), 4u);
}

TEST(Transfer, AStalledSegmentIsReconnectedThenGivenUp) {
    TestServer server;
    TempFolder tmp;
    Route stall;
    stall.body = PatternBytes(1000);
    stall.stallMs = 5000;
    stall.stallAfterHead = true;
    server.Set("/stall.dat", stall);
    Recorder rec;
    Transfer t(&rec);
    t.options.stallTimeoutMs = 300;
    t.options.maxReconnects = 2;
    t.ExecuteDownload(server.Url("/stall.dat"), tmp / "s.dat");
    const unsigned long long start = GetTickCount64();
    EXPECT_FALSE(t.RunToEnd(20000));
    EXPECT_LT(GetTickCount64() - start, 5000u);
    EXPECT_EQ(SegmentRanges(server).size(), 3u);  // the first try and two reconnects
    EXPECT_TRUE(t.DownloadError());
}

TEST(Transfer, ASlowTrickleIsNotAStall) {
    TestServer server;
    TempFolder tmp;
    Route slow;
    slow.body = PatternBytes(30000, 4);
    slow.trickleBytes = 1000;
    slow.trickleDelayMs = 40;
    server.Set("/slow.dat", slow);
    Transfer t;
    t.options.stallTimeoutMs = 400;
    t.ExecuteDownload(server.Url("/slow.dat"), tmp / "slow.dat");
    std::vector<std::uint64_t> seen;
    while (t.Step(50)) seen.push_back(t.GetReceivedTotal());
    ASSERT_EQ(t.outcome(), Outcome::Complete) << t.ErrorText();
    EXPECT_TRUE(base::ReadWhole(tmp / "slow.dat") == slow.body);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_GT(std::count_if(seen.begin(), seen.end(), [](std::uint64_t v) { return v > 0 && v < 30000; }), 5);
}

TEST(Transfer, ThroughAProxyWithAndWithoutCredentials) {
    TestServer proxy;  // answers absolute-form requests as a proxy would
    TempFolder tmp;
    const std::string file = PatternBytes(10000, 8);
    proxy.SetFile("/updates/defs.dat", file);
    for (bool credentials : {false, true}) {
        proxy.ClearRequests();
        Transfer t;
        t.options.proxy = Proxy{true, "127.0.0.1", std::to_string(proxy.port()), credentials ? "user" : "",
                                credentials ? "pass" : ""};
        t.ExecuteDownload("http://update.corvane.example/updates/defs.dat", tmp / "d.dat");
        ASSERT_TRUE(t.RunToEnd(10000)) << t.ErrorText();
        EXPECT_TRUE(base::ReadWhole(tmp / "d.dat") == file);
        const std::vector<std::string> requests = proxy.Requests();
        ASSERT_EQ(requests.size(), 2u);
        const std::string auth = credentials ? "Basic dXNlcjpwYXNz" : "Basic Og==";
        for (const std::string& r : requests) {
            EXPECT_EQ(r.rfind("GET http://update.corvane.example/updates/defs.dat HTTP/1.1\r\n", 0), 0u) << r;
            EXPECT_NE(r.find("Host: update.corvane.example\r\n"), std::string::npos) << r;
            EXPECT_NE(r.find("Proxy-Authorization: " + auth + "\r\n"), std::string::npos) << r;
        }
    }
    Transfer bad;
    bad.options.proxy = Proxy{true, "127.0.0.1", "port", "", ""};
    EXPECT_THROW(bad.ExecuteDownload("http://x/y", tmp / "y"), base::RuntimeError);
    EXPECT_FALSE(bad.Downloading());
}

TEST(Transfer, RefusedConnectionsEndTheTransferAndNothingLeaksIntoTheNextRun) {
    TempFolder tmp;
    int freePort = 0;
    {
        TestServer gone;
        freePort = gone.port();
    }
    Recorder rec;
    Transfer t(&rec);
    t.ExecuteDownload("http://127.0.0.1:" + std::to_string(freePort) + "/f.dat", tmp / "f.dat");
    EXPECT_FALSE(t.RunToEnd(10000));
    EXPECT_FALSE(t.Downloading());  // no wait for ever
    EXPECT_TRUE(t.DownloadError());
    ASSERT_EQ(rec.errors.size(), 1u);
    EXPECT_EQ(rec.errors[0].rfind("Error in connection|", 0), 0u) << rec.errors[0];

    TestServer server;
    server.SetFile("/f.dat", "fine");
    t.ExecuteDownload(server.Url("/f.dat"), tmp / "f.dat");
    EXPECT_TRUE(t.RunToEnd(10000));
    EXPECT_FALSE(t.DownloadError());
    EXPECT_FALSE(t.Stopped());
    EXPECT_EQ(t.ErrorText(), "");
    EXPECT_EQ(base::ReadWhole(tmp / "f.dat"), "fine");

    // A stop mid-way leaves the partial file; the next run starts clean.
    Route slow;
    slow.body = PatternBytes(50000);
    slow.trickleBytes = 500;
    slow.trickleDelayMs = 20;
    server.Set("/slow.dat", slow);
    t.ExecuteDownload(server.Url("/slow.dat"), tmp / "slow.dat");
    while (t.Step(20) && t.GetReceivedTotal() < 2000) {
    }
    t.StopDown();
    EXPECT_TRUE(t.Stopped());
    EXPECT_FALSE(t.Downloading());
    const std::string partial = base::ReadWhole(tmp / "slow.dat");
    EXPECT_GE(partial.size(), 2000u);
    EXPECT_TRUE(partial == slow.body.substr(0, partial.size()));
    t.ExecuteDownload(server.Url("/f.dat"), tmp / "f.dat");
    EXPECT_TRUE(t.RunToEnd(10000));
    EXPECT_FALSE(t.Stopped());
}
