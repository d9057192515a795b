#pragma once
// Wires the core's links (core/Wiring.h) to the real parts above it: the language pack, the
// skinned message box, the main window, the definitions store and the string cipher. The
// program's entry point calls it once, before anything else runs.
namespace app {

void InstallLinks();
// The windows' hooks, each to the window it reaches (part of InstallLinks; RemoveLinks undoes it).
void ConnectWindows();
void DisconnectWindows();
// Connects the guard switches to the real-time guards and makes the main window their host.
void InstallGuards();
void RemoveGuards();
// Takes every link out again (tests that end with the real links installed).
void RemoveLinks();

}  // namespace app
