// The guards at scale: the start with 1,000 Run values, a Startup folder and 2,000 favourites, and one
// check of that Run key against its snapshot, through the snapshot index and through the plain walk
// that rereads the snapshot for every value. Puts back every value and file it makes.
//   monitors_benchmark.exe [values] [favourites]
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "../tests/GuardFixture.h"
#include "base/ProgramFolder.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "core/IniFiles.h"
#include "core/RegistryModule.h"
#include "core/SpecialFolders.h"
#include "monitors/modMonitors.h"

namespace {

double Ms(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from).count();
}

// The walk as first described: each value looked up by reading the snapshot's entries one by one.
int PlainCheck(const std::vector<std::string>& names, const std::string& snapshot) {
    const int last = std::atoi(modMain::GetPrivateStringValue2("STUPC", "HCURUN", snapshot).c_str());
    int unknown = 0;
    for (const auto& name : names) {
        bool found = false;
        for (int i = 0; i <= last && !found; ++i)
            found = base::EqualsNoCase(
                modMain::GetPrivateStringValue2("Values", "HCURUNK" + std::to_string(i), snapshot), name);
        unknown += !found;
    }
    return unknown;
}

}  // namespace

int main(int argc, char** argv) {
    const int values = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int favourites = argc > 2 ? std::atoi(argv[2]) : 2000;
    testing_support::ScopedProgramFolder folder;
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dir = exe;
    dir.resize(dir.find_last_of('\\'));
    CopyFileA((dir + "\\Halvex.dll").c_str(), (folder / "Halvex.dll").c_str(), FALSE);
    gb_programsFolder = modMain::getFolderIDLocation(CSIDL_PROGRAMS);
    const std::string favFolder = folder / "Favorites";
    CreateDirectoryA(favFolder.c_str(), nullptr);
    gb_favoritesFolder = favFolder;
    for (int i = 0; i < favourites; ++i)
        base::WriteText(favFolder + "\\f" + std::to_string(i) + ".url",
                        "[InternetShortcut]\r\nURL=http://site" + std::to_string(i) + ".example/\r\n");

    const std::string stem = testing_support::UniqueName("CorvaneBench");
    std::vector<std::unique_ptr<monitors_testing::SavedValue>> saved;
    std::vector<std::string> names;
    for (int i = 0; i < values; ++i) {
        names.push_back(stem + std::to_string(i));
        saved.push_back(
            std::make_unique<monitors_testing::SavedValue>(HKEY_CURRENT_USER, modMonitors::kRunKey, names.back()));
        monitors_testing::SetString(HKEY_CURRENT_USER, modMonitors::kRunKey, names.back(),
                                    "C:\\bench\\" + std::to_string(i) + ".exe");
    }
    {
        monitors_testing::TestHost host;
        auto t = std::chrono::steady_clock::now();
        modMonitors::startStartupMonitor();
        modMonitors::startIEFavoriteMonitor();
        const double start = Ms(t);

        t = std::chrono::steady_clock::now();
        modMonitors::checkStartupRegsitry(modMonitors::kRunKey);
        modMonitors::checkIEFavoriteFolder();
        const double indexed = Ms(t);

        // The plain walk reads the snapshot once per entry for every value: a sample of the values is
        // enough to time it, the per-value figures compare.
        const size_t sample = std::min<size_t>(names.size(), 40);
        t = std::chrono::steady_clock::now();
        const int unknown = PlainCheck({names.begin(), names.begin() + sample},
                                       base::ProgramFilePath(modMonitors::kStartupRegistrySnapshot));
        const double plain = Ms(t);

        modMonitors::stopStartupMonitor();
        modMonitors::stopIEFavoriteMonitor();
        std::printf("guards' start (%d Run values, %d favourites): %.1f ms\n", values, favourites, start);
        const double indexedPer = indexed / (values + favourites);
        const double plainPer = sample > 0 ? plain / sample : 0.0;
        std::printf("check of the Run key and favourites through the index: %.1f ms (%zu alerts), %.3f ms a value\n",
                    indexed, host.popups.size(), indexedPer);
        std::printf("plain walk of the Run key's snapshot: %.1f ms for %zu values (%d unknown), %.3f ms a value\n",
                    plain, sample, unknown, plainPer);
        std::printf("ratio plain / indexed, per value: %.1f\n", indexedPer > 0 ? plainPer / indexedPer : 0.0);
        monitors_testing::PumpFor(200);
    }
    return 0;
}
