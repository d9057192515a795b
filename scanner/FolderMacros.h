#pragma once
// Folder macros in definition paths ("%WIN%", "%Common_StartUp%" ...), expanded from the
// special-folder globals, and the folders that the file-property search is spent on.
#include <string>
#include <vector>

namespace scanner {

struct FolderMacro {
    const char* macro;          // as definitions write it
    const std::string* folder;  // the special-folder global that replaces it
};
// The eighteen macros in the order they are tested.
const std::vector<FolderMacro>& FolderMacroTable();

// The path with its first macro (in table order) expanded, or "" when it holds none.
std::string CleanDirString(const std::string& path);

// False (search it) for a drive root and for the places malware lives: the Windows, System and
// Application Data folders themselves, and anything inside the temporary folder, the user's
// documents, the desktops, the Startup and Start Menu folders and the all-users Start Menu.
bool DoWeSkipThisFolder(const std::string& folder);

// The absolute path, without a trailing backslash except at a drive root (the path itself when
// the system cannot make it absolute).
std::string AbsolutePathName(const std::string& path);

// `path` & "\" & `name`, or `path` & `name` when the trimmed path already ends in a backslash.
std::string AddPathToFileName(const std::string& path, const std::string& name);

}  // namespace scanner
