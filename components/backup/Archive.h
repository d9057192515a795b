#pragma once
// The backup archive: one file per backup, "<backup folder>\backup.cva", holding files (bytes,
// attributes, times), folders with everything below them, and registry keys with every value
// of every type and their subkeys. docs/BACKUPS.md describes the format.
//
// Writing goes to a temporary name in the backup folder that takes the archive's name only
// once it is complete, so a failed or interrupted backup leaves no archive under that name; an
// existing archive is never replaced. Everything is streamed in blocks of at most 1 MiB, each
// compressed, enciphered (AES-256, key from the pass phrase by PBKDF2) and authenticated (HMAC
// over the block and its place in the archive).
//
// Reading checks the whole archive first - pass phrase, every block, its order, the end, and
// every recorded path - and refuses it with a clear error before anything is restored.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace backup {

inline constexpr const char* kArchiveName = "backup.cva";

// Error numbers of the archive (base::RuntimeError carries them with a description).
enum ArchiveError : long {
    errArchiveMissing = 1541,   // no archive in the folder
    errWrongPassPhrase = 1601,  // the pass phrase does not open the archive
    errArchiveDamaged = 1602,   // altered, truncated or not an archive
    errUnsafePath = 1603,       // an entry's recorded path is relative or climbs out with ".."
    errItemUnreadable = 1604,   // a selected file, folder or key could not be read
    errRestoreFailed = 1605,    // an entry could not be put back
    errArchiveExists = 1606,    // the folder already holds an archive
};

struct Selection {
    std::vector<std::string> paths;         // files and folders (folders with all below them)
    std::vector<std::string> registryKeys;  // "HKEY_CURRENT_USER\Software\X" and the like
};

enum class EntryKind : std::uint8_t { File = 1, Folder = 2, RegKey = 3, RegValue = 4 };

struct Entry {
    EntryKind kind = EntryKind::File;
    std::string path;                                      // the full path of the file, folder or key; a value's key
    std::string name;                                      // a value's name
    std::uint32_t attributes = 0;                          // files and folders; a value's type
    std::uint64_t created = 0, accessed = 0, written = 0;  // FILETIMEs of files and folders
    std::uint64_t size = 0;                                // bytes of a file or a value's data
};

struct BackupReport {
    std::vector<std::string> missing;  // selected items that were not there (nothing to keep)
    std::uint64_t bytes = 0;           // data bytes stored
    std::uint64_t entries = 0;
};

std::string ArchivePath(const std::string& folder);

// Writes the archive of the selection into `folder` (which must exist). Throws
// base::RuntimeError; the folder then holds no archive.
BackupReport WriteBackup(const std::string& folder, const std::string& passPhrase, const Selection& selection);

// The entries of the archive, after the whole archive was checked. Throws base::RuntimeError.
std::vector<Entry> ReadEntries(const std::string& folder, const std::string& passPhrase);

struct RestoreOptions {
    // Asked for every key that exists already: true replaces its values with the archive's.
    std::function<bool(const std::string& key)> replacingRegKey;
    // Told of every file, key and value once it has been put back.
    std::function<void(const Entry& entry)> restored;
};

// Checks the whole archive, then puts every entry back at its recorded place, replacing what
// is there. A file is written beside its place and takes it in one step, so a failure leaves
// the file there as it was. Throws base::RuntimeError.
void Restore(const std::string& folder, const std::string& passPhrase, const RestoreOptions& options = {});

// True when the path may be restored to: a drive or network path whose every name Windows
// would keep as it is (no "." or "..", device name, wildcard, blank or dot at the end, NUL),
// within MAX_PATH. docs/BACKUPS.md lists the rules.
bool IsSafeFilePath(const std::string& path);
// One of the four roots, then names of at most 255 characters, none empty, "." or "..", no NUL.
bool IsSafeRegistryPath(const std::string& path);

// Test seam: writes an archive of exactly these entries, each file's or value's data beside it,
// without checking them, as a hostile archive would hold them.
struct RawItem {
    Entry entry;
    std::string data;
};
void WriteRawArchiveForTests(const std::string& folder, const std::string& passPhrase,
                             const std::vector<RawItem>& items);

}  // namespace backup
