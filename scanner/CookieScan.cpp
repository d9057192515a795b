// The cookie phase: the cookie files of the current user's cookies folder against the cookie
// definitions.
#include <string>
#include <utility>
#include <vector>

#include "base/Handles.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "scanner/ScanEngine.h"

using base::UCase;

namespace scanner {
namespace {

// A folder the phase may list: a drive path or a network path. Without its Shell Folders value
// the cookies folder reads "\", which would be the root of whatever drive is current, and every
// text file there would become a cookie that the removal deletes.
// `folder` has no trailing backslash ("C:" for a drive's root).
bool IsAbsoluteFolder(const std::string& folder) {
    if (folder.size() >= 2 && ((folder[0] | 0x20) >= 'a' && (folder[0] | 0x20) <= 'z') && folder[1] == ':')
        return folder.size() == 2 || folder[2] == '\\';
    return folder.size() > 2 && folder[0] == '\\' && folder[1] == '\\';
}

bool EndsWithTxt(const std::string& name) { return name.size() >= 4 && UCase(name.substr(name.size() - 4)) == ".TXT"; }

// What the runtime's directory search with no attribute bits lists: files that are neither
// hidden nor system, no folders.
bool IsNormalListing(const WIN32_FIND_DATAA& e) {
    return !(e.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

}  // namespace

void ScanEngine::ScanCookie() {
    base::Trap("ScanCookie", [&] {
        if (gb_scanAborted) return;
        std::string folder = gb_cookiesFolder;
        while (!folder.empty() && folder.back() == '\\') folder.pop_back();
        if (!IsAbsoluteFolder(folder)) base::Raise(base::errPathNotFound);

        // The definitions as loaded: the text each name must hold, upper-cased once. A row
        // without a text would match every file.
        struct Pattern {
            std::string upper, spyType;
        };
        std::vector<Pattern> patterns;
        const base::ListItems& rows = lists.lstCookies.ListItems;
        for (int i = 1; i <= rows.Count(); ++i) {
            const base::ListItem& row = rows(i);
            std::string text = row.SubItems(2);
            if (UCase(row.Text) == "TRACKING COOKIE" && !text.empty())
                patterns.push_back({UCase(text), std::move(text)});
        }

        WIN32_FIND_DATAA fd;
        base::FindHandle find(FindFirstFileA((folder + "\\*").c_str(), &fd));
        if (!find) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return;  // an empty folder
            base::RaiseWin32(error);
        }
        do {
            YieldToMessages();
            if (gb_scanAborted) return;
            if (!IsNormalListing(fd)) continue;
            const std::string name = fd.cFileName;
            if (!EndsWithTxt(name)) continue;
            const std::string path = folder + "\\" + name;
            const std::string upperName = UCase(name);
            // Every definition is tried: a file matching two is recorded under both names.
            bool matched = false;
            for (const Pattern& p : patterns) {
                if (upperName.find(p.upper) == std::string::npos) continue;
                AddSpytoListview("Tracking Cookie", path, p.spyType, 3, path, "", "");
                matched = true;
            }
            if (!matched && gb_allCookies) AddSpytoListview("Tracking Cookie", path, "Other", 3, path, "", "");
        } while (FindNextFileA(find.get(), &fd));
        // A listing cut short is an error, not the end of the folder.
        const DWORD error = GetLastError();
        if (error != ERROR_NO_MORE_FILES) base::RaiseWin32(error);
    });
}

}  // namespace scanner
