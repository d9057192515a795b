#pragma once
// The build runs its tools under Wine with the build's Linux paths: "/a/b" is "Z:\a\b" there.
#include <string>

inline std::string WindowsPath(std::string p) {
    if (!p.empty() && p[0] == '/') p = "Z:" + p;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}
