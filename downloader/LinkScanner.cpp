#include "downloader/LinkScanner.h"

#include <windows.h>

#include <cctype>

#include "base/Text.h"
#include "base/TextFile.h"
#include "downloader/Http.h"

namespace downloader {
namespace {

// A link that stays below the page's folder: relative, no drive, no "..", no empty segment.
bool SafeRelative(const std::string& link) {
    if (link.empty() || link[0] == '/' || link[0] == '\\' || link.find(':') != std::string::npos) return false;
    size_t start = 0;
    for (;;) {
        const size_t end = link.find_first_of("/\\", start);
        const std::string part = link.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.empty() || part == "..") return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

std::string ParentFolder(const std::string& path) {
    const size_t p = path.find_last_of("\\/");
    return p == std::string::npos ? std::string() : path.substr(0, p);
}

}  // namespace

std::string GetExtensionName(const std::string& link) {
    const size_t slash = link.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? link : link.substr(slash + 1);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : base::LCase(name.substr(dot + 1));
}

bool Wanted(const std::string& ext, const LinkFilter& f) {
    const bool onlyTxt = f.tfExtTXT && !f.tfExtGif && !f.tfExtAll;
    const bool onlyGif = f.tfExtGif && !f.tfExtTXT && !f.tfExtAll;
    if (onlyTxt && (ext == "gif" || ext == "jpeg")) return false;
    if (onlyGif && (ext == "txt" || ext == "htm" || ext == "html")) return false;
    if (!f.tfExtAll && ext != "txt" && ext != "htm" && ext != "html" && ext != "gif" && ext != "jpeg") return false;
    return true;
}

std::vector<SiteLink> CheckSite(const std::string& pageFile, const std::string& pageUrl, const std::string& strFile,
                                const LinkFilter& filter, std::set<std::string>& fetched) {
    std::vector<SiteLink> out;
    const std::string folder = ParentFolder(pageFile);
    for (std::string line : base::ReadLines(pageFile)) {
        for (;;) {
            const std::string lower = base::LCase(line);
            const size_t a = lower.find("src=\""), b = lower.find("href=\"");
            size_t cut;
            if (a != std::string::npos && (b == std::string::npos || a < b))
                cut = a + 5;
            else if (b != std::string::npos)
                cut = b + 6;
            else
                break;
            line = line.substr(cut);
            const size_t quote = line.find('"');
            if (quote == std::string::npos) break;  // no closing quote: the line ends here
            const std::string link = line.substr(0, quote);
            if (!Wanted(GetExtensionName(link), filter) || !SafeRelative(link)) continue;
            // Relative to the page's own folder (for a page at the server's root this is the
            // address up to strFile followed by the link).
            const std::string url = ResolveLocation(ParseUrl(pageUrl), link);
            if (fetched.count(url)) continue;
            std::string local = folder + "\\";
            for (char c : link) local += c == '/' ? '\\' : c;
            // Folders below the page's folder, as many levels as the link names.
            for (size_t p = folder.size() + 1; (p = local.find('\\', p)) != std::string::npos; ++p)
                ::CreateDirectoryA(local.substr(0, p).c_str(), nullptr);
            fetched.insert(url);
            out.push_back({link, url, local});
            break;  // the rest of the line is not scanned
        }
    }
    return out;
}

}  // namespace downloader
