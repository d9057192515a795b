#include "core/AtomicFile.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

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

// Puts `temp` in the place of a `target` that does not exist yet, or of any target on Windows
// 95, 98 and Me. The NT family does it in one step; the 95 family has no MoveFileEx, so the old
// file steps aside first and comes back if the new one fails.
void Move(const std::string& temp, const std::string& target) {
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

// The access list of a file as a self-relative descriptor; empty where the file system or the
// system keeps none (FAT, Windows 95).
std::vector<BYTE> AccessList(const std::string& path) {
    DWORD need = 0;
    GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &need);
    std::vector<BYTE> sd(need);
    if (!need || !GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, sd.data(), need, &need)) sd.clear();
    return sd;
}

constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// SetFileAttributesA takes no 0: a file with no attributes is a "normal" one.
bool SetAttributes(const std::string& path, DWORD attributes) {
    return SetFileAttributesA(path.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
}

// Puts `temp` in the place of `target`; the file keeps what it was besides its content: its
// attributes (a read-only file is read-only again afterwards) and its access list. ReplaceFileA
// keeps both on Windows; Wine keeps neither, so the new file gets them before it moves in, and
// the read-only attribute, which ReplaceFileA refuses, comes back once it is in place.
void Replace(const std::string& temp, const std::string& target) {
    const DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Move(temp, target);
    // A folder under the file's name is nothing to replace: ReplaceFile would move it aside.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        base::Raise(base::errPathFileAccessError, "A folder stands where the file " + target + " belongs");
    const DWORD kept = attributes & kKeptAttributes;
    const std::vector<BYTE> security = AccessList(target);
    // Until the replacement itself, a failure leaves the old file as it was.
    if (!security.empty() &&
        !SetFileSecurityA(temp.c_str(), DACL_SECURITY_INFORMATION, const_cast<BYTE*>(security.data())))
        RaiseLastError();
    if (!SetAttributes(temp, kept & ~FILE_ATTRIBUTE_READONLY)) RaiseLastError();
    if ((attributes & FILE_ATTRIBUTE_READONLY) && !SetAttributes(target, attributes & ~FILE_ATTRIBUTE_READONLY))
        RaiseLastError();

    // With a backup name, a failed replacement never leaves the target missing: the old file is
    // either still in place or under the backup name, from where it comes back.
    const std::string backup = temp + ".bak";
    if (ReplaceFileA(target.c_str(), temp.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        SetFileAttributesA(backup.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(backup.c_str());
        if (!SetAttributes(target, kept)) RaiseLastError();
        return;
    }
    DWORD err = GetLastError();
    if (GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES &&
        GetFileAttributesA(backup.c_str()) != INVALID_FILE_ATTRIBUTES)
        MoveFileA(backup.c_str(), target.c_str());
    if (err == ERROR_CALL_NOT_IMPLEMENTED) {
        // Windows 95, 98 and Me: no replacement in one step, and no access lists to keep.
        Move(temp, target);
        if (!SetAttributes(target, kept)) RaiseLastError();
        return;
    }
    SetAttributes(target, attributes);
    base::RaiseWin32(err == 0 ? ERROR_WRITE_FAULT : err);
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
    // Whatever the calls reported, a save is done only when the file is there.
    const DWORD now = GetFileAttributesA(target_.c_str());
    if (now == INVALID_FILE_ATTRIBUTES || (now & FILE_ATTRIBUTE_DIRECTORY))
        base::Raise(base::errPathFileAccessError, "The file " + target_ + " was not written");
}

void ReplaceFileContent(const std::string& target, const std::string& content) {
    AtomicFileWriter writer(target);
    writer.Write(content);
    writer.Commit();
}
