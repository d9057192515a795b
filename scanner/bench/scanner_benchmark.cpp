// Times a definitions load of every group and the recording of findings at scale, and holds the
// indexed look-ups to the plain walks they replace.
//   scanner_benchmark [definitions] [findings]      (default 20000 5000)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/ErrorLog.h"
#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "core/Globals.h"
#include "core/SpecialFolders.h"
#include "core/modMain.h"
#include "definitions/DefinitionsPacker.h"
#include "definitions/DefinitionsStore.h"
#include "definitions/StringCipher.h"
#include "results/FindingList.h"
#include "results/IgnoreList.h"
#include "scanner/ListRowBuilders.h"
#include "scanner/ScanEngine.h"
#include "scanner/ScanGlobals.h"

namespace {

double Now() {
    static LARGE_INTEGER f = [] {
        LARGE_INTEGER x;
        QueryPerformanceFrequency(&x);
        return x;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(f.QuadPart);
}

std::string N(int i) { return std::to_string(i); }

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = path + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(path.c_str());
}

struct Load {
    std::string source;
    int definitions = 0;
    std::vector<std::string> removal;  // REMO entries
};

// A definitions source of about `total` definitions spread over every group. Direct paths point
// into `root`; one in forty of them exists.
Load MakeDefinitions(int total, const std::string& root) {
    Load d;
    auto& s = d.source;
    const int fileList = total * 45 / 100 / 10, direct = total * 10 / 100 / 10;
    const char* groups[] = {"TAFI", "TAFO", "DAFI", "DAFO", "HAFI", "HAFO", "KAFI", "KAFO", "SAFI", "SAFO"};
    for (const char* g : groups) {
        const bool folder = std::string(g).substr(2) == "FO";
        s += std::string("[") + g + "]\n";
        for (int i = 0; i < fileList; ++i)
            s += std::string(g) + "T" + N(i) + "=" + g + " spy " + N(i) + "\n" + g + "S" + N(i) + "=" + g + "name" +
                 N(i) + (folder ? "" : ".exe") + "\n";
        for (int i = 0; i < direct; ++i) {
            const std::string name = std::string(g) + "direct" + N(i) + (folder ? "" : ".exe");
            s += std::string(g) + "TD" + N(i) + "=" + g + " direct " + N(i) + "\n" + g + "SD" + N(i) + "=%WIN%\\" +
                 name + "\n";
            if (i % 40 == 0) {
                const std::string path = root + "\\" + name;
                if (folder)
                    CreateDirectoryA(path.c_str(), nullptr);
                else
                    base::WriteText(path, "x");
            }
        }
        d.definitions += fileList + direct;
    }
    auto group = [&](const char* section, std::vector<const char*> prefixes, int count) {
        s += std::string("[") + section + "]\n";
        for (int i = 0; i < count; ++i)
            for (const char* p : prefixes) s += std::string(p) + N(i) + "=" + p + " value " + N(i) + "\n";
        d.definitions += count;
    };
    const int reg = total * 5 / 100;
    group("REGS", {"REGSK", "REGST"}, reg * 3 / 2);
    group("REGV", {"REGVK", "REGVT", "REGVV"}, reg * 3 / 2);
    group("REGK", {"REGKK", "REGKT"}, reg);
    group("REGKO", {"REGKKO", "REGKTO"}, reg / 2);
    group("REGD", {"REGDT", "REGDK", "REGDV", "REGDD", "REGDR"}, reg);
    group("COOK", {"COOKT", "COOKC"}, reg);
    group("HOSTS", {"HOSTSV", "HOSTST"}, reg);
    for (const char* g : {"SCE", "SCW"})
        group(g, {(std::string(g) + "T").c_str(), (std::string(g) + "V").c_str()}, reg / 5);
    for (const char* g : {"SBOFN", "SBIFN", "SBPN", "SBFD"})
        group(g, {(std::string(g) + "T").c_str(), (std::string(g) + "F").c_str()}, reg / 5);
    group("SBFCS", {"SBFCST", "SBFCSN", "SBFCSS"}, reg / 5);
    s += "[REMO]\n";
    for (int i = 0; i < 100; ++i) {
        d.removal.push_back(std::string(groups[i % 10]) + "NAME" + N(i * 7) + (i % 2 ? "" : ".EXE"));
        s += "REMENT" + N(i) + "=" + d.removal.back() + "\n";
    }
    d.definitions += 100;
    s += "[NTOT]\nTAFITNUM=" + N(fileList) + "\n";
    return d;
}

// The removal walk as first written: ask every row, start again from the first after a removal.
void RemoveByWalk(base::ListItems& rows) {
    for (bool again = true; again;) {
        again = false;
        for (int j = 1; j <= rows.Count(); ++j)
            if (scanner::ProgramEngine().UpdateSpyListview(rows(j).SubItems(2))) {
                rows.Remove(j);
                again = true;
                break;
            }
    }
}

std::string Record(const std::string& kind, const std::string& item, const std::string& spy) {
    return "\"" + modEncryption::Encrypte(kind) + "\",\"" + modEncryption::Encrypte(item) + "\",\"" +
           modEncryption::Encrypte(spy) + "\"\r\n";
}

// Sets the file's last-write time `minutes` back.
void AgeFile(const std::string& path, int minutes) {
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart -= static_cast<unsigned long long>(minutes) * 60ull * 10000000ull;
    const FILETIME aged{t.LowPart, t.HighPart};
    SetFileTime(h, nullptr, nullptr, &aged);
    CloseHandle(h);
}

void CopyRows(const base::RowList& from, base::RowList& to) {
    const base::ListItems& rows = from.ListItems;
    for (int i = 1; i <= rows.Count(); ++i) to.ListItems.Add() = rows(i);
}

bool SameRows(const base::RowList& a, const base::RowList& b) {
    const base::ListItems& x = a.ListItems;
    const base::ListItems& y = b.ListItems;
    if (x.Count() != y.Count()) return false;
    for (int i = 1; i <= x.Count(); ++i)
        if (x(i).Text != y(i).Text || x(i).SubItems(1) != y(i).SubItems(1) || x(i).SubItems(2) != y(i).SubItems(2))
            return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int total = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int findings = argc > 2 ? std::atoi(argv[2]) : 5000;
    int failures = 0;
    scanner::ScanEngine& engine = scanner::ProgramEngine();

    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const std::string folder = std::string(tmp) + "scanbench" + N(static_cast<int>(GetCurrentProcessId()));
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "\\logs").c_str(), nullptr);
    CreateDirectoryA((folder + "\\win").c_str(), nullptr);
    base::SetProgramFolderOverride(folder);
    base::InstallErrorLog();
    modEncryption::LoadEncryption();
    gb_windowsFolder = folder + "\\win";

    // ---- a definitions load of every group
    const Load d = MakeDefinitions(total, gb_windowsFolder);
    modDefinitions::SetDefinitionsText(modDefinitions::ScrambleDefinitionsSource(d.source));
    for (bool* f : {&gb_loadRegSDefs, &gb_loadRegVDefs, &gb_loadRegDataDefs, &gb_loadRegKDefs, &gb_loadCookieDefs,
                    &gb_loadHostsDefs, &gb_loadFileDefs, &gb_trojans, &gb_dialers, &gb_scanBHO, &gb_keyLoggers,
                    &gb_spywareAdware, &gb_advancedScanning})
        *f = true;
    const double t0 = Now();
    engine.loadDataBase(false);
    const double t1 = Now();
    int rows = 0;
    for (base::RowList* l :
         {&engine.lists.lstSearch, &engine.lists.lstRegistrySearch, &engine.lists.lstRegistry,
          &engine.lists.lstRegKSearch, &engine.lists.lstRegValueData, &engine.lists.lstCookies, &engine.lists.lstHost,
          &engine.lists.lstCESearch, &engine.lists.lstCWSearch, &engine.lists.lstOFNSearch, &engine.lists.lstIFNSearch,
          &engine.lists.lstPNSearch, &engine.lists.lstFDSearch, &engine.lists.lstFCSSearch})
        rows += l->ListItems.Count();
    const int directHits = results::Findings().Rows().Count();
    std::printf("definitions load: %d definitions, every group and option\n", d.definitions);
    std::printf("  load                  %9.4f s   (%d list rows, %d direct hits recorded)\n", t1 - t0, rows,
                directHits);
    // Where the time goes: the same load one flag at a time.
    {
        struct Part {
            const char* name;
            bool* flag;
        };
        const Part parts[] = {{"registry groups", &gb_loadRegSDefs},
                              {"cookies", &gb_loadCookieDefs},
                              {"hosts", &gb_loadHostsDefs},
                              {"file groups (with properties)", &gb_loadFileDefs}};
        bool* all[] = {&gb_loadRegSDefs,   &gb_loadRegVDefs,  &gb_loadRegDataDefs, &gb_loadRegKDefs,
                       &gb_loadCookieDefs, &gb_loadHostsDefs, &gb_loadFileDefs};
        for (const Part& p : parts) {
            for (bool* f : all) *f = false;
            *p.flag = true;
            if (p.flag == &gb_loadRegSDefs) gb_loadRegVDefs = gb_loadRegDataDefs = gb_loadRegKDefs = true;
            results::Findings().Rows().Clear();
            const double a = Now();
            engine.loadDataBase(false);
            std::printf("    %-30s %9.4f s\n", p.name, Now() - a);
        }
    }

    // The removal list against the walk it replaces, on 300 file rows of the load.
    {
        base::RowList reference;
        const base::ListItems& loaded = engine.lists.lstSearch.ListItems;
        for (int i = 0; i < 300; ++i) {
            const std::string name =
                i % 50 == 0 ? d.removal[static_cast<size_t>(i / 50) % 10] : loaded(1 + i % loaded.Count()).SubItems(2);
            base::ListItem& r = reference.ListItems.Add("MALWARE FILE");
            r.SubItems(1) = "S" + N(i);
            r.SubItems(2) = name;
        }
        engine.lists.lstSearch.ListItems.Clear();
        CopyRows(reference, engine.lists.lstSearch);
        const double a = Now();
        RemoveByWalk(reference.ListItems);
        const double b = Now();
        engine.removeFromList();
        const double c = Now();
        const bool same = SameRows(reference, engine.lists.lstSearch);
        if (!same) ++failures;
        std::printf("  removal list, 300 rows, %d struck: walk %.4f s, one pass %.4f s, ratio %.1f, %s\n",
                    300 - reference.ListItems.Count(), b - a, c - b, (b - a) / (c - b),
                    same ? "same rows" : "ROWS DIFFER");
    }
    engine.clearDataBase();

    // ---- recording findings: new ones, repeats and held-back ones
    {
        // The ignore list holds every tenth finding (and records of findings never reported).
        std::vector<std::vector<std::string>> reports;  // kind, item, spy
        const char* kinds[] = {"Malware File",    "Malware RegKey",   "Malware Folder",
                               "Tracking Cookie", "Malware RegValue", "Malware Process"};
        const int distinct = findings * 9 / 10;
        for (int i = 0; i < findings; ++i) {
            const int k = i < distinct ? i : (i * 7919) % distinct;  // the last tenth repeats earlier ones
            const std::string kind = kinds[k % 6];
            const std::string item = kind == "Malware File" ? "C:\\Program Files\\Vendor" + N(k) + "\\file" + N(k) +
                                                                  (k % 4 ? ".dat" : ".exe")
                                                            : "C:\\Place\\item" + N(k);
            reports.push_back({kind, item, "Spy " + N(k % 97)});
        }
        std::string ignore;
        int ignoreRecords = 0;
        for (int k = 0; k < distinct; k += 10, ++ignoreRecords)
            ignore += Record(reports[static_cast<size_t>(k)][0], reports[static_cast<size_t>(k)][1], "S");
        for (int k = 0; k < findings / 10; ++k, ++ignoreRecords)
            ignore += Record("Malware File", "C:\\never" + N(k), "S");
        const std::string ignorePath = modMain::FullPath_With_Filename(results::kIgnoreListFile);
        base::WriteText(ignorePath, ignore);
        AgeFile(ignorePath, 60);  // an ignore list kept from before the scan

        engine.Reset();
        engine.ResetCounters();
        results::Findings().Clear();
        const double a = Now();
        for (const auto& r : reports) engine.AddSpytoListview(r[0], r[1], r[2], 3, r[1], "", "");
        const double b = Now();
        const int listed = results::Findings().Rows().Count();
        std::printf("recording: %d findings (%d distinct), ignore list of %d records\n", findings, distinct,
                    ignoreRecords);
        std::printf("  record all            %9.4f s   (%d rows, found %ld, ignored %ld, new %ld)\n", b - a, listed,
                    engine.counters.ComponentCount, engine.counters.IgnoreComponentCount,
                    engine.counters.NewComponentCount);

        // The same with an ignore list written a moment ago: while its times could still hide a
        // second write, it is read again for every finding (deciphered only when it changed).
        {
            engine.Reset();
            engine.ResetCounters();
            results::Findings().Clear();
            base::WriteText(ignorePath, ignore);
            const double c = Now();
            for (const auto& r : reports) engine.AddSpytoListview(r[0], r[1], r[2], 3, r[1], "", "");
            const double e = Now();
            std::printf("  record all, ignore list just written %7.4f s\n", e - c);
        }

        // The two look-ups of every report against the walks they replace (on a prefix of the
        // reports: the walks decipher the whole ignore list for every one).
        const int sample = findings < 200 ? findings : 200;
        results::IgnoreListIndex index;
        const results::FindingList& list = results::Findings();
        int mismatches = 0;
        double walkTime = 0, indexTime = 0;
        for (int i = 0; i < sample; ++i) {
            const auto& r = reports[static_cast<size_t>(i * (findings / sample))];
            const double w0 = Now();
            const bool ignoredWalk = results::IsIgnoredByWalk(ignorePath, r[0], r[1]);
            const int rowWalk = results::FindingList::FindRowByWalk(list.Rows(), r[0], r[2], r[1]);
            const double w1 = Now();
            const bool ignoredIndex = index.IsIgnored(ignorePath, r[0], r[1]);
            const int rowIndex = list.FindRow(r[0], r[2], r[1]);
            const double w2 = Now();
            walkTime += w1 - w0;
            indexTime += w2 - w1;
            if (ignoredWalk != ignoredIndex || rowWalk != rowIndex) ++mismatches;
        }
        failures += mismatches;
        std::printf(
            "  look-ups of %d reports: walks %.4f s, indexes %.4f s, ratio %.1f; per report at %d: walks "
            "%.2f ms, indexes %.3f ms; mismatches: %d\n",
            sample, walkTime, indexTime, walkTime / indexTime, findings, 1000 * walkTime / sample,
            1000 * indexTime / sample, mismatches);
    }

    engine.Reset();
    results::Findings().Clear();
    base::SetProgramFolderOverride("");
    RemoveTree(folder);
    return failures == 0 ? 0 : 1;
}
