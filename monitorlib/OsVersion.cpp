#include "monitorlib/OsVersion.h"

namespace halvex {

std::atomic<bool> Win9xFlag{false};

OsVersion::OsVersion() {
    info_.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);  // 148
    if (!GetVersionExA(&info_)) info_ = OSVERSIONINFOA{};
}

namespace {
const OsVersion osVersion;
}

void NoteAttach() {
    if (osVersion.IsWindows95() || osVersion.IsWindows98() || osVersion.IsWindowsMe()) Win9xFlag = true;
}

}  // namespace halvex
