// The results window with 5,000 rows: opening it (which reads the results file and fills the
// list) and closing it (which saves the file), measured in one run against the goals.
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/ProgramFolder.h"
#include "results/FindingList.h"
#include "results/ResultsFile.h"
#include "results/ScanResults.h"
#include "shell/frmResultBackup.h"

namespace {
double Seconds() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) / double(f.QuadPart);
}
}  // namespace

int main() {
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const std::string folder = std::string(tmp) + "corvane-results-bench-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    base::SetProgramFolderOverride(folder);

    results::FindingList rows;
    for (int i = 0; i < 5000; ++i) {
        results::Finding f;
        f.kind = i % 2 ? results::FindingKind::RegKey : results::FindingKind::RegValue;
        f.SpyType = "Spy " + std::to_string(i % 40);
        f.spyItem = "Software\\Vendor" + std::to_string(i) + "\\Settings";
        f.ItemToolTip = "HKEY_CURRENT_USER\\Software\\Vendor" + std::to_string(i) + "\\Settings";
        rows.Add(f);
    }
    const std::string file = results::ProgramResults().Path();
    double t0 = Seconds();
    results::saveListtoFile(rows, file);
    const double save = Seconds() - t0;

    t0 = Seconds();
    frmResultBackup.Load();
    frmResultBackup.Show(ui::vbModeless);
    const double open = Seconds() - t0;
    const int shown = results::Findings().Count();

    t0 = Seconds();
    frmResultBackup.Unload();
    const double close = Seconds() - t0;

    std::printf("rows: %d\n", shown);
    std::printf("save 5,000 rows:          %.3f s (goal < 0.2)\n", save);
    std::printf("open the window:          %.3f s (goal < 0.5)\n", open);
    std::printf("close (saves the file):   %.3f s (goal < 0.2)\n", close);
    DeleteFileA(file.c_str());
    RemoveDirectoryA((folder + "\\logs").c_str());
    RemoveDirectoryA(folder.c_str());
    return 0;
}
