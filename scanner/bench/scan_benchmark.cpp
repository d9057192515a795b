// Figures of the scan phases: each section prints its phase's time, the time of the walk it is
// held to, their ratio and the mismatches. Exits 1 when any section found a mismatch.
#include <cstdio>

#include "scanner/bench/ScanBench.h"

int main() {
    int mismatches = 0;
    mismatches += scanbench::MemorySection();
    mismatches += scanbench::RegistrySection();
    mismatches += scanbench::FilesSection();
    mismatches += scanbench::HostsSection();
    mismatches += scanbench::DriversSection();
    std::printf("mismatches in all: %d\n", mismatches);
    return mismatches == 0 ? 0 : 1;
}
