// Throughput of the downloader against curl, both fetching the same file from the same nginx on
// loopback in the same run; the process's peak memory; and what a resumed transfer fetches.
//   downloader_benchmark.exe [megabytes]   (default 64)
#include <windows.h>
// psapi.h needs the types of windows.h.
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "base/Handles.h"
#include "base/HostPath.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "downloader/Transfer.h"
#include "downloader/tests/Nginx.h"

using testing_support::Nginx;

namespace {

double Seconds() {
    static LARGE_INTEGER f = [] {
        LARGE_INTEGER x;
        ::QueryPerformanceFrequency(&x);
        return x;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

double PeakMegabytes() {
    PROCESS_MEMORY_COUNTERS c{};
    c.cb = sizeof c;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &c, sizeof c);
    return static_cast<double>(c.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

void WriteBigFile(const std::string& path, size_t bytes) {
    base::FileHandle h(
        ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string block(1 << 20, '\0');
    unsigned x = 12345;
    for (size_t done = 0; done < bytes; done += block.size()) {
        for (char& c : block) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 16);
        DWORD w = 0;
        ::WriteFile(h.get(), block.data(), static_cast<DWORD>(std::min(block.size(), bytes - done)), &w, nullptr);
    }
}

// Compared a block at a time: reading both whole would be what the memory figure measures.
bool SameFiles(const std::string& a, const std::string& b) {
    if (base::FileLength(a) != base::FileLength(b)) return false;
    base::FileHandle ha(::CreateFileA(a.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    base::FileHandle hb(::CreateFileA(b.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string x(1 << 20, '\0'), y(1 << 20, '\0');
    for (;;) {
        DWORD gx = 0, gy = 0;
        if (!::ReadFile(ha.get(), x.data(), 1 << 20, &gx, nullptr) ||
            !::ReadFile(hb.get(), y.data(), 1 << 20, &gy, nullptr))
            return false;
        if (gx != gy || x.compare(0, gx, y, 0, gy) != 0) return false;
        if (gx == 0) return true;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const size_t megabytes = argc > 1 ? static_cast<size_t>(std::atoi(argv[1])) : 64;
    const size_t bytes = megabytes * 1024 * 1024;
    testing_support::TempFolder www, out;
    WriteBigFile(www / "big.dat", bytes);
    const double baseline = PeakMegabytes();
    Nginx nginx(www.path());
    if (!nginx.ok()) {
        std::printf("nginx: %s\n", nginx.error().c_str());
        return 1;
    }
    const std::string url = nginx.Url("/big.dat");

    double best = 1e9, bestCurl = 1e9;
    for (int round = 0; round < 3; ++round) {
        std::string timing;
        // curl writes its file into the same folder, as the downloader does.
        const std::string curlFile = base::HostPathOf(out / "curl.dat");
        if (!testing_support::RunUnix("curl -s -o '" + curlFile + "' -w '%{time_total} %{size_download}' " + url,
                                      &timing)) {
            std::printf("curl failed: %s\n", timing.c_str());
            return 1;
        }
        bestCurl = std::min(bestCurl, std::atof(timing.c_str()));

        downloader::Transfer t;
        ::DeleteFileA((out / "big.dat").c_str());
        const double start = Seconds();
        t.ExecuteDownload(url, out / "big.dat");
        if (!t.RunToEnd(300000)) {
            std::printf("download failed: %s\n", t.ErrorText().c_str());
            return 1;
        }
        best = std::min(best, Seconds() - start);
    }
    const double peak = PeakMegabytes();
    const bool same = SameFiles(www / "big.dat", out / "big.dat") && SameFiles(www / "big.dat", out / "curl.dat");

    // Resume: the first half is there, the rest is fetched.
    {
        base::FileHandle h(
            ::CreateFileA((out / "big.dat").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        LARGE_INTEGER half;
        half.QuadPart = static_cast<LONGLONG>(bytes / 2 + 12345);
        ::SetFilePointerEx(h.get(), half, nullptr, FILE_BEGIN);
        ::SetEndOfFile(h.get());
    }
    const std::uint64_t have = base::FileLength(out / "big.dat");
    downloader::Transfer resume;
    resume.options.tfResume = -1;
    resume.SetTarget(url, out / "big.dat");
    resume.StartDownload();
    const double rs = Seconds();
    const bool resumed = resume.RunToEnd(300000);
    const double resumeTime = Seconds() - rs;

    const double mbps = static_cast<double>(bytes) / (1024.0 * 1024.0) / best;
    const double curlMbps = static_cast<double>(bytes) / (1024.0 * 1024.0) / bestCurl;
    std::printf("file: %zu MB from nginx on loopback, best of 3\n", megabytes);
    std::printf("downloader: %.3f s, %.1f MB/s (file identical: %s)\n", best, mbps, same ? "yes" : "NO");
    std::printf("curl:       %.3f s, %.1f MB/s\n", bestCurl, curlMbps);
    std::printf("ratio downloader/curl throughput: %.2f (goal >= 0.50)\n", mbps / curlMbps);
    std::printf("peak working set: %.1f MB (%.1f MB before the transfers; goal < 32 MB)\n", peak, baseline);
    std::printf(
        "resume: %llu bytes on disk, %llu missing, %llu fetched by the segment, %llu read in all, %.3f s, "
        "identical: %s\n",
        static_cast<unsigned long long>(have), static_cast<unsigned long long>(bytes - have),
        static_cast<unsigned long long>(resume.SegmentBytesFetched()),
        static_cast<unsigned long long>(resume.BytesRead()), resumeTime,
        resumed && SameFiles(www / "big.dat", out / "big.dat") ? "yes" : "NO");
    return same && resumed ? 0 : 1;
}
