#pragma once
// A synchronous fetch of a short text (the update number, the program version): what the
// window's Internet Transfer control gave. "" when nothing could be fetched.
#include <string>

#include "downloader/Http.h"

namespace downloader {

struct FetchOptions {
    Proxy proxy;
    int timeoutMs = 15000;       // for the whole fetch
    size_t maxSize = 64 * 1024;  // a version text is a few bytes; more is not one
    int maxRedirects = 5;
};

// GET `url`; the body of a 200 answer, else "" (error statuses, time-outs, refused connections,
// malformed answers and bodies over the size limit all give "").
std::string OpenURL(const std::string& url, const FetchOptions& options = {});

}  // namespace downloader
