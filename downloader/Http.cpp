#include "downloader/Http.h"

#include <algorithm>
#include <cctype>

#include "base/RuntimeError.h"
#include "base/Text.h"

namespace downloader {
namespace {

std::string Trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return {};
    size_t b = s.find_last_not_of(" \t");
    return s.substr(a, b - a + 1);
}

std::string Blanks(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == ' ')
            out += "%20";
        else
            out += c;
    }
    return out;
}

// Plain decimal digits only, within 64 bits.
bool ReadNumber(const std::string& text, std::uint64_t& value) {
    if (text.empty() || text.size() > 19) return false;
    std::uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    value = v;
    return true;
}

std::string HostHeader(const UrlParts& u) {
    // The default port stays off the header, as before; another port belongs in it.
    return u.port == 80 || u.port == 0 ? u.server : u.server + ":" + std::to_string(u.port);
}

std::string Target(const UrlParts& u, const Proxy& proxy) {
    if (proxy.use) return "http://" + HostHeader(u) + "/" + u.file;
    return "/" + u.file;
}

std::string ProxyCredentials(const Proxy& proxy) {
    return "Proxy-Authorization: Basic " + Encode2Base64(proxy.id + ":" + proxy.password) + "\r\n";
}

}  // namespace

UrlParts ParseUrl(const std::string& url) {
    UrlParts u;
    std::string s = url;
    const std::string lower = base::LCase(s);
    if (lower.rfind("res://", 0) == 0 || s.compare(1, 2, ":\\") == 0) {
        size_t p = base::LCase(s).find("http://");
        if (p != std::string::npos) s = s.substr(p);
        p = base::LCase(s).find("ftp://");
        if (p != std::string::npos) s = s.substr(p);
    }
    const size_t scheme = s.find("://");
    if (scheme != std::string::npos) s = s.substr(scheme + 3);
    if (lower.find("http://") == std::string::npos) return u;

    u.http = true;
    const size_t slash = s.find('/');
    std::string authority = slash == std::string::npos ? s : s.substr(0, slash);
    const std::string rest = slash == std::string::npos ? std::string() : s.substr(slash);
    const size_t at = authority.rfind('@');
    if (at != std::string::npos) authority = authority.substr(at + 1);  // user information is not ours to use
    u.port = 80;
    const size_t colon = authority.find(':');
    if (colon != std::string::npos) {
        std::uint64_t port = 0;
        if (ReadNumber(authority.substr(colon + 1), port) && port > 0 && port < 65536) u.port = static_cast<int>(port);
        authority = authority.substr(0, colon);
    }
    const size_t last = rest.rfind('/');
    std::string name = last == std::string::npos ? std::string() : rest.substr(last + 1);
    std::string directory = last == std::string::npos ? std::string() : rest.substr(0, last + 1);
    name = Blanks(name);
    directory = Blanks(directory);
    const std::string joined = directory + name;
    u.file = Trim(joined.empty() ? joined : joined.substr(1));
    u.filePath = Trim(directory) + Trim(name);
    u.server = Trim(authority);
    return u;
}

std::string UrlOf(const UrlParts& u) { return "http://" + HostHeader(u) + "/" + u.file; }

std::string ResolveLocation(const UrlParts& current, const std::string& location) {
    const std::string loc = Trim(location);
    if (base::LCase(loc).rfind("http://", 0) == 0 || base::LCase(loc).rfind("https://", 0) == 0) return loc;
    if (loc.rfind("//", 0) == 0) return "http:" + loc;
    if (!loc.empty() && loc[0] == '/') return "http://" + HostHeader(current) + loc;
    const size_t dir = current.filePath.rfind('/');
    const std::string base = dir == std::string::npos ? "/" : current.filePath.substr(0, dir + 1);
    return "http://" + HostHeader(current) + base + loc;
}

std::string FileNameOf(const std::string& file) {
    const size_t p = file.find_last_of("/\\");
    return p == std::string::npos ? file : file.substr(p + 1);
}

int ProxyPort(const Proxy& p) {
    std::uint64_t v = 0;
    if (!ReadNumber(Trim(p.port), v) || v == 0 || v > 65535) base::Raise(base::errTypeMismatch);
    return static_cast<int>(v);
}

std::string ProbeRequest(const UrlParts& u, const Proxy& proxy, bool withRange) {
    std::string r = "GET " + Target(u, proxy) + " HTTP/1.1\r\n";
    r += "Host: " + HostHeader(u) + "\r\n";
    if (withRange) r += "Range: bytes=0-0\r\n";
    r += "User-Agent: DM\r\n";
    r += "Referer: " + u.server + "\r\n";
    r += "Accept: *.*, */*\r\n";
    if (proxy.use) r += ProxyCredentials(proxy);
    r += "\r\n";
    return r;
}

std::string SegmentRequest(const UrlParts& u, const Proxy& proxy, int index, std::uint64_t from, std::uint64_t to) {
    std::string r = "GET " + Target(u, proxy) + " HTTP/1.1\r\n";
    r += "Host: " + HostHeader(u) + "\r\n";
    r += "Range: bytes=" + std::to_string(from) + "-" + std::to_string(to) + "\r\n";
    r += "User-Agent: IRDM Segment " + std::to_string(index) + "\r\n";
    r += "Accept:  */*\r\n";
    if (proxy.use) r += ProxyCredentials(proxy);
    r += "\r\n";
    return r;
}

std::string Encode2Base64(const std::string& text) {
    static const char kTable[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    for (; i + 2 < text.size(); i += 3) {
        const unsigned v = (p[i] << 16) | (p[i + 1] << 8) | p[i + 2];
        out += kTable[(v >> 18) & 63];
        out += kTable[(v >> 12) & 63];
        out += kTable[(v >> 6) & 63];
        out += kTable[v & 63];
    }
    if (i + 1 == text.size()) {
        const unsigned v = p[i] << 16;
        out += kTable[(v >> 18) & 63];
        out += kTable[(v >> 12) & 63];
        out += "==";
    } else if (i + 2 == text.size()) {
        const unsigned v = (p[i] << 16) | (p[i + 1] << 8);
        out += kTable[(v >> 18) & 63];
        out += kTable[(v >> 12) & 63];
        out += kTable[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

std::string GetError(int status) {
    switch (status) {
        case 400:
            return "HTTP 400-Bad Request";
        case 401:
            return "HTTP 401.x-You are not authorized to view this page";
        case 403:
            return "HTTP 403.x - Forbidden: Acess Denied";
        case 404:
            return "HTTP 404-Object Not Found";
        case 405:
            return "HTTP 405 - Resource Not Allowed";
        case 406:
            return "HTTP Error 406 - Not Acceptable";
        case 407:
            return "HTTP 407 - Proxy Authentication Required";
        case 410:
            return "HTTP Error 410 - Permanently not available";
        case 412:
            return "HTTP 412 - Precondition Failed";
        case 414:
            return "HTTP 414 - Request - URI Too Long";
        case 500:
            return "HTTP Error 500-Server Error - The server failed to fulfill an apparently valid request";
        case 501:
            return "Error 501 - Not implemented";
        case 502:
            return "HTTP 502 - Bad Gateway";
        default:
            return "SUCCESS";
    }
}

int GetStatusCode(const std::string& head) {
    const size_t blank = head.find(' ');
    const std::string code = blank == std::string::npos ? head.substr(0, 3) : head.substr(blank + 1, 3);
    std::uint64_t v = 0;
    if (code.size() != 3 || !ReadNumber(code, v)) return 0;
    return static_cast<int>(v);
}

std::string GETDATAHEAD(const std::string& head, const std::string& name) {
    const std::string want = base::LCase(name);
    size_t at = 0;
    while (at < head.size()) {
        size_t end = head.find("\r\n", at);
        if (end == std::string::npos) end = head.size();
        if (end - at >= want.size() && base::LCase(head.substr(at, want.size())) == want)
            return Trim(head.substr(at + want.size(), end - at - want.size()));
        at = end + 2;
    }
    return {};
}

bool ParseResponseHead(const std::string& head, ResponseHead& out) {
    out = ResponseHead{};
    if (head.rfind("HTTP/", 0) != 0) return false;
    out.status = GetStatusCode(head);
    if (out.status < 100 || out.status > 999) return false;
    const std::string length = GETDATAHEAD(head, "Content-Length:");
    if (!length.empty()) {
        if (!ReadNumber(length, out.contentLength)) return false;
        out.hasLength = true;
    }
    out.chunked = base::LCase(GETDATAHEAD(head, "Transfer-Encoding:")).find("chunked") != std::string::npos;
    if (out.chunked) out.hasLength = false;  // the framing wins over a length (RFC 7230 3.3.3)
    const std::string range = GETDATAHEAD(head, "Content-Range:");
    if (!range.empty()) {
        // "bytes first-last/total", "bytes first-last/*" or "bytes */total"
        if (base::LCase(range).rfind("bytes ", 0) != 0) return false;
        const std::string rangeText = Trim(range.substr(6));
        const size_t slash = rangeText.find('/');
        if (slash == std::string::npos) return false;
        const std::string span = rangeText.substr(0, slash), total = rangeText.substr(slash + 1);
        if (total != "*") {
            if (!ReadNumber(total, out.rangeTotal)) return false;
            out.hasTotal = true;
        }
        if (span != "*") {
            const size_t dash = span.find('-');
            if (dash == std::string::npos || !ReadNumber(span.substr(0, dash), out.rangeFirst) ||
                !ReadNumber(span.substr(dash + 1), out.rangeLast) || out.rangeLast < out.rangeFirst)
                return false;
            if (out.hasTotal && out.rangeLast >= out.rangeTotal) return false;
            out.hasRange = true;
        }
    }
    out.location = GETDATAHEAD(head, "Location:");
    out.contentType = base::LCase(GETDATAHEAD(head, "Content-Type:"));
    return true;
}

bool ChunkedDecoder::Feed(const char* data, size_t size, std::string& out) {
    size_t i = 0;
    while (i < size && state_ != State::Done) {
        switch (state_) {
            case State::Size:
            case State::Trailer: {
                const char c = data[i++];
                if (c != '\n') {
                    if (line_.size() > 1024) return false;
                    line_ += c;
                    break;
                }
                if (!line_.empty() && line_.back() == '\r') line_.pop_back();
                if (state_ == State::Trailer) {
                    if (line_.empty()) state_ = State::Done;
                    line_.clear();
                    break;
                }
                std::string digits = line_.substr(0, line_.find(';'));
                digits = Trim(digits);
                line_.clear();
                if (digits.empty() || digits.size() > 15) return false;
                std::uint64_t v = 0;
                for (char d : digits) {
                    int x = std::isdigit(static_cast<unsigned char>(d)) ? d - '0'
                            : (d >= 'a' && d <= 'f')                    ? d - 'a' + 10
                            : (d >= 'A' && d <= 'F')                    ? d - 'A' + 10
                                                                        : -1;
                    if (x < 0) return false;
                    v = v * 16 + static_cast<unsigned>(x);
                }
                remaining_ = v;
                state_ = v == 0 ? State::Trailer : State::Data;
                break;
            }
            case State::Data: {
                const size_t n = static_cast<size_t>(std::min<std::uint64_t>(remaining_, size - i));
                out.append(data + i, n);
                i += n;
                remaining_ -= n;
                if (remaining_ == 0) state_ = State::DataEnd;
                break;
            }
            case State::DataEnd: {
                const char c = data[i++];
                if (c == '\r') break;
                if (c != '\n') return false;
                state_ = State::Size;
                break;
            }
            case State::Done:
                break;
        }
    }
    return true;
}

std::string ExtractSrcAttribute(const std::string& page, const std::string& fileName) {
    if (fileName.empty()) return {};
    const std::string upperPage = base::UCase(page);
    const std::string upperName = base::UCase(fileName);
    const size_t a = upperPage.find(upperName);
    if (a == std::string::npos) return {};
    const size_t b = upperPage.rfind("SRC='", a);
    if (b == std::string::npos) return {};
    const std::string link = page.substr(b + 5, a + fileName.size() - (b + 5));
    if (link.find('\'') != std::string::npos) return {};  // the name lies outside that attribute
    return link;
}

}  // namespace downloader
