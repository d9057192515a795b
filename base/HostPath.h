#pragma once
// Paths of the machine Wine runs on. The build and its tests hand host paths ("/a/b") to
// programs running under Wine; Wine's own mapping turns them into the drive the prefix gives
// their folder, or "\\?\unix\a\b" for a place outside every drive.
#include <string>

namespace base {

// A Windows path as it is; a host path through Wine's mapping ("" when that fails). Outside Wine
// a host path only gets backslashes.
std::string WindowsPathOfHost(const std::string& path);
// The host path of a Windows path ("" when Wine cannot tell, or outside Wine).
std::string HostPathOf(const std::string& windowsPath);

}  // namespace base
