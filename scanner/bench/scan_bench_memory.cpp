// The memory phase's matcher: 300 listed processes against 2,000 memory definitions, through the
// name index and through the comparison of every definition with every process.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "base/ErrorLog.h"
#include "base/ProgramFolder.h"
#include "definitions/DefinitionsPacker.h"
#include "definitions/DefinitionsStore.h"
#include "definitions/StringCipher.h"
#include "results/FindingList.h"
#include "scanner/ScanEngine.h"
#include "scanner/bench/ScanBench.h"

namespace scanbench {
namespace {

double Now() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(f.QuadPart);
}

struct Run {
    double seconds;
    std::vector<std::string> rows;
};

Run Match(scanner::ScanEngine& engine, bool reference) {
    engine.useReferenceMatchers = reference;
    results::FindingList findings;
    engine.SetFindings(&findings);
    engine.Reset();
    engine.ResetCounters();
    const double t0 = Now();
    engine.UpdateMemoryList();
    const double t1 = Now();
    Run r{t1 - t0, {}};
    const base::ListItems& rows = std::as_const(findings).Rows();
    for (int i = 1; i <= rows.Count(); ++i)
        r.rows.push_back(rows(i).Text + "|" + rows(i).SubItems(1) + "|" + rows(i).SubItems(2) + "|" +
                         rows(i).ToolTipText);
    engine.SetFindings(nullptr);
    return r;
}

}  // namespace

int MemorySection() {
    const int processes = 300, definitions = 2000;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "corvane-bench-memory-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "\\logs").c_str(), nullptr);
    base::SetProgramFolderOverride(folder);
    base::InstallErrorLog();
    if (!modEncryption::Encryptor()) modEncryption::LoadEncryption();

    std::string source = "[MEMA]\n";
    for (int d = 0; d < definitions; ++d)
        source += "MEMAF" + std::to_string(d) + "=tool" + std::to_string(d * 7 % 4000) + ".exe\nMEMAT" +
                  std::to_string(d) + "=Spy " + std::to_string(d) + "\n";
    modDefinitions::SetDefinitionsText(modDefinitions::ScrambleDefinitionsSource(source));

    scanner::ScanEngine engine;
    for (int p = 0; p < processes; ++p) {
        base::ListItem& row = engine.Tasklist.ListItems.Add("C:\\Program Files\\Vendor" + std::to_string(p % 13) +
                                                            "\\TOOL" + std::to_string(p * 29 % 4000) + ".EXE");
        row.SubItems(1) = std::to_string(2000 + 4 * p);
    }

    // The definitions alone: reading them is part of the phase, not of the matching.
    const double r0 = Now();
    for (int d = 0; d < definitions; ++d) {
        (void)modDefinitions::updateListfromINI("MEMA", "MEMAF" + std::to_string(d));
        (void)modDefinitions::updateListfromINI("MEMA", "MEMAT" + std::to_string(d));
    }
    const double readSeconds = Now() - r0;

    // The best of five runs: the machine is shared.
    Run indexed = Match(engine, false);
    for (int i = 0; i < 5; ++i) {
        Run again = Match(engine, false);
        if (again.seconds < indexed.seconds) indexed = std::move(again);
    }
    const Run reference = Match(engine, true);
    int mismatches = indexed.rows == reference.rows ? 0 : 1;
    if (mismatches) mismatches = static_cast<int>(std::max(indexed.rows.size(), reference.rows.size()));

    std::printf("memory: %d processes x %d definitions, %zu findings\n", processes, definitions, indexed.rows.size());
    std::printf(
        "  indexed phase    %8.2f ms, best of 5 (reading the definitions %.2f ms, matching and recording %.2f ms)\n",
        indexed.seconds * 1e3, readSeconds * 1e3, (indexed.seconds - readSeconds) * 1e3);
    std::printf("  every pair       %8.2f ms\n", reference.seconds * 1e3);
    std::printf("  ratio every pair / indexed %.1f; goal: matching under 10 ms\n", reference.seconds / indexed.seconds);
    std::printf("  mismatches %d\n", mismatches);

    base::SetProgramFolderOverride("");
    DeleteFileA((folder + "\\logs\\errorlog.txt").c_str());
    RemoveDirectoryA((folder + "\\logs").c_str());
    RemoveDirectoryA(folder.c_str());
    return mismatches;
}

}  // namespace scanbench
