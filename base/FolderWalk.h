#pragma once
// Lists the entries of one folder ("." and ".." left out), calling `visit` with each entry's
// find data and full path. The names are the program's (base/AnsiPath.h, EntryName): in the
// ANSI code page exactly, or by the short name (a subfolder past the room for names, by the short
// form of its whole path); an entry that has none is left out. Returns false when the folder could not be listed at
// all.
#include <windows.h>

#include <functional>
#include <string>

namespace base {

bool ForEachEntry(const std::string& folder,
                  const std::function<void(const WIN32_FIND_DATAA& entry, const std::string& path)>& visit);

// A folder to descend into: a real subfolder, not a junction or other reparse point.
inline bool IsRealSubfolder(const WIN32_FIND_DATAA& e) {
    return (e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(e.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace base
