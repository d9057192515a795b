#include "downloader/Update.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>

#include "base/RuntimeError.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Trap.h"
#include "components/crypto/Encryptor.h"
#include "core/modMain.h"
#include "definitions/DefinitionsSignature.h"
#include "definitions/DefinitionsStore.h"
#include "downloader/Socket.h"

namespace downloader {
namespace {

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return {};
    return s.substr(a, s.find_last_not_of(" \t\r\n") - a + 1);
}
std::string Breaks(std::string s) {
    std::string out;
    for (char c : s) {
        if (c == '#')
            out += "\r\n";
        else
            out += c;
    }
    return out;
}
void ForceDelete(const std::string& path) {
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path.c_str());
}
// Steps the transfer until it ends; the window's own events (its stop button) run between.
// The update number a definitions text carries ("" when it has none).
std::string DefinitionsNumber(const std::string& text) {
    std::string key;
    return modDefinitions::DecryptDefString(
        modDefinitions::LookupPlain(text, "SETTINGS", "UPDATE-FILE-NUMBER", "").value, key);
}
// Update numbers are whole numbers; texts that are not cannot be ordered and are never older.
bool IsOlder(const std::string& a, const std::string& b) {
    auto number = [](const std::string& t) -> std::optional<unsigned long long> {
        const std::string s = Trim(t);
        if (s.empty() || s.size() > 18 || s.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
        return std::stoull(s);
    };
    const auto x = number(a), y = number(b);
    return x && y && *x < *y;
}
// The most a download of the update may hold: a server that announces more (or streams more)
// would fill the disk before the file could be refused.
std::uint64_t DownloadBound(const std::string& installedDefinitions) {
    const std::uint64_t installed = base::FileExists(installedDefinitions) ? base::FileLength(installedDefinitions) : 0;
    return std::max<std::uint64_t>(16 * installed, kMinDownloadBound);
}
std::string Kept(UpdateWindow& w) { return w.Message("1173", "The installed definitions are kept."); }
void Wait(Transfer& t, UpdateWindow& w) {
    while (t.Downloading()) {
        t.Step(20);
        w.Pump();
    }
}

}  // namespace

std::string NoConnectionText(UpdateWindow& w, const std::string& host) {
    return Breaks(w.Message("1114", "There is no internet connection, please downlaod this file manually at # " + host +
                                        "/updates/defs.dat # then replace it with the file adjacent to the exe file in "
                                        "the program files directory."));
}

UpdateResult RunUpdate(Transfer& t, UpdateWindow& w, const UpdateSite& site) {
    return base::Trap("cmdStartUpdate_Click", UpdateResult::Trapped, [&] {
        FetchOptions fetch;
        fetch.proxy = site.proxy;
        fetch.timeoutMs = site.fetchTimeoutMs;
        const std::string v = OpenURL(site.Address("/updates/version"), fetch);
        if (v.empty()) {
            w.ShowMessage(NoConnectionText(w, site.host));
            w.HideWindow();
            return UpdateResult::NoConnection;
        }
        const std::string installed =
            modDefinitions::updateListfromINI("SETTINGS", "UPDATE-FILE-NUMBER").value_or(std::string());
        if (base::UCase(Trim(v)) == base::UCase(Trim(installed))) {
            w.ShowMessage(w.Message("1120", "You have the latest update"));
            w.HideWindow();
            return UpdateResult::Latest;
        }
        const std::string folder = modMain::FullPath_With_Filename("Update");
        if (!base::FolderExists(folder) && !::CreateDirectoryA(folder.c_str(), nullptr))
            base::Raise(base::RuntimeErrorFromWin32(::GetLastError()));
        w.DisableStart();

        const std::string newDefs = modMain::FullPath_With_Filename("update\\defs.dat");
        const std::string newNews = modMain::FullPath_With_Filename("update\\news.txt");
        t.options.proxy = site.proxy;
        t.options.maxFileSize = DownloadBound(modMain::FullPath_With_Filename("defs.dat"));
        // Each download's own end decides; nothing of an earlier run counts. The first that does
        // not complete ends the update, and nothing of it stays.
        std::uint64_t announced = 0;
        for (const auto& [name, target] : {std::pair<const char*, std::string>{"defs.dat", newDefs},
                                           std::pair<const char*, std::string>{"News.txt", newNews}}) {
            t.ExecuteDownload(site.Address(std::string("/updates/") + name), target);
            Wait(t, w);
            if (t.outcome() != Outcome::Complete) {
                ForceDelete(newDefs);
                ForceDelete(newNews);
                if (t.outcome() == Outcome::Stopped) {
                    w.ShowMessage(w.Message("1170", "The update was stopped.") + "\r\n" + Kept(w));
                } else {
                    const std::string why = t.ErrorText().empty() ? "the transfer did not end" : t.ErrorText();
                    modMain::LogError(std::to_string(errDownloadFailed), std::string(name) + ": " + why,
                                      "cmdStartUpdate_Click");
                    w.ShowMessage(w.Message("1171", "The update failed") + ": " + name + " " +
                                  w.Message("1172", "could not be downloaded") + " (" + why + ").\r\n" + Kept(w));
                }
                w.HideWindow();
                return UpdateResult::DownloadFailed;
            }
            if (target == newDefs) announced = t.TotalSize();
        }

        // Nothing replaces the working defs.dat unless it is whole, intact, ours, newer than the
        // installed one and the version announced: a replayed older file is as unwelcome as a
        // forged one.
        auto refuse = [&](long number, const std::string& logged, const std::string& shown) {
            modMain::LogError(std::to_string(number), logged, "cmdStartUpdate_Click");
            ForceDelete(newDefs);
            ForceDelete(newNews);
            w.ShowMessage(shown);
            w.HideWindow();
        };
        auto refusal = [](const std::string& why) {
            return "The downloaded definitions were refused: " + why + ".\r\nThe installed definitions are kept.";
        };
        std::string got;
        try {
            if (base::FileLength(newDefs) != announced)
                base::Raise(crypto::errDamagedFile, "The downloaded definitions database is incomplete");
            got = Trim(DefinitionsNumber(modDefinitions::VerifyDefinitionsFile(newDefs)));
        } catch (const base::RuntimeError& e) {
            refuse(e.number(), e.description(), refusal(e.description()));
            return UpdateResult::Refused;
        }
        const std::string have = Trim(installed), announcedNumber = Trim(v);
        const bool same = !got.empty() && base::UCase(got) == base::UCase(have);
        if (!same && IsOlder(got, have)) {
            refuse(
                errOlderDefinitions, "Version " + got + " is older than the installed version " + have,
                refusal(w.Message("1149", "they are older than the installed ones") + " (" + got + " < " + have + ")"));
            return UpdateResult::Refused;
        }
        if (!same && base::UCase(got) != base::UCase(announcedNumber)) {
            refuse(errUnannouncedDefinitions, "Version " + got + " is not the announced version " + announcedNumber,
                   refusal(w.Message("1150", "they are not the version the server announced") + " (" + got + " <> " +
                           announcedNumber + ")"));
            return UpdateResult::Refused;
        }
        if (same) {
            // The server sent the definitions already installed: nothing to do.
            ForceDelete(newDefs);
            ForceDelete(newNews);
            w.ShowMessage(w.Message("1120", "You have the latest update"));
            w.HideWindow();
            return UpdateResult::Latest;
        }
        const std::string defsDat = modMain::FullPath_With_Filename("defs.dat");
        if (!::MoveFileExA(newDefs.c_str(), defsDat.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            // defs.dat held open by another program, read-only, ...: the installed file stays, the
            // download goes, and the user may try again.
            const base::RuntimeError e(base::RuntimeErrorFromWin32(::GetLastError()));
            refuse(e.number(), e.description() + ": " + defsDat,
                   w.Message("1151", "The new definitions could not be installed") + ": " + defsDat + ": " +
                       e.description() + ".\r\nThe installed definitions are kept.");
            w.EnableStart();
            return UpdateResult::InstallFailed;
        }
        // Nothing reads news.txt: a news file that cannot be replaced does not undo the update.
        const std::string newsTxt = modMain::FullPath_With_Filename("news.txt");
        if (!::MoveFileExA(newNews.c_str(), newsTxt.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            const base::RuntimeError e(base::RuntimeErrorFromWin32(::GetLastError()));
            modMain::LogError(std::to_string(e.number()), e.description() + ": " + newsTxt, "cmdStartUpdate_Click");
            ForceDelete(newNews);
        }
        modDefinitions::LoadDefinitions();
        w.DefinitionsInstalled();
        w.ShowMessage(w.Message("1121", "Update completed sucessfully."));
        w.HideWindow();
        return UpdateResult::Installed;
    });
}

std::string RunningVersionText(int major, int minor, int revision) {
    return std::to_string(major) + "." + std::to_string(minor) + ".0." + std::to_string(revision);
}

bool CheckNewVerAvailable(const UpdateSite& site, const std::string& runningVersion, UpdateWindow& w,
                          const std::function<void(const std::string&)>& openPage) {
    return base::Trap("CheckNewVerAvailable", false, [&] {
        FetchOptions fetch;
        fetch.proxy = site.proxy;
        fetch.timeoutMs = site.fetchTimeoutMs;
        const std::string p = OpenURL(site.Address("/updates/ProgVer"), fetch);
        if (p.empty()) return false;
        if (base::UCase(Trim(p)) == base::UCase(Trim(runningVersion))) return false;
        w.ShowMessage(w.Message("1147", "There is a new version of Corvane available."));
        if (openPage) openPage(kDownloadPage);
        return true;
    });
}

}  // namespace downloader
