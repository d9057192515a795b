#pragma once
// The program's version, as the about panel, the home panel and the main window show it.
namespace appVersion {
inline constexpr int kMajor = 2;
inline constexpr int kMinor = 2;
inline constexpr int kRevision = 0;
}  // namespace appVersion
