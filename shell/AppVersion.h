#pragma once
// The program's version, as the about panel, the home panel and the main window show it: the
// project's one version, which the build passes to every source (and to the version resource).
#include <string>

namespace appVersion {
inline constexpr int kMajor = CORVANE_VERSION_MAJOR;
inline constexpr int kMinor = CORVANE_VERSION_MINOR;
inline constexpr int kRevision = CORVANE_VERSION_REVISION;

// The about page's version line.
inline std::string VersionNumberText() {
    return "Version: " + std::to_string(kMajor) + "." + std::to_string(kMinor) + ".0." + std::to_string(kRevision);
}
}  // namespace appVersion
