// Backing up and restoring 200 MB of mixed files (half text, half already compressed) against
// zlib's deflate of the same bytes alone, measured in one run; peak memory of the process.
#include <windows.h>
// psapi.h needs the types of windows.h.
#include <psapi.h>
#include <zlib.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "components/backup/Archive.h"

namespace {

double Seconds() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) / double(f.QuadPart);
}

size_t PeakMb() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc.PeakWorkingSetSize / (1024 * 1024);
}

void WriteFile(const std::string& path, const std::vector<char>& chunk, size_t chunks) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    for (size_t i = 0; i < chunks; ++i) {
        DWORD w = 0;
        ::WriteFile(h, chunk.data(), (DWORD)chunk.size(), &w, nullptr);
    }
    CloseHandle(h);
}

void DeleteTree(const std::string& folder) {
    WIN32_FIND_DATAA fd;
    HANDLE f = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (f != INVALID_HANDLE_VALUE) {
        do {
            const std::string n = fd.cFileName;
            if (n == "." || n == "..") continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(folder + "\\" + n);
            else
                DeleteFileA((folder + "\\" + n).c_str());
        } while (FindNextFileA(f, &fd));
        FindClose(f);
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

int main() {
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const std::string base = std::string(tmp) + "corvane-backup-bench-" + std::to_string(GetCurrentProcessId());
    const std::string data = base + "\\data", store = base + "\\store";
    CreateDirectoryA(base.c_str(), nullptr);
    CreateDirectoryA(data.c_str(), nullptr);
    CreateDirectoryA(store.c_str(), nullptr);

    // 20 text files and 20 random ones of 5 MB each.
    const size_t kChunk = 1 << 20, kChunksPerFile = 5;
    std::vector<char> text(kChunk), noise(kChunk);
    std::string words;
    std::mt19937 rng(7);
    for (size_t i = 0; words.size() < kChunk; ++i)
        words += "entry " + std::to_string(rng() % 100000) + " value=" + std::to_string(i) + "\r\n";
    std::copy(words.begin(), words.begin() + kChunk, text.begin());
    std::vector<std::string> files;
    for (int i = 0; i < 20; ++i) {
        files.push_back(data + "\\text" + std::to_string(i) + ".log");
        WriteFile(files.back(), text, kChunksPerFile);
        for (char& c : noise) c = (char)(rng() & 0xFF);
        files.push_back(data + "\\packed" + std::to_string(i) + ".zip");
        WriteFile(files.back(), noise, kChunksPerFile);
    }
    const double mb = double(files.size() * kChunksPerFile * kChunk) / (1024 * 1024);

    // zlib's deflate alone: the same bytes, read from the same files, in the same blocks.
    double t0 = Seconds();
    std::vector<char> in(kChunk);
    std::vector<unsigned char> out(compressBound(kChunk));
    size_t packed = 0;
    for (const std::string& f : files) {
        HANDLE h = CreateFileA(f.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        DWORD r = 0;
        while (ReadFile(h, in.data(), (DWORD)in.size(), &r, nullptr) && r) {
            uLongf n = (uLongf)out.size();
            compress2(out.data(), &n, (const Bytef*)in.data(), r, 6);
            packed += n;
        }
        CloseHandle(h);
    }
    const double deflate = Seconds() - t0;

    backup::Selection sel;
    sel.paths = {data};
    t0 = Seconds();
    backup::WriteBackup(store, "qwvlmtrhzkbnoxpcaeyu48207gtkwzrvblxe", sel);
    const double backupTime = Seconds() - t0;
    const size_t peakAfterBackup = PeakMb();

    t0 = Seconds();
    backup::Restore(store, "qwvlmtrhzkbnoxpcaeyu48207gtkwzrvblxe", {});
    const double restoreTime = Seconds() - t0;

    std::printf("data: %.0f MB (half text, half random); deflate alone packs it to %.0f MB\n", mb, packed / 1048576.0);
    std::printf("deflate alone: %.2f s\n", deflate);
    std::printf("backup:        %.2f s  ratio %.2f (goal <= 1.50)\n", backupTime, backupTime / deflate);
    std::printf("restore:       %.2f s  ratio %.2f (goal <= 1.50)\n", restoreTime, restoreTime / deflate);
    std::printf("peak working set: %zu MB after the backup, %zu MB after the restore (goal < 64)\n", peakAfterBackup,
                PeakMb());
    DeleteTree(base);
    return 0;
}
