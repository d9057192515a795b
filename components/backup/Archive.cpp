#include "components/backup/Archive.h"

#include <windows.h>
// bcrypt.h needs the types of windows.h.
#include <bcrypt.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "base/AnsiPath.h"
#include "base/Handles.h"
#include "base/RuntimeError.h"

namespace backup {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr char kMagic[8] = {'C', 'V', 'B', 'K', 'U', 'P', '0', '1'};
constexpr std::uint32_t kIterations = 20000;
constexpr std::uint32_t kMaxIterations = 1000000;
constexpr size_t kChunk = 1 << 20;      // plain bytes a data block holds at most
constexpr size_t kMaxMeta = 64 * 1024;  // a meta block: a path or two and some numbers
constexpr size_t kBlockHeader = 1 + 1 + 4 + 4 + 4 + 16;
constexpr size_t kMac = 32;
constexpr int kDeflateLevel = 6;
// A restored file is first written as "<its folder>\~cvrXXXX.tmp" (12 characters), so a folder
// restored into must leave room for that name within MAX_PATH.
constexpr size_t kRestoreTempName = 12;
constexpr size_t kMaxRestoreFolder = MAX_PATH - 1 - kRestoreTempName;

enum BlockType : std::uint8_t { kMeta = 1, kData = 2, kItemEnd = 3, kArchiveEnd = 4 };
enum BlockFlags : std::uint8_t { kDeflated = 1 };

[[noreturn]] void Fail(long number, const std::string& text) { throw base::RuntimeError(number, text); }

void Check(NTSTATUS s, const char* what) {
    if (!BCRYPT_SUCCESS(s)) Fail(base::errDeviceIoError, std::string("Cipher failure: ") + what);
}

// ---- bcrypt ----------------------------------------------------------------------------

struct Alg {
    BCRYPT_ALG_HANDLE h = nullptr;
    Alg(LPCWSTR id, ULONG flags) { Check(BCryptOpenAlgorithmProvider(&h, id, nullptr, flags), "open algorithm"); }
    ~Alg() {
        if (h) BCryptCloseAlgorithmProvider(h, 0);
    }
    Alg(const Alg&) = delete;
    Alg& operator=(const Alg&) = delete;
};

class Keys {
public:
    Keys(const std::string& passPhrase, const std::uint8_t salt[16], std::uint32_t iterations)
        : aes_(BCRYPT_AES_ALGORITHM, 0), hmac_(BCRYPT_SHA256_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG) {
        std::uint8_t derived[64];
        Alg prf(BCRYPT_SHA256_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
        Check(BCryptDeriveKeyPBKDF2(prf.h, (PUCHAR)passPhrase.data(), (ULONG)passPhrase.size(), (PUCHAR)salt, 16,
                                    iterations, derived, sizeof derived, 0),
              "derive key");
        std::memcpy(macKey_, derived + 32, 32);
        Check(BCryptSetProperty(aes_.h, BCRYPT_CHAINING_MODE, (PUCHAR)BCRYPT_CHAIN_MODE_CBC,
                                sizeof(BCRYPT_CHAIN_MODE_CBC), 0),
              "chaining mode");
        Check(BCryptGenerateSymmetricKey(aes_.h, &key_, nullptr, 0, derived, 32, 0), "key");
        SecureZeroMemory(derived, sizeof derived);
    }
    ~Keys() {
        if (key_) BCryptDestroyKey(key_);
        SecureZeroMemory(macKey_, sizeof macKey_);
    }
    Keys(const Keys&) = delete;
    Keys& operator=(const Keys&) = delete;

    void Encrypt(const std::uint8_t* in, size_t n, const std::uint8_t iv[16], Bytes& out) {
        std::uint8_t v[16];
        std::memcpy(v, iv, 16);
        out.resize((n / 16 + 1) * 16);
        ULONG got = 0;
        Check(BCryptEncrypt(key_, (PUCHAR)in, (ULONG)n, nullptr, v, 16, out.data(), (ULONG)out.size(), &got,
                            BCRYPT_BLOCK_PADDING),
              "encrypt");
        out.resize(got);
    }
    // False when the padding is wrong (only an altered block can have that after its MAC).
    bool Decrypt(const std::uint8_t* in, size_t n, const std::uint8_t iv[16], Bytes& out) {
        std::uint8_t v[16];
        std::memcpy(v, iv, 16);
        out.resize(n);
        ULONG got = 0;
        if (!BCRYPT_SUCCESS(BCryptDecrypt(key_, (PUCHAR)in, (ULONG)n, nullptr, v, 16, out.data(), (ULONG)out.size(),
                                          &got, BCRYPT_BLOCK_PADDING)))
            return false;
        out.resize(got);
        return true;
    }
    void Mac(std::initializer_list<std::pair<const void*, size_t>> parts, std::uint8_t out[kMac]) {
        BCRYPT_HASH_HANDLE h = nullptr;
        Check(BCryptCreateHash(hmac_.h, &h, nullptr, 0, macKey_, sizeof macKey_, 0), "hash");
        for (const auto& [p, n] : parts)
            if (n) Check(BCryptHashData(h, (PUCHAR)p, (ULONG)n, 0), "hash data");
        const NTSTATUS s = BCryptFinishHash(h, out, kMac, 0);
        BCryptDestroyHash(h);
        Check(s, "finish hash");
    }

private:
    Alg aes_, hmac_;
    BCRYPT_KEY_HANDLE key_ = nullptr;
    std::uint8_t macKey_[32];
};

void Random(std::uint8_t* p, size_t n) {
    Check(BCryptGenRandom(nullptr, p, (ULONG)n, BCRYPT_USE_SYSTEM_PREFERRED_RNG), "random");
}

bool SameMac(const std::uint8_t* a, const std::uint8_t* b) {
    std::uint8_t d = 0;
    for (size_t i = 0; i < kMac; ++i) d |= a[i] ^ b[i];
    return d == 0;
}

// ---- little-endian fields ----------------------------------------------------------------

void Put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
}
void Put64(Bytes& b, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
}
void PutStr(Bytes& b, const std::string& s) {
    Put32(b, (std::uint32_t)s.size());
    b.insert(b.end(), s.begin(), s.end());
}
std::uint32_t Get32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }
std::uint64_t Get64(const std::uint8_t* p) { return Get32(p) | std::uint64_t(Get32(p + 4)) << 32; }

class MetaReader {
public:
    explicit MetaReader(const Bytes& b) : b_(b) {}
    std::uint8_t U8() {
        Need(1);
        return b_[pos_++];
    }
    std::uint32_t U32() {
        Need(4);
        pos_ += 4;
        return Get32(&b_[pos_ - 4]);
    }
    std::uint64_t U64() {
        Need(8);
        pos_ += 8;
        return Get64(&b_[pos_ - 8]);
    }
    std::string Str() {
        const std::uint32_t n = U32();
        Need(n);
        std::string s(reinterpret_cast<const char*>(&b_[pos_]), n);
        pos_ += n;
        return s;
    }
    bool AtEnd() const { return pos_ == b_.size(); }

private:
    void Need(size_t n) {
        if (b_.size() - pos_ < n) Fail(errArchiveDamaged, "The backup archive is damaged (a record is cut short)");
    }
    const Bytes& b_;
    size_t pos_ = 0;
};

Bytes EncodeEntry(const Entry& e) {
    Bytes b;
    b.push_back((std::uint8_t)e.kind);
    PutStr(b, e.path);
    PutStr(b, e.name);
    Put32(b, e.attributes);
    Put64(b, e.created);
    Put64(b, e.accessed);
    Put64(b, e.written);
    return b;
}

Entry DecodeEntry(const Bytes& b) {
    MetaReader r(b);
    Entry e;
    const std::uint8_t kind = r.U8();
    if (kind < 1 || kind > 4) Fail(errArchiveDamaged, "The backup archive is damaged (unknown entry)");
    e.kind = (EntryKind)kind;
    e.path = r.Str();
    e.name = r.Str();
    e.attributes = r.U32();
    e.created = r.U64();
    e.accessed = r.U64();
    e.written = r.U64();
    if (!r.AtEnd()) Fail(errArchiveDamaged, "The backup archive is damaged (a record is too long)");
    return e;
}

// ---- files -------------------------------------------------------------------------------

void WriteAll(HANDLE f, const void* p, size_t n) {
    const auto* c = static_cast<const std::uint8_t*>(p);
    while (n) {
        const DWORD part = (DWORD)std::min<size_t>(n, 1u << 30);
        DWORD w = 0;
        if (!WriteFile(f, c, part, &w, nullptr) || w != part)
            Fail(base::errDeviceIoError, "The backup could not be written");
        c += w;
        n -= w;
    }
}

// Reads up to n bytes; returns what was read (less only at the end of the file).
size_t ReadSome(HANDLE f, void* p, size_t n) {
    auto* c = static_cast<std::uint8_t*>(p);
    size_t total = 0;
    while (total < n) {
        DWORD r = 0;
        if (!ReadFile(f, c + total, (DWORD)(n - total), &r, nullptr))
            Fail(base::errDeviceIoError, "The file could not be read");
        if (r == 0) break;
        total += r;
    }
    return total;
}

std::uint64_t Ft(const FILETIME& t) { return t.dwLowDateTime | std::uint64_t(t.dwHighDateTime) << 32; }
FILETIME Ft(std::uint64_t v) { return FILETIME{(DWORD)v, (DWORD)(v >> 32)}; }

// ---- the writer ----------------------------------------------------------------------------

class Writer {
public:
    Writer(HANDLE f, const std::string& passPhrase) : f_(f) {
        std::uint8_t salt[16];
        Random(salt, sizeof salt);
        keys_ = std::make_unique<Keys>(passPhrase, salt, kIterations);
        Bytes head(kMagic, kMagic + 8);
        Put32(head, kIterations);
        head.insert(head.end(), salt, salt + 16);
        std::uint8_t mac[kMac];
        keys_->Mac({{head.data(), head.size()}}, mac);
        head.insert(head.end(), mac, mac + kMac);
        WriteAll(f_, head.data(), head.size());
    }

    void Block(std::uint8_t type, const std::uint8_t* data, size_t n, bool tryDeflate) {
        const std::uint8_t* stored = data;
        size_t storedLen = n;
        std::uint8_t flags = 0;
        if (tryDeflate && n > 64) {
            uLongf cap = compressBound((uLong)n);
            packed_.resize(cap);
            if (compress2(packed_.data(), &cap, data, (uLong)n, kDeflateLevel) == Z_OK && cap < n) {
                stored = packed_.data();
                storedLen = cap;
                flags = kDeflated;
            }
        }
        std::uint8_t iv[16];
        Random(iv, sizeof iv);
        keys_->Encrypt(stored, storedLen, iv, cipher_);
        Bytes head;
        head.push_back(type);
        head.push_back(flags);
        Put32(head, (std::uint32_t)n);
        Put32(head, (std::uint32_t)storedLen);
        Put32(head, (std::uint32_t)cipher_.size());
        head.insert(head.end(), iv, iv + 16);
        Bytes seq;
        Put64(seq, seq_++);
        std::uint8_t mac[kMac];
        keys_->Mac({{seq.data(), seq.size()}, {head.data(), head.size()}, {cipher_.data(), cipher_.size()}}, mac);
        WriteAll(f_, head.data(), head.size());
        WriteAll(f_, cipher_.data(), cipher_.size());
        WriteAll(f_, mac, kMac);
    }

    void Meta(const Entry& e) {
        const Bytes b = EncodeEntry(e);
        Block(kMeta, b.data(), b.size(), false);
        ++entries_;
    }
    void ItemEnd(std::uint64_t bytes) {
        Bytes b;
        Put64(b, bytes);
        Block(kItemEnd, b.data(), b.size(), false);
    }
    void End() {
        Bytes b;
        Put64(b, entries_);
        Block(kArchiveEnd, b.data(), b.size(), false);
    }
    std::uint64_t entries() const { return entries_; }

private:
    HANDLE f_;
    std::unique_ptr<Keys> keys_;
    std::uint64_t seq_ = 0, entries_ = 0;
    Bytes packed_, cipher_;
};

bool AttributesOf(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& d) {
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d) != 0;
}

Entry FileEntry(EntryKind kind, const std::string& path, const WIN32_FILE_ATTRIBUTE_DATA& d) {
    Entry e;
    e.kind = kind;
    e.path = path;
    e.attributes = d.dwFileAttributes;
    e.created = Ft(d.ftCreationTime);
    e.accessed = Ft(d.ftLastAccessTime);
    e.written = Ft(d.ftLastWriteTime);
    return e;
}

void AddFile(Writer& w, const std::string& path, const WIN32_FILE_ATTRIBUTE_DATA& d, BackupReport& report, Bytes& buf) {
    base::FileHandle f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!f) Fail(errItemUnreadable, "The file " + path + " could not be read for the backup");
    w.Meta(FileEntry(EntryKind::File, path, d));
    std::uint64_t total = 0;
    for (;;) {
        const size_t n = ReadSome(f.get(), buf.data(), kChunk);
        if (n == 0) break;
        w.Block(kData, buf.data(), n, true);
        total += n;
        if (n < kChunk) break;
    }
    w.ItemEnd(total);
    report.bytes += total;
}

void AddFolder(Writer& w, const std::string& path, const WIN32_FILE_ATTRIBUTE_DATA& d, BackupReport& report,
               Bytes& buf) {
    w.Meta(FileEntry(EntryKind::Folder, path, d));
    // A junction or link is kept as a folder, not followed: it may lead anywhere, or in a loop.
    if (d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return;
    WIN32_FIND_DATAA fd;
    base::FindHandle find(FindFirstFileA((path + "\\*").c_str(), &fd));
    if (!find) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND) return;
        Fail(errItemUnreadable, "The folder " + path + " could not be read for the backup");
    }
    do {
        const std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        const std::string child = path + "\\" + name;
        WIN32_FILE_ATTRIBUTE_DATA cd;
        if (!AttributesOf(child, cd))
            Fail(errItemUnreadable, "The item " + child + " could not be read for the backup");
        if (cd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            AddFolder(w, child, cd, report, buf);
        else
            AddFile(w, child, cd, report, buf);
    } while (FindNextFileA(find.get(), &fd));
    if (GetLastError() != ERROR_NO_MORE_FILES)
        Fail(errItemUnreadable, "The folder " + path + " could not be read for the backup");
}

HKEY RootOf(const std::string& full, std::string& rest) {
    const size_t slash = full.find('\\');
    const std::string root = full.substr(0, slash);
    rest = slash == std::string::npos ? std::string() : full.substr(slash + 1);
    if (root == "HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
    if (root == "HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
    if (root == "HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
    if (root == "HKEY_USERS") return HKEY_USERS;
    return nullptr;
}

void AddKey(Writer& w, HKEY key, const std::string& full, BackupReport& report) {
    Entry ke;
    ke.kind = EntryKind::RegKey;
    ke.path = full;
    w.Meta(ke);
    DWORD subKeys = 0, maxSub = 0, values = 0, maxName = 0, maxData = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &maxSub, nullptr, &values, &maxName, &maxData,
                         nullptr, nullptr) != ERROR_SUCCESS)
        Fail(errItemUnreadable, "The key " + full + " could not be read for the backup");
    std::string name;
    Bytes data;
    for (DWORD i = 0;; ++i) {
        // Grow and retry: a value may change size between the query and the read.
        LONG rc = ERROR_MORE_DATA;
        DWORD type = 0, nameLen = 0, dataLen = 0;
        for (int attempt = 0; attempt < 8 && rc == ERROR_MORE_DATA; ++attempt) {
            name.resize(maxName + 2);
            data.resize(std::max<DWORD>(maxData, 1));
            nameLen = (DWORD)name.size();
            dataLen = (DWORD)data.size();
            rc = RegEnumValueA(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
            if (rc == ERROR_MORE_DATA) {
                maxName = std::max<DWORD>(maxName * 2 + 16, nameLen + 1);
                maxData = std::max<DWORD>(maxData * 2 + 16, dataLen);
            }
        }
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) Fail(errItemUnreadable, "A value of " + full + " could not be read for the backup");
        Entry ve;
        ve.kind = EntryKind::RegValue;
        ve.path = full;
        ve.name.assign(name.data(), nameLen);
        ve.attributes = type;
        w.Meta(ve);
        for (size_t off = 0; off < dataLen; off += kChunk)
            w.Block(kData, data.data() + off, std::min<size_t>(kChunk, dataLen - off), true);
        w.ItemEnd(dataLen);
        report.bytes += dataLen;
    }
    for (DWORD i = 0;; ++i) {
        std::string sub(std::max<DWORD>(maxSub, 255) + 2, '\0');
        DWORD len = (DWORD)sub.size();
        const LONG rc = RegEnumKeyExA(key, i, sub.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) Fail(errItemUnreadable, "A subkey of " + full + " could not be read for the backup");
        sub.resize(len);
        base::RegKey child;
        if (RegOpenKeyExA(key, sub.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, child.put()) != ERROR_SUCCESS)
            Fail(errItemUnreadable, "The key " + full + "\\" + sub + " could not be read for the backup");
        AddKey(w, child.get(), full + "\\" + sub, report);
    }
}

// ---- the reader ----------------------------------------------------------------------------

struct Block {
    std::uint8_t type = 0;
    Bytes plain;
};

class Reader {
public:
    Reader(HANDLE f, const std::string& passPhrase) : f_(f) {
        std::uint8_t head[8 + 4 + 16 + kMac];
        if (ReadSome(f_, head, sizeof head) != sizeof head || std::memcmp(head, kMagic, 8) != 0)
            Fail(errArchiveDamaged, "The file is not a backup archive, or it is cut short");
        const std::uint32_t iterations = Get32(head + 8);
        if (iterations < 1000 || iterations > kMaxIterations)
            Fail(errArchiveDamaged, "The backup archive is damaged (its header)");
        keys_ = std::make_unique<Keys>(passPhrase, head + 12, iterations);
        std::uint8_t mac[kMac];
        keys_->Mac({{head, 28}}, mac);
        if (!SameMac(mac, head + 28))
            Fail(errWrongPassPhrase, "The pass phrase does not open this backup, or its header was altered");
    }

    // The next block, checked; throws on anything out of place. The archive end must be last.
    Block Next() {
        std::uint8_t head[kBlockHeader];
        const size_t got = ReadSome(f_, head, sizeof head);
        if (got != sizeof head) Fail(errArchiveDamaged, "The backup archive is cut short");
        Block b;
        b.type = head[0];
        const std::uint8_t flags = head[1];
        const std::uint32_t plainLen = Get32(head + 2), storedLen = Get32(head + 6), cipherLen = Get32(head + 10);
        const size_t limit = b.type == kData ? kChunk : kMaxMeta;
        if (b.type < kMeta || b.type > kArchiveEnd || (flags & ~kDeflated) || plainLen > limit || cipherLen % 16 != 0 ||
            cipherLen == 0 || cipherLen > compressBound((uLong)limit) + 32 || storedLen >= cipherLen ||
            cipherLen - storedLen > 16 || (!(flags & kDeflated) && storedLen != plainLen))
            Fail(errArchiveDamaged, "The backup archive is damaged (a block header)");
        cipher_.resize(cipherLen);
        std::uint8_t mac[kMac], want[kMac];
        if (ReadSome(f_, cipher_.data(), cipherLen) != cipherLen || ReadSome(f_, mac, kMac) != kMac)
            Fail(errArchiveDamaged, "The backup archive is cut short");
        Bytes seq;
        Put64(seq, seq_++);
        keys_->Mac({{seq.data(), seq.size()}, {head, sizeof head}, {cipher_.data(), cipher_.size()}}, want);
        if (!SameMac(mac, want)) Fail(errArchiveDamaged, "The backup archive was altered or damaged");
        if (!keys_->Decrypt(cipher_.data(), cipherLen, head + 14, stored_) || stored_.size() != storedLen)
            Fail(errArchiveDamaged, "The backup archive was altered or damaged");
        if (flags & kDeflated) {
            b.plain.resize(plainLen);
            uLongf out = plainLen;
            if (uncompress(b.plain.data(), &out, stored_.data(), storedLen) != Z_OK || out != plainLen)
                Fail(errArchiveDamaged, "The backup archive is damaged (a block does not unpack)");
        } else {
            b.plain.swap(stored_);
        }
        return b;
    }

    bool AtFileEnd() {
        std::uint8_t c;
        return ReadSome(f_, &c, 1) == 0;
    }

private:
    HANDLE f_;
    std::unique_ptr<Keys> keys_;
    std::uint64_t seq_ = 0;
    Bytes cipher_, stored_;
};

base::FileHandle OpenArchive(const std::string& folder) {
    const std::string path = ArchivePath(folder);
    base::FileHandle f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!f) {
        const DWORD e = GetLastError();
        if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND)
            Fail(errArchiveMissing, "There is no backup archive in " + folder);
        Fail(base::errPermissionDenied, "The backup archive in " + folder + " could not be opened");
    }
    return f;
}

// Walks the whole archive: entries in order, with the data of each. `onEntry` sees every entry
// before its data; `onData` every data block. Everything is checked; the end must be there.
template <class OnEntry, class OnData, class OnEnd>
void Walk(HANDLE f, const std::string& passPhrase, OnEntry onEntry, OnData onData, OnEnd onItemEnd) {
    Reader r(f, passPhrase);
    std::uint64_t entries = 0;
    bool inItem = false;  // between a file's or value's meta and its end
    std::uint64_t itemBytes = 0;
    for (;;) {
        Block b = r.Next();
        switch (b.type) {
            case kMeta: {
                if (inItem) Fail(errArchiveDamaged, "The backup archive is damaged (an item without its end)");
                Entry e = DecodeEntry(b.plain);
                const bool safe =
                    (e.kind == EntryKind::File || e.kind == EntryKind::Folder)
                        ? IsSafeFilePath(e.path) && (e.kind == EntryKind::File || e.path.size() < kMaxRestoreFolder)
                        : IsSafeRegistryPath(e.path) && e.name.find('\0') == std::string::npos;
                if (!safe) Fail(errUnsafePath, "The backup holds an entry with an unsafe path: " + e.path);
                ++entries;
                inItem = e.kind == EntryKind::File || e.kind == EntryKind::RegValue;
                itemBytes = 0;
                onEntry(e);
                break;
            }
            case kData:
                if (!inItem) Fail(errArchiveDamaged, "The backup archive is damaged (data outside an item)");
                itemBytes += b.plain.size();
                onData(b.plain);
                break;
            case kItemEnd:
                if (!inItem || b.plain.size() != 8 || Get64(b.plain.data()) != itemBytes)
                    Fail(errArchiveDamaged, "The backup archive is damaged (an item's length)");
                inItem = false;
                onItemEnd(itemBytes);
                break;
            case kArchiveEnd:
                if (inItem || b.plain.size() != 8 || Get64(b.plain.data()) != entries || !r.AtFileEnd())
                    Fail(errArchiveDamaged, "The backup archive is damaged (its end)");
                return;
        }
    }
}

// ---- restoring -----------------------------------------------------------------------------

// Every change a restore made, in order, with the way back: a restore that fails part way puts
// back what the entries before the failure replaced, so it is all or nothing.
class Undo {
public:
    void Add(std::string what, std::function<bool()> back) { steps_.push_back({std::move(what), std::move(back)}); }
    void OnCommit(std::function<void()> done) { commits_.push_back(std::move(done)); }
    void Commit() {
        for (auto& done : commits_) done();
        steps_.clear();
        commits_.clear();
    }
    // Latest first; the places that could not be put back, in that order.
    std::vector<std::string> Rollback() noexcept {
        std::vector<std::string> left;
        for (auto it = steps_.rbegin(); it != steps_.rend(); ++it) {
            bool ok = false;
            try {
                ok = it->back();
            } catch (...) {
                ok = false;  // counted below: the user hears of every place that stayed changed
            }
            if (!ok) {
                try {
                    left.push_back(it->what);
                } catch (...) {
                    // No memory left even for the name: the message still says the restore failed.
                }
            }
        }
        steps_.clear();
        commits_.clear();
        return left;
    }

private:
    struct Step {
        std::string what;
        std::function<bool()> back;
    };
    std::vector<Step> steps_;
    std::vector<std::function<void()>> commits_;
};

bool ForceDeleteFile(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

void MakeFolders(const std::string& path, Undo& undo) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    const size_t slash = path.find_last_of('\\');
    if (slash != std::string::npos && slash > 2) MakeFolders(path.substr(0, slash), undo);
    if (!CreateDirectoryA(path.c_str(), nullptr)) {
        if (GetLastError() == ERROR_ALREADY_EXISTS) return;
        Fail(errRestoreFailed, "The folder " + path + " could not be made");
    }
    undo.Add(path, [path] { return RemoveDirectoryA(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND; });
}

struct Times {
    FILETIME c{}, a{}, w{};
};

bool PutTimes(const std::string& path, const Times& t, bool folder) {
    base::FileHandle h(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   folder ? FILE_FLAG_BACKUP_SEMANTICS : 0, nullptr));
    return h && SetFileTime(h.get(), &t.c, &t.a, &t.w);
}

void SetTimes(const std::string& path, const Entry& e, bool folder) {
    if (!PutTimes(path, {Ft(e.created), Ft(e.accessed), Ft(e.written)}, folder))
        Fail(errRestoreFailed, "The times of " + path + " could not be set");
}

// A folder's attributes and times as they are now, to be put back on a failure.
void KeepFolderState(const std::string& path, Undo& undo) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return;
    const Times t{d.ftCreationTime, d.ftLastAccessTime, d.ftLastWriteTime};
    const DWORD attributes = d.dwFileAttributes;
    undo.Add(path,
             [path, t, attributes] { return PutTimes(path, t, true) && SetFileAttributesA(path.c_str(), attributes); });
}

class FileRestorer {
public:
    explicit FileRestorer(Undo& undo) : undo_(undo) {}
    void Begin(const Entry& e) {
        entry_ = e;
        const size_t slash = e.path.find_last_of('\\');
        folder_ = e.path.substr(0, slash);
        MakeFolders(folder_, undo_);
        char name[kRestoreTempName + 1];
        wsprintfA(name, "~cvr%04X.tmp", (unsigned)(GetCurrentProcessId() & 0xFFFF));
        temp_ = folder_ + "\\" + name;
        DeleteFileA(temp_.c_str());
        file_ = base::FileHandle(
            CreateFileA(temp_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file_) Fail(errRestoreFailed, "The file " + e.path + " could not be written");
    }
    void Data(const Bytes& b) { WriteAll(file_.get(), b.data(), b.size()); }
    void End() {
        if (!FlushFileBuffers(file_.get())) Fail(errRestoreFailed, "The file " + entry_.path + " could not be written");
        file_ = base::FileHandle();
        const std::string path = entry_.path;
        // The file there is set aside whole (a rename keeps its bytes, attributes and times) and
        // comes back on a failure; it goes only when the whole restore has succeeded.
        std::string aside;
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            char name[MAX_PATH] = {};
            if (!GetTempFileNameA(folder_.c_str(), "cvk", 0, name) ||
                !MoveFileExA(path.c_str(), name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                const DWORD err = GetLastError();
                if (name[0]) DeleteFileA(name);
                Abandon();
                Fail(errRestoreFailed,
                     "The file " + path + " could not be put back (error " + std::to_string(err) + ")");
            }
            aside = name;
        }
        if (!MoveFileExA(temp_.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
            const DWORD err = GetLastError();
            if (!aside.empty()) MoveFileExA(aside.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH);
            Abandon();
            Fail(errRestoreFailed, "The file " + path + " could not be put back (error " + std::to_string(err) + ")");
        }
        temp_.clear();
        if (aside.empty()) {
            undo_.Add(path, [path] { return ForceDeleteFile(path); });
        } else {
            undo_.Add(path, [path, aside] {
                return ForceDeleteFile(path) && MoveFileExA(aside.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH);
            });
            undo_.OnCommit([aside] { ForceDeleteFile(aside); });
        }
        SetTimes(path, entry_, false);
        if (!SetFileAttributesA(path.c_str(), entry_.attributes ? entry_.attributes : FILE_ATTRIBUTE_NORMAL))
            Fail(errRestoreFailed, "The attributes of " + path + " could not be set");
    }
    void Abandon() {
        file_ = base::FileHandle();
        if (!temp_.empty()) DeleteFileA(temp_.c_str());
        temp_.clear();
    }
    ~FileRestorer() { Abandon(); }

private:
    Undo& undo_;
    Entry entry_;
    std::string folder_, temp_;
    base::FileHandle file_;
};

bool KeyExists(HKEY root, const std::string& rest) {
    base::RegKey k;
    return RegOpenKeyExA(root, rest.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, k.put()) == ERROR_SUCCESS;
}

// Makes the key; the outermost key that was not there yet is deleted again, with all below it,
// on a failure.
void MakeKey(HKEY root, const std::string& full, const std::string& rest, base::RegKey& key, Undo& undo) {
    std::string made;
    for (size_t at = rest.find('\\');; at = rest.find('\\', at + 1)) {
        const std::string part = rest.substr(0, at);
        if (!KeyExists(root, part)) {
            made = part;
            break;
        }
        if (at == std::string::npos) break;
    }
    if (RegCreateKeyExA(root, rest.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_QUERY_VALUE | KEY_WOW64_64KEY, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS)
        Fail(errRestoreFailed, "The key " + full + " could not be made");
    if (made.empty()) return;
    const size_t slash = made.find_last_of('\\');
    const std::string parent = slash == std::string::npos ? std::string() : made.substr(0, slash);
    const std::string name = slash == std::string::npos ? made : made.substr(slash + 1);
    undo.Add(full, [root, parent, name] {
        base::RegKey p;
        if (RegOpenKeyExA(root, parent.c_str(), 0,
                          DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY,
                          p.put()) != ERROR_SUCCESS)
            return false;
        const LONG rc = RegDeleteTreeA(p.get(), name.c_str());
        return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
    });
}

// Writes the value; its old type and data (or its absence) come back on a failure.
void SetValue(HKEY root, const std::string& rest, HKEY key, const Entry& e, const Bytes& value, Undo& undo) {
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueExA(key, e.name.c_str(), nullptr, &type, nullptr, &size);
    const bool existed = rc == ERROR_SUCCESS;
    Bytes old(size);
    while (existed) {
        DWORD got = (DWORD)old.size();
        rc = RegQueryValueExA(key, e.name.c_str(), nullptr, &type, old.empty() ? nullptr : old.data(), &got);
        if (rc == ERROR_MORE_DATA) {
            old.resize(got);
            continue;
        }
        if (rc != ERROR_SUCCESS) Fail(errRestoreFailed, "The value " + e.name + " of " + e.path + " could not be read");
        old.resize(got);
        break;
    }
    if (RegSetValueExA(key, e.name.c_str(), 0, e.attributes, value.empty() ? nullptr : value.data(),
                       (DWORD)value.size()) != ERROR_SUCCESS)
        Fail(errRestoreFailed, "The value " + e.name + " of " + e.path + " could not be written");
    const std::string name = e.name;
    undo.Add(e.path + "\\" + e.name, [root, rest, name, existed, type, old] {
        base::RegKey k;
        if (RegOpenKeyExA(root, rest.c_str(), 0, KEY_SET_VALUE | KEY_WOW64_64KEY, k.put()) != ERROR_SUCCESS)
            return false;
        if (!existed) {
            const LONG rc = RegDeleteValueA(k.get(), name.c_str());
            return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
        }
        return RegSetValueExA(k.get(), name.c_str(), 0, type, old.empty() ? nullptr : old.data(), (DWORD)old.size()) ==
               ERROR_SUCCESS;
    });
}

// Folder times and attributes, deepest first: writing their contents changed their times. With
// `undo`, each folder's state as it was goes into it first.
void SetFolderStates(const std::vector<Entry>& folders, Undo* undo) {
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        if (undo) KeepFolderState(it->path, *undo);
        SetTimes(it->path, *it, true);
        SetFileAttributesA(it->path.c_str(), it->attributes);
    }
}

// The entries, once the whole archive was checked; every change goes into `undo`. `folders` gets
// the folder entries.
void RestoreEntries(const std::string& folder, const std::string& passPhrase, const RestoreOptions& options, Undo& undo,
                    std::vector<Entry>& restored, std::vector<Entry>& folders) {
    base::FileHandle f = OpenArchive(folder);
    FileRestorer file(undo);
    base::RegKey key;  // the key whose values follow
    HKEY keyRoot = nullptr;
    std::string keyRest;
    bool keySkipped = false;
    Entry current;
    Bytes value;
    Walk(
        f.get(), passPhrase,
        [&](const Entry& e) {
            current = e;
            switch (e.kind) {
                case EntryKind::Folder:
                    MakeFolders(e.path, undo);
                    folders.push_back(e);
                    break;
                case EntryKind::File:
                    file.Begin(e);
                    break;
                case EntryKind::RegKey: {
                    keyRoot = RootOf(e.path, keyRest);
                    keySkipped =
                        KeyExists(keyRoot, keyRest) && options.replacingRegKey && !options.replacingRegKey(e.path);
                    key = base::RegKey();
                    if (keySkipped) break;
                    MakeKey(keyRoot, e.path, keyRest, key, undo);
                    restored.push_back(e);
                    break;
                }
                case EntryKind::RegValue:
                    value.clear();
                    break;
            }
        },
        [&](const Bytes& b) {
            if (current.kind == EntryKind::File)
                file.Data(b);
            else
                value.insert(value.end(), b.begin(), b.end());
        },
        [&](std::uint64_t) {
            if (current.kind == EntryKind::File) {
                file.End();
                restored.push_back(current);
                return;
            }
            if (keySkipped) return;
            if (!key) Fail(errArchiveDamaged, "The backup archive is damaged (a value without its key)");
            SetValue(keyRoot, keyRest, key.get(), current, value, undo);
            restored.push_back(current);
        });
    SetFolderStates(folders, &undo);
}

}  // namespace

std::string ArchivePath(const std::string& folder) { return folder + "\\" + kArchiveName; }

namespace {

// Names Windows reserves for devices in every folder, with any extension and in any case:
// "NUL.txt" opens the null device, not a file.
bool IsDeviceName(const std::string& part) {
    std::string base = part.substr(0, part.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base) c = (char)std::toupper((unsigned char)c);
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* d : kDevices)
        if (base == d) return true;
    // COM0-9 and LPT0-9, the superscript digits of the ANSI code page included.
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           (std::isdigit((unsigned char)base[3]) || base[3] == '\xB9' || base[3] == '\xB2' || base[3] == '\xB3');
}

// One name of a file path: not empty, "." or "..", no character Windows refuses in a name
// (wildcards included), not a device, no blank or dot at its end (Windows drops them, so
// "victim.txt." would land on "victim.txt"), at most 255 characters.
bool IsSafeFileName(const std::string& part) {
    if (part.empty() || part == "." || part == ".." || part.size() > 255) return false;
    for (unsigned char c : part)
        if (c < 32 || std::strchr("<>:\"/\\|?*", c)) return false;
    if (part.back() == ' ' || part.back() == '.') return false;
    return !IsDeviceName(part);
}

}  // namespace

bool IsSafeFilePath(const std::string& path) {
    const bool drive = path.size() >= 3 && std::isalpha((unsigned char)path[0]) && path[1] == ':' && path[2] == '\\';
    const bool unc =
        path.size() >= 3 && path[0] == '\\' && path[1] == '\\' && path[2] != '\\' && path[2] != '?' && path[2] != '.';
    if (!drive && !unc) return false;
    // The whole path within MAX_PATH, and its folder with room for the restore's temporary name.
    if (path.size() >= MAX_PATH || path.find('\0') != std::string::npos) return false;
    const size_t lastSlash = path.find_last_of('\\');
    if (lastSlash >= kMaxRestoreFolder) return false;
    size_t start = drive ? 3 : 2;
    // A network path names its server and its share before the first name in it: "\\server"
    // alone, or "\\server\share", is no place a file or folder can be put back.
    if (unc && std::count(path.begin() + 2, path.end(), '\\') < 2) return false;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        if (!IsSafeFileName(path.substr(start, end - start))) return false;
        start = end + 1;
    }
    return true;
}

bool IsSafeRegistryPath(const std::string& path) {
    std::string rest;
    // A NUL would cut the key short: the restore would write into another key.
    if (path.find('\0') != std::string::npos || !RootOf(path, rest) || rest.empty()) return false;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find('\\', start);
        if (end == std::string::npos) end = rest.size();
        const std::string part = rest.substr(start, end - start);
        if (part.empty() || part == "." || part == ".." || part.size() > 255) return false;
        start = end + 1;
    }
    return true;
}

BackupReport WriteBackup(const std::string& folder, const std::string& passPhrase, const Selection& selection) {
    const std::string final = ArchivePath(folder);
    if (GetFileAttributesA(final.c_str()) != INVALID_FILE_ATTRIBUTES)
        Fail(errArchiveExists, "The folder " + folder + " holds a backup already");
    const std::string temp = final + ".partial-" + std::to_string(GetCurrentProcessId());
    DeleteFileA(temp.c_str());
    BackupReport report;
    {
        base::FileHandle f(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!f) Fail(base::errPathFileAccessError, "The backup could not be written into " + folder);
        try {
            Writer w(f.get(), passPhrase);
            Bytes buf(kChunk);
            for (const std::string& selected : selection.paths) {
                // Recorded by the long name: a short (8.3) name is gone with the item, and a
                // restore by it would make a folder literally named "PROG~1". Only where the long
                // name cannot be written in the code page, or passes MAX_PATH, the short one stays.
                const std::string p = base::LongAnsiPath(selected);
                WIN32_FILE_ATTRIBUTE_DATA d;
                if (!AttributesOf(p, d)) {
                    const DWORD e = GetLastError();
                    if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) {
                        report.missing.push_back(selected);
                        continue;
                    }
                    Fail(errItemUnreadable, "The item " + p + " could not be read for the backup");
                }
                if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    AddFolder(w, p, d, report, buf);
                else
                    AddFile(w, p, d, report, buf);
            }
            for (const std::string& k : selection.registryKeys) {
                std::string rest;
                const HKEY root = RootOf(k, rest);
                if (!root || rest.empty()) Fail(errUnsafePath, "The key " + k + " has no full path");
                base::RegKey key;
                const LONG rc = RegOpenKeyExA(root, rest.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put());
                if (rc == ERROR_FILE_NOT_FOUND) {
                    report.missing.push_back(k);
                    continue;
                }
                if (rc != ERROR_SUCCESS) Fail(errItemUnreadable, "The key " + k + " could not be read for the backup");
                AddKey(w, key.get(), k, report);
            }
            w.End();
            report.entries = w.entries();
            if (!FlushFileBuffers(f.get())) Fail(base::errDeviceIoError, "The backup could not be written");
        } catch (...) {
            f = base::FileHandle();
            DeleteFileA(temp.c_str());
            throw;
        }
    }
    // No replacing: an archive that appeared meanwhile stays as it is.
    if (!MoveFileExA(temp.c_str(), final.c_str(), MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temp.c_str());
        Fail(errArchiveExists, "The backup could not take its name in " + folder);
    }
    SetFileAttributesA(final.c_str(), FILE_ATTRIBUTE_NORMAL);
    return report;
}

void WriteRawArchiveForTests(const std::string& folder, const std::string& passPhrase,
                             const std::vector<RawItem>& items) {
    base::FileHandle f(CreateFileA(ArchivePath(folder).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) Fail(base::errPathFileAccessError, "The backup could not be written into " + folder);
    Writer w(f.get(), passPhrase);
    for (const RawItem& item : items) {
        w.Meta(item.entry);
        if (item.entry.kind != EntryKind::File && item.entry.kind != EntryKind::RegValue) continue;
        if (!item.data.empty()) w.Block(kData, (const std::uint8_t*)item.data.data(), item.data.size(), true);
        w.ItemEnd(item.data.size());
    }
    w.End();
}

std::vector<Entry> ReadEntries(const std::string& folder, const std::string& passPhrase) {
    base::FileHandle f = OpenArchive(folder);
    std::vector<Entry> entries;
    Walk(
        f.get(), passPhrase, [&](const Entry& e) { entries.push_back(e); }, [](const Bytes&) {},
        [&](std::uint64_t n) { entries.back().size = n; });
    return entries;
}

void Restore(const std::string& folder, const std::string& passPhrase, const RestoreOptions& options) {
    // First the whole archive is checked; only a sound one is restored.
    ReadEntries(folder, passPhrase);
    Undo undo;
    std::vector<Entry> restored, folders;
    try {
        RestoreEntries(folder, passPhrase, options, undo, restored, folders);
    } catch (const base::RuntimeError& e) {
        const std::vector<std::string> left = undo.Rollback();
        std::string text = e.description() + ".";
        if (left.empty()) {
            text += " Nothing was changed.";
        } else {
            text += " These could not be put back as they were:";
            for (const std::string& place : left) text += " " + place + ";";
            text.back() = '.';
        }
        Fail(e.number(), text);
    } catch (...) {
        undo.Rollback();
        throw;
    }
    undo.Commit();
    // Taking away the files set aside changed their folders' times again.
    SetFolderStates(folders, nullptr);
    if (options.restored)
        for (const Entry& e : restored) options.restored(e);
}

}  // namespace backup
