#pragma once
// What registers the extension under HKEY_CLASSES_ROOT: the class with its in-process server, and
// a handler "Corvane" on the context menus of folders (Directory) and drives (Drive).
#include <string>

namespace cm {

inline constexpr const char* kHandlerKeys[] = {"Directory\\shellex\\ContextMenuHandlers\\Corvane",
                                               "Drive\\shellex\\ContextMenuHandlers\\Corvane"};

// Writes the keys for the library at this path; false when one could not be written.
bool Register(const std::string& libraryPath);
// Deletes the keys Register writes, and only while they are still this extension's: a handler key
// that names another class, or a class key that holds more than the server, stays.
bool Unregister();

}  // namespace cm
