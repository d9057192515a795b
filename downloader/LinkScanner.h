#pragma once
// The page link scanner: the links of a saved page (double-quoted src= and href= values) whose
// file type is wanted, with the local path beside the page and the address to fetch each from.
#include <set>
#include <string>
#include <vector>

namespace downloader {

struct LinkFilter {
    bool tfExtTXT = false;  // text pages
    bool tfExtGif = false;  // pictures
    bool tfExtAll = false;  // every type
};

struct SiteLink {
    std::string link;       // the attribute's value
    std::string url;        // where it is fetched from
    std::string localPath;  // where it goes
};

// The extension of a link's last path part, lower-cased ("" when none).
std::string GetExtensionName(const std::string& link);
bool Wanted(const std::string& extension, const LinkFilter& filter);

// Scans the page file line by line: the first wanted new link of each line is taken (the rest of
// that line is not scanned); skipped links let the scan go on in the same line. `fetched` holds
// the addresses already taken (the window keeps it for the program's life). Links that would
// leave the page's folder (absolute paths, drive letters, "..") are never taken. Folders for
// the local paths are made below the page's folder. Throws base::RuntimeError when the page
// cannot be read. Links are fetched relative to the page's folder on the server.
std::vector<SiteLink> CheckSite(const std::string& pageFile, const std::string& pageUrl, const std::string& strFile,
                                const LinkFilter& filter, std::set<std::string>& fetched);

}  // namespace downloader
