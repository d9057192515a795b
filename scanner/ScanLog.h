#pragma once
// The scan log: one file a program run (gb_scanLogFile), a section a phase appended as each phase
// ends, and a summary block closing each scan. Every section is composed whole and appended in one
// write, so a write that fails (logged) loses only its own section.
#include <string>

#include "scanner/ScanEngine.h"

namespace scanlog {

// "=*" repeated, cut to `length` characters.
std::string Rule(size_t length);

// The sections as they are written, each line ended by CR LF.
std::string MemorySection(const scanner::ScanEngine& engine);
std::string RegistrySection(const scanner::ScanEngine& engine);
std::string DriveSection(const scanner::ScanEngine& engine);
std::string CookieSection(const scanner::ScanEngine& engine);
std::string SummarySection(const scanner::ScanEngine& engine);

// Appends `text` to gb_scanLogFile; a failure is logged under `method` and changes nothing.
bool AppendToLog(const std::string& text, const char* method);

void CreateMemoryLogFile(const scanner::ScanEngine& engine);
void CreateRegistryScanLogFile(const scanner::ScanEngine& engine);
void CreateDriveScanLogFile(const scanner::ScanEngine& engine);
void CreateCookieScanLogFile(const scanner::ScanEngine& engine);
void CreateHostsScanLogFile(const scanner::ScanEngine& engine);
// The summary; gb_logFileName names the log from then on.
void FinishScan(const scanner::ScanEngine& engine);

}  // namespace scanlog
