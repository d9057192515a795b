#include "base/FolderWalk.h"

#include "base/Handles.h"

namespace base {

bool ForEachEntry(const std::string& folder,
                  const std::function<void(const WIN32_FIND_DATAA& entry, const std::string& path)>& visit) {
    WIN32_FIND_DATAA fd;
    FindHandle find(FindFirstFileA((folder + "\\*").c_str(), &fd));
    if (!find) return false;
    do {
        const std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        visit(fd, folder + "\\" + name);
    } while (FindNextFileA(find.get(), &fd));
    return true;
}

}  // namespace base
