// Opens the System Guards window over 500 startup items, 200 helper objects and 1,000
// installed programs planted in the prefix (taken away again at the end) and prints how long
// the opening takes (lists read from the registry and the folders, the movie's lists sent)
// against the half-second it may take. The modules' version resources are read just after the
// opening (the window's timer); their time is printed apart.
//   sysguards_benchmark.exe [startup items] [helper objects] [programs]
#include <shlobj.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/ProgramFolder.h"
#include "core/SpecialFolders.h"
#include "guards/Bho.h"
#include "guards/InstalledPrograms.h"
#include "guards/Places.h"
#include "shell/frmMain.h"
#include "shell/frmSysGuards.h"

namespace {

const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string Guid(int i) {
    char buf[40];
    snprintf(buf, sizeof buf, "{C0A7B3E1-5D2F-4A6B-9C8D-%012d}", i);
    return buf;
}

std::string Sz(const std::string& s) { return s + '\0'; }

}  // namespace

int main(int argc, char** argv) {
    const int items = argc > 1 ? std::atoi(argv[1]) : 500;
    const int bhos = argc > 2 ? std::atoi(argv[2]) : 200;
    const int programs = argc > 3 ? std::atoi(argv[3]) : 1000;
    const int shortcuts = items / 10;
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string folder = self;
    folder = folder.substr(0, folder.rfind('\\'));
    const std::string module = folder.substr(0, folder.rfind('\\')) + "\\core\\core_test_helper.exe";
    std::string startup = modMain::CheckFolderID(CSIDL_STARTUP);
    while (!startup.empty() && startup.back() == '\\') startup.pop_back();
    const std::string programFolder = folder.substr(0, folder.rfind('\\')) + "\\program";
    base::SetProgramFolderOverride(programFolder);

    for (int i = 0; i < items - shortcuts; ++i)
        guards::WriteRawValue(HKEY_CURRENT_USER, kRun, "CorvaneBench" + std::to_string(i),
                              {REG_SZ, Sz("C:\\Program Files\\Bench\\app" + std::to_string(i) + ".exe /run")});
    guards::ShortcutInfo link;
    link.target = "C:\\windows\\notepad.exe";
    link.arguments = "/bench";
    for (int i = 0; i < shortcuts; ++i)
        guards::WriteShortcut(startup + "\\CorvaneBench" + std::to_string(i) + ".lnk", link);
    // Each helper object has a module of its own, as on a real machine.
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string modules = std::string(temp) + "corvane-bench-modules";
    CreateDirectoryA(modules.c_str(), nullptr);
    auto modulePath = [&](int i) { return modules + "\\helper" + std::to_string(i) + ".dll"; };
    for (int i = 0; i < bhos; ++i) {
        const std::string c = Guid(i);
        CopyFileA(module.c_str(), modulePath(i).c_str(), FALSE);
        guards::WriteRawValue(HKEY_LOCAL_MACHINE, std::string(guards::kBhoKey) + "\\" + c, "",
                              {REG_SZ, Sz("Bench Helper")});
        guards::WriteRawValue(HKEY_CLASSES_ROOT, "CLSID\\" + c + "\\InprocServer32", "", {REG_SZ, Sz(modulePath(i))});
    }
    for (int i = 0; i < programs; ++i) {
        const std::string k = std::string(guards::kUninstallKey) + "CorvaneBench" + std::to_string(i);
        guards::WriteRawValue(HKEY_LOCAL_MACHINE, k, "DisplayName", {REG_SZ, Sz("Bench Program " + std::to_string(i))});
        guards::WriteRawValue(HKEY_LOCAL_MACHINE, k, "UninstallString", {REG_SZ, Sz("C:\\bench\\uninst.exe")});
    }

    auto timed = [](auto&& f) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    };
    const double places = timed([] { guards::ReadStartupPlaces(); });
    const double helpers = timed([] { guards::SetBHOIntoList(); });
    const double installed = timed([] { guards::LoadInstalledPrograms(); });
    frmMain.Load();
    double best = 1e9, versions = 0;
    size_t rows[3] = {};
    for (int run = 0; run < 3; ++run) {
        const auto t0 = std::chrono::steady_clock::now();
        frmSysGuards.Load();
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        best = s < best ? s : best;
        rows[0] = frmSysGuards.startupItems.Rows().size();
        rows[1] = frmSysGuards.bhoItems.Rows().size();
        rows[2] = frmSysGuards.addRemove.size();
        versions = timed([] { frmSysGuards.bhoItems.FillVersions(); });
        frmSysGuards.Unload();
    }
    frmMain.Unload();

    for (int i = 0; i < items - shortcuts; ++i)
        guards::DeleteValueIfPresent(HKEY_CURRENT_USER, kRun, "CorvaneBench" + std::to_string(i));
    for (int i = 0; i < shortcuts; ++i) DeleteFileA((startup + "\\CorvaneBench" + std::to_string(i) + ".lnk").c_str());
    for (int i = 0; i < bhos; ++i) {
        guards::DeleteKeyTree(HKEY_LOCAL_MACHINE, std::string(guards::kBhoKey) + "\\" + Guid(i));
        guards::DeleteKeyTree(HKEY_CLASSES_ROOT, "CLSID\\" + Guid(i));
        DeleteFileA(modulePath(i).c_str());
    }
    RemoveDirectoryA(modules.c_str());
    for (int i = 0; i < programs; ++i)
        guards::DeleteKeyTree(HKEY_LOCAL_MACHINE,
                              std::string(guards::kUninstallKey) + "CorvaneBench" + std::to_string(i));

    std::printf("System Guards window opened over %zu startup rows, %zu helper objects, %zu programs\n", rows[0],
                rows[1], rows[2]);
    std::printf("engine alone: startup places %.3f s, helper objects with versions %.3f s, installed programs %.3f s\n",
                places, helpers, installed);
    std::printf("the helper objects' version resources, read after the window is open: %.3f s\n", versions);
    std::printf("best of 3: %.3f s; budget 0.500 s; ratio budget/time %.2f\n", best, 0.5 / best);
    return best <= 0.5 ? 0 : 1;
}
