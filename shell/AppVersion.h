#pragma once
// The program's version, as the about panel, the home panel and the main window show it: the
// project's one version, which the build passes to every source (and to the version resource).
namespace appVersion {
inline constexpr int kMajor = CORVANE_VERSION_MAJOR;
inline constexpr int kMinor = CORVANE_VERSION_MINOR;
inline constexpr int kRevision = CORVANE_VERSION_REVISION;
}  // namespace appVersion
