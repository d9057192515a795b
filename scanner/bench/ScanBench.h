#pragma once
// The sections of scan_benchmark: each one times a phase's matcher against the straightforward
// walk it replaces, prints the figures and returns the number of answers that differ.

namespace scanbench {

int RegistrySection();
int MemorySection();
int HostsSection();
int FilesSection();
int DriversSection();  // the full scan against the sum of its phases

}  // namespace scanbench
