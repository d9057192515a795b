#include "core/AtomicFile.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "base/RuntimeError.h"

namespace {
AtomicFileWriter::FaultHook g_hook;

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return ".";
    if (slash == 2 && path[1] == ':') return path.substr(0, 3);
    return path.substr(0, slash);
}

[[noreturn]] void RaiseLastError() {
    DWORD err = GetLastError();
    base::RaiseWin32(err == 0 ? ERROR_WRITE_FAULT : err);
}

// Puts `temp` in the place of `target`. The NT family does it in one step; Windows 95, 98 and
// Me have no MoveFileEx, so the old file steps aside first and comes back if the new one fails.
void Replace(const std::string& temp, const std::string& target) {
    if (MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return;
    DWORD err = GetLastError();
    if (err != ERROR_CALL_NOT_IMPLEMENTED) base::RaiseWin32(err == 0 ? ERROR_WRITE_FAULT : err);
    const std::string aside = temp + ".old";
    const bool hadTarget = GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (hadTarget && !MoveFileA(target.c_str(), aside.c_str())) RaiseLastError();
    if (!MoveFileA(temp.c_str(), target.c_str())) {
        DWORD moveErr = GetLastError();
        if (hadTarget) MoveFileA(aside.c_str(), target.c_str());
        base::RaiseWin32(moveErr == 0 ? ERROR_WRITE_FAULT : moveErr);
    }
    if (hadTarget) DeleteFileA(aside.c_str());
}
}  // namespace

void AtomicFileWriter::SetFaultHook(FaultHook hook) { g_hook = std::move(hook); }

AtomicFileWriter::AtomicFileWriter(std::string target) : target_(std::move(target)) {
    char name[MAX_PATH + 1] = {};
    if (!GetTempFileNameA(FolderOf(target_).c_str(), "cvt", 0, name)) RaiseLastError();
    temp_ = name;
    file_.reset(CreateFileA(temp_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) {
        DWORD err = GetLastError();
        DeleteFileA(temp_.c_str());
        base::RaiseWin32(err == 0 ? ERROR_WRITE_FAULT : err);
    }
}

AtomicFileWriter::~AtomicFileWriter() {
    if (committed_) return;
    file_.reset();
    DeleteFileA(temp_.c_str());
}

void AtomicFileWriter::Write(const std::string& text) {
    if (g_hook) g_hook(writes_);
    size_t done = 0;
    while (done < text.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file_.get(), text.data() + done, chunk, &written, nullptr) || written == 0) RaiseLastError();
        done += written;
    }
    ++writes_;
}

void AtomicFileWriter::Commit() {
    if (g_hook) g_hook(SIZE_MAX);
    if (!FlushFileBuffers(file_.get())) RaiseLastError();
    file_.reset();
    Replace(temp_, target_);
    committed_ = true;
}

void ReplaceFileContent(const std::string& target, const std::string& content) {
    AtomicFileWriter writer(target);
    writer.Write(content);
    writer.Commit();
}
