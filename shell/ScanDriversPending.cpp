// Stand-ins for the scan drivers until they are merged: each says in the error log that it is
// not there, and does nothing.
#include "core/modMain.h"
#include "shell/frmScanSpy.h"

namespace {
void Missing(const char* method) {
    modMain::WriteErrorLog(std::string("Error Description: the scan driver is not available in this build, Error "
                                       "Number: 0, Method: ") +
                           method);
}
}  // namespace

void frmScanSpy::StartScan() { Missing("StartScan"); }
void frmScanSpy::QuickScan() { Missing("QuickScan"); }
void frmScanSpy::CustomScan(const std::string&) { Missing("CustomScan"); }
void frmScanSpy::ScanSelectedFolder(const std::string&) { Missing("ScanSelectedFolder"); }
