#pragma once
// The program folder: where Corvane finds its files (the folder of the running executable).
//
// Tests point it elsewhere through one override: SetProgramFolderOverride() in-process, or the
// environment variable CORVANE_PROGRAM_FOLDER for a child process. Nothing else changes it.
#include <string>

namespace base {

// No trailing backslash, except at a drive root ("C:\").
std::string ProgramFolder();
// The program folder joined with `name` ("\logs\errorlog.txt" and "errorlog.txt" both work; a
// leading backslash gives a doubled separator, which the file system reads as one).
std::string ProgramFilePath(const std::string& name);
// The application title: the settings store's root name and the caption of plain message boxes.
const std::string& AppTitle();
// The name of the object that marks a running Corvane of this program folder: the program holds it
// while it runs and refuses a second start; the launcher looks for it.
std::string InstanceMutexName();
std::string InstanceMutexName(const std::string& programFolder);

void SetProgramFolderOverride(const std::string& folder);  // "" removes the override
inline constexpr const char* kProgramFolderEnv = "CORVANE_PROGRAM_FOLDER";

}  // namespace base
