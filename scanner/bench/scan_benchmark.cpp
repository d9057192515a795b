// Figures of the scan phases: each section prints its phase's time, the time of the walk it is
// held to, their ratio and the mismatches. Exits 1 when any section found a mismatch.
#include <cstdio>
#include <cstring>

#include "scanner/bench/ScanBench.h"

// scan_benchmark [drivers|files|registry]: every section, or only the one named.
int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "drivers") == 0) return scanbench::DriversSection();
    if (argc > 1 && std::strcmp(argv[1], "files") == 0) return scanbench::FilesSection();
    if (argc > 1 && std::strcmp(argv[1], "registry") == 0) return scanbench::RegistrySection();
    int mismatches = 0;
    mismatches += scanbench::MemorySection();
    mismatches += scanbench::RegistrySection();
    mismatches += scanbench::FilesSection();
    mismatches += scanbench::HostsSection();
    mismatches += scanbench::DriversSection();
    std::printf("mismatches in all: %d\n", mismatches);
    return mismatches == 0 ? 0 : 1;
}
