#pragma once
// The HTTP layer of the download window, without sockets: the address parser, the request texts,
// the response-head reader and the status texts.
#include <cstdint>
#include <string>
#include <vector>

namespace downloader {

// What ParseUrl takes out of an address (the window's strServer, intPort, strFile, strFilePath
// and HTTPMODE).
struct UrlParts {
    std::string server;
    int port = 0;
    std::string file;      // path and file name without the leading "/", blanks as "%20"
    std::string filePath;  // the same with the leading "/"
    bool http = false;     // the address was an http:// address
};

// Addresses embedded in a browser error page ("res://...#http://...") or a local page are
// used; the authority is a host name with an optional ":port" (80 when none). An address
// without "http://" leaves server and file empty and port 0, with http false.
UrlParts ParseUrl(const std::string& url);
// The address again ("http://host[:port]/path").
std::string UrlOf(const UrlParts& u);
// A Location value made absolute against the address it answered (absolute, "/path" or relative).
std::string ResolveLocation(const UrlParts& current, const std::string& location);
// The file-name part of strFile (after its last "/" or "\").
std::string FileNameOf(const std::string& file);

// The proxy settings (the options window's "UseProxy", "ProxServer", "ProxPort", "ProxID",
// "ProxPass").
struct Proxy {
    bool use = false;
    std::string server;
    std::string port;  // text holding a number
    std::string id;
    std::string password;
};
// The proxy port as a number; throws base::RuntimeError 13 (type mismatch) for a port that is
// not a number, as the runtime's conversion does.
int ProxyPort(const Proxy& p);

// The probe asks for the first byte only: its answer tells the file's size (Content-Range, or
// Content-Length of a server that ignores ranges), and no body worth a mention follows. Through
// a proxy the request line carries the absolute address and the request carries the proxy
// credentials, as proxies need. `withRange` false leaves the Range line out (after a 416).
std::string ProbeRequest(const UrlParts& u, const Proxy& proxy, bool withRange = true);
// One segment's request for the bytes from..to (inclusive).
std::string SegmentRequest(const UrlParts& u, const Proxy& proxy, int index, std::uint64_t from, std::uint64_t to);

std::string Encode2Base64(const std::string& text);
// The status table; "SUCCESS" for every status it does not list.
std::string GetError(int status);
// The three characters after the first blank of a head, as a number; 0 when they are not one.
int GetStatusCode(const std::string& head);
// The value of header `name` (with its colon, as "Content-Length:") in a response head, matched
// in any letter case at the start of a line; blanks around the value are dropped. "" when absent.
std::string GETDATAHEAD(const std::string& head, const std::string& name);

struct ResponseHead {
    int status = 0;
    bool hasLength = false;
    std::uint64_t contentLength = 0;
    bool chunked = false;
    bool hasRange = false;  // Content-Range: bytes first-last/total
    std::uint64_t rangeFirst = 0, rangeLast = 0;
    bool hasTotal = false;
    std::uint64_t rangeTotal = 0;
    std::string location;
    std::string contentType;
};
// Reads a head (the text before CR LF CR LF). False for a head that is not an HTTP answer or
// whose numbers are malformed (a hostile or broken server gets no benefit of the doubt).
bool ParseResponseHead(const std::string& head, ResponseHead& out);

// Decodes a chunked body as it arrives.
class ChunkedDecoder {
public:
    // Appends the body bytes found in `data` to `out`; false on malformed framing.
    bool Feed(const char* data, size_t size, std::string& out);
    bool done() const { return state_ == State::Done; }

private:
    enum class State { Size, Data, DataEnd, Trailer, Done };
    State state_ = State::Size;
    std::string line_;
    std::uint64_t remaining_ = 0;
};

// The link in a page for a file name: the text from the last "src='" before the name up to the
// name's end, compared in any letter case; "" when the page names no such link.
std::string ExtractSrcAttribute(const std::string& page, const std::string& fileName);

}  // namespace downloader
