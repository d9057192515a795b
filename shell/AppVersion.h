#pragma once
// The program's version, as the about panel, the home panel, the main window and the program's
// own version resource show it. Plain macros too, because the resource compiler reads this file.
#define CORVANE_VERSION_MAJOR 2
#define CORVANE_VERSION_MINOR 2
#define CORVANE_VERSION_REVISION 0
#define CORVANE_VERSION_TEXT "2.2.0.0"

#ifndef RC_INVOKED
namespace appVersion {
inline constexpr int kMajor = CORVANE_VERSION_MAJOR;
inline constexpr int kMinor = CORVANE_VERSION_MINOR;
inline constexpr int kRevision = CORVANE_VERSION_REVISION;
}  // namespace appVersion
#endif
