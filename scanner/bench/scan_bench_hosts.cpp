// The hosts phase's matcher: the index over the hosts file against comparing every entry with
// every definition, on a generated hosts file of blocking-list size.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/Text.h"
#include "base/TextFile.h"
#include "scanner/HostsMatcher.h"
#include "scanner/bench/ScanBench.h"
#include "scanner/tests/HostsFixtures.h"

namespace scanbench {
namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return double(to.QuadPart - from.QuadPart) / double(f.QuadPart);
}

// The records of a hosts text as the hosts file's reader makes them (comment lines whole,
// address lines split at the first blank after tabs became blanks).
std::vector<HostsEntry> Records(const std::string& text) {
    std::vector<HostsEntry> entries;
    for (const std::string& line : base::SplitLines(text)) {
        HostsEntry e;
        if (!line.empty() && line[0] == '#') {
            e.text = line;
        } else {
            std::string expanded;
            for (char c : line) expanded += c == '\t' ? std::string(8, ' ') : std::string(1, c);
            expanded = base::Trim(expanded);
            if (expanded.empty()) continue;
            e.isEntry = true;
            const size_t blank = expanded.find(' ');
            if (blank == std::string::npos) {
                e.host = expanded;
            } else {
                e.text = expanded.substr(0, blank);
                e.host = base::Trim(expanded.substr(blank));
            }
        }
        entries.push_back(e);
    }
    return entries;
}

}  // namespace

int HostsSection() {
    const int lines = 20000, hosts = 8000, definitions = 1000;
    const std::vector<HostsEntry> entries = Records(scannertest::GeneratedHostsText(7, lines, hosts));
    const std::vector<std::string> defs = scannertest::GeneratedHostDefinitions(7, definitions, hosts);

    LARGE_INTEGER t0, t1, t2;
    QueryPerformanceCounter(&t0);
    size_t indexed = 0;
    const scanner::HostsMatcher matcher(entries);
    std::vector<std::vector<size_t>> fast;
    for (const std::string& d : defs) {
        fast.push_back(matcher.EntriesNamed(d));
        indexed += fast.back().size();
    }
    QueryPerformanceCounter(&t1);
    int mismatches = 0;
    for (size_t i = 0; i < defs.size(); ++i)
        if (scanner::HostsMatcher::EntriesNamedByWalk(entries, defs[i]) != fast[i]) ++mismatches;
    QueryPerformanceCounter(&t2);

    const double index = Seconds(t0, t1), walk = Seconds(t1, t2);
    std::printf("hosts: %zu records, %d definitions, %zu entries named\n", entries.size(), definitions, indexed);
    std::printf("hosts: index %.4f s (build included), walk %.4f s, walk/index %.1f, mismatches %d\n", index, walk,
                index > 0 ? walk / index : 0.0, mismatches);
    return mismatches;
}

}  // namespace scanbench
