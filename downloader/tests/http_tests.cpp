// The HTTP layer: the address parser, the request texts byte for byte, the answer's head, and
// each answer of the test server as the probe and the segments see it.
#include <gtest/gtest.h>

#include "base/RuntimeError.h"
#include "downloader/Http.h"

using namespace downloader;

TEST(ParseUrl, Table) {
    struct Row {
        const char* url;
        const char* server;
        int port;
        const char* file;
        const char* filePath;
        bool http;
    };
    const Row rows[] = {
        {"http://host/dir/my file.dat", "host", 80, "dir/my%20file.dat", "/dir/my%20file.dat", true},
        {"HTTP://Host/updates/defs.dat", "Host", 80, "updates/defs.dat", "/updates/defs.dat", true},
        {"res://ieframe.dll/dnserror.htm#http://host/a/b.txt", "host", 80, "a/b.txt", "/a/b.txt", true},
        {"C:\\pages\\saved.htm http://host/x.zip", "host", 80, "x.zip", "/x.zip", true},
        {"ftp://host/pub/file.zip", "", 0, "", "", false},
        {"http://127.0.0.1:8080/updates/version", "127.0.0.1", 8080, "updates/version", "/updates/version", true},
        {"http://user:pw@host:81/f", "host", 81, "f", "/f", true},
        {"http://host:notaport/f", "host", 80, "f", "/f", true},
        {"http://host", "host", 80, "", "", true},  // no path: nothing to fetch
    };
    for (const Row& r : rows) {
        const UrlParts u = ParseUrl(r.url);
        EXPECT_EQ(u.server, r.server) << r.url;
        EXPECT_EQ(u.port, r.port) << r.url;
        EXPECT_EQ(u.file, r.file) << r.url;
        EXPECT_EQ(u.filePath, r.filePath) << r.url;
        EXPECT_EQ(u.http, r.http) << r.url;
    }
}

TEST(ResolveLocation, AbsoluteRootedAndRelative) {
    const UrlParts u = ParseUrl("http://host:81/dir/sub/file.dat");
    EXPECT_EQ(ResolveLocation(u, "http://other/x"), "http://other/x");
    EXPECT_EQ(ResolveLocation(u, "/top.dat"), "http://host:81/top.dat");
    EXPECT_EQ(ResolveLocation(u, "near.dat"), "http://host:81/dir/sub/near.dat");
    EXPECT_EQ(ResolveLocation(u, "//cdn/x"), "http://cdn/x");
}

TEST(Requests, ByteExactDirectAndThroughAProxy) {
    const UrlParts u = ParseUrl("http://host/dir/my file.dat");
    Proxy none;
    EXPECT_EQ(ProbeRequest(u, none),
              "GET /dir/my%20file.dat HTTP/1.1\r\nHost: host\r\nRange: bytes=0-0\r\nUser-Agent: DM\r\n"
              "Referer: host\r\nAccept: *.*, */*\r\n\r\n");
    EXPECT_EQ(ProbeRequest(u, none, false),
              "GET /dir/my%20file.dat HTTP/1.1\r\nHost: host\r\nUser-Agent: DM\r\nReferer: host\r\n"
              "Accept: *.*, */*\r\n\r\n");
    EXPECT_EQ(SegmentRequest(u, none, 0, 0, 999),
              "GET /dir/my%20file.dat HTTP/1.1\r\nHost: host\r\nRange: bytes=0-999\r\n"
              "User-Agent: IRDM Segment 0\r\nAccept:  */*\r\n\r\n");
    EXPECT_EQ(SegmentRequest(u, none, 5, 6000000000ull, 6000000009ull),
              "GET /dir/my%20file.dat HTTP/1.1\r\nHost: host\r\nRange: bytes=6000000000-6000000009\r\n"
              "User-Agent: IRDM Segment 5\r\nAccept:  */*\r\n\r\n");

    Proxy anonymous{true, "proxy", "3128", "", ""};
    EXPECT_EQ(SegmentRequest(u, anonymous, 2, 3, 5),
              "GET http://host/dir/my%20file.dat HTTP/1.1\r\nHost: host\r\nRange: bytes=3-5\r\n"
              "User-Agent: IRDM Segment 2\r\nAccept:  */*\r\nProxy-Authorization: Basic Og==\r\n\r\n");
    Proxy user{true, "proxy", "3128", "user", "pass"};
    EXPECT_EQ(ProbeRequest(u, user),
              "GET http://host/dir/my%20file.dat HTTP/1.1\r\nHost: host\r\nRange: bytes=0-0\r\nUser-Agent: DM\r\n"
              "Referer: host\r\nAccept: *.*, */*\r\nProxy-Authorization: Basic dXNlcjpwYXNz\r\n\r\n");
    const UrlParts other = ParseUrl("http://host:8080/f.dat");
    EXPECT_EQ(SegmentRequest(other, user, 0, 0, 0),
              "GET http://host:8080/f.dat HTTP/1.1\r\nHost: host:8080\r\nRange: bytes=0-0\r\n"
              "User-Agent: IRDM Segment 0\r\nAccept:  */*\r\nProxy-Authorization: Basic dXNlcjpwYXNz\r\n\r\n");
}

TEST(Base64, Rfc4648Vectors) {
    const std::pair<const char*, const char*> rows[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {":", "Og=="},
        {"foobar", "Zm9vYmFy"},
        {"user:pass", "dXNlcjpwYXNz"},
        {"\xff\xfe", "//4="},
    };
    for (const auto& [in, out] : rows) EXPECT_EQ(Encode2Base64(in), out) << in;
}

TEST(StatusTexts, TableAndSuccess) {
    EXPECT_EQ(GetError(404), "HTTP 404-Object Not Found");
    EXPECT_EQ(GetError(407), "HTTP 407 - Proxy Authentication Required");
    EXPECT_EQ(GetError(502), "HTTP 502 - Bad Gateway");
    for (int ok : {200, 206, 301, 416, 503, 0}) EXPECT_EQ(GetError(ok), "SUCCESS") << ok;
    EXPECT_EQ(GetStatusCode("HTTP/1.1 206 Partial"), 206);
    EXPECT_EQ(GetStatusCode("HTTP/1.1 2x6 Partial"), 0);
    EXPECT_EQ(GetStatusCode("HTTP/1.1"), 0);
}

TEST(ResponseHeads, HeadersInAnyCaseAndHostileNumbers) {
    EXPECT_EQ(GETDATAHEAD("HTTP/1.1 200 OK\r\ncontent-length:  12 \r\nX: y", "Content-Length:"), "12");
    EXPECT_EQ(GETDATAHEAD("HTTP/1.1 200 OK\r\nX-Content-Length: 5\r\n", "Content-Length:"), "");
    ResponseHead h;
    ASSERT_TRUE(ParseResponseHead("HTTP/1.1 206 Partial\r\nContent-Range: bytes 0-0/65536\r\nContent-Length: 1", h));
    EXPECT_TRUE(h.hasRange && h.hasTotal);
    EXPECT_EQ(h.rangeTotal, 65536u);
    ASSERT_TRUE(ParseResponseHead("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 9", h));
    EXPECT_TRUE(h.chunked);
    EXPECT_FALSE(h.hasLength);
    const char* bad[] = {
        "SSH-2.0-OpenSSH",
        "HTTP/1.1 200 OK\r\nContent-Length: -1",
        "HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999",
        "HTTP/1.1 200 OK\r\nContent-Length: 12abc",
        "HTTP/1.1 206 P\r\nContent-Range: bytes 5-2/10",
        "HTTP/1.1 206 P\r\nContent-Range: bytes 0-10/10",
        "HTTP/1.1 206 P\r\nContent-Range: pages 0-1/10",
    };
    for (const char* b : bad) EXPECT_FALSE(ParseResponseHead(b, h)) << b;
}

TEST(Chunked, DecodesAcrossBlockBordersAndRefusesBadFraming) {
    const std::string body = "5\r\nhello\r\n7;ext=1\r\n, world\r\n0\r\nTrailer: x\r\n\r\n";
    for (size_t step : {1u, 2u, 3u, 7u, 100u}) {
        ChunkedDecoder d;
        std::string out;
        for (size_t at = 0; at < body.size(); at += step)
            ASSERT_TRUE(d.Feed(body.data() + at, std::min(step, body.size() - at), out)) << step;
        EXPECT_TRUE(d.done()) << step;
        EXPECT_EQ(out, "hello, world") << step;
    }
    ChunkedDecoder d;
    std::string out;
    EXPECT_FALSE(d.Feed("zz\r\n", 4, out));
    ChunkedDecoder e;
    EXPECT_FALSE(e.Feed("2\r\nabX", 6, out));
}

TEST(ExtractSrcAttribute, FindsTheLinkOrNothing) {
    EXPECT_EQ(ExtractSrcAttribute("<IMG SRC='/img/logo.gif'>", "logo.gif"), "/img/logo.gif");
    EXPECT_EQ(ExtractSrcAttribute("<a src='x'>logo.gif</a>", "logo.gif"), "");  // name outside the quote
    EXPECT_EQ(ExtractSrcAttribute("no link to logo.gif here", "logo.gif"), "");
    EXPECT_EQ(ExtractSrcAttribute("<img src='a.gif'>", "logo.gif"), "");
}

TEST(ProxyPort, NumberOrTypeMismatch) {
    EXPECT_EQ(ProxyPort(Proxy{true, "p", "3128", "", ""}), 3128);
    for (const char* bad : {"", "80a", "0", "70000", "-1"}) {
        try {
            ProxyPort(Proxy{true, "p", bad, "", ""});
            ADD_FAILURE() << bad;
        } catch (const base::RuntimeError& e) {
            EXPECT_EQ(e.number(), base::errTypeMismatch) << bad;
        }
    }
}
