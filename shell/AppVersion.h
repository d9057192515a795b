#pragma once
// The program's version, as the about panel, the home panel and the main window show it.
namespace appVersion {
inline constexpr int kMajor = 1;
inline constexpr int kMinor = 0;
inline constexpr int kRevision = 1;
}  // namespace appVersion
