#pragma once
// Which names can be a work item: the service keeps a work item as the file
// "<tasks folder>\<name>.job", so a name must make exactly one file of that folder. A name that
// does not reaches the service nowhere (some such names crash the service's code in our process).
#include <string>

namespace vornak {

// The longest name whose work-item file fits MAX_PATH under this computer's tasks folder.
size_t LongestTaskName();

// Empty when the name can be a work item; else why not. Refused: an empty name, one longer than
// LongestTaskName(), one holding a character a file name cannot hold (path separators, a colon,
// wildcards, quotes, control characters, an embedded NUL) and one that names a device ("NUL").
std::wstring TaskNameFault(const std::wstring& name);

// Raises "Invalid task name" (kInvalidTaskName) with the reason when the name is refused.
void CheckTaskName(const std::wstring& name);

}  // namespace vornak
