#include "scanner/FileVersion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/Handles.h"
#include "base/TextFile.h"
#include "base/Trap.h"
#include "core/modMain.h"
#include "core/modMainText.h"

namespace {

// A file's version resource as GetFileVersionInfoA loads it. Every query is checked against the
// buffer: a malformed resource yields nothing rather than a read past its end.
class VersionResource {
public:
    bool Load(const std::string& path) {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
        if (size == 0) return false;
        data_.assign(size, 0);
        if (!GetFileVersionInfoA(path.c_str(), 0, size, data_.data())) {
            data_.clear();
            return false;
        }
        return true;
    }
    // The value's bytes, clipped to the buffer; nullptr when the resource has none.
    const BYTE* Query(const char* subBlock, size_t& bytes) const {
        if (data_.empty()) return nullptr;
        void* p = nullptr;
        UINT len = 0;
        if (!VerQueryValueA(const_cast<BYTE*>(data_.data()), subBlock, &p, &len) || !p) return nullptr;
        const BYTE* b = static_cast<const BYTE*>(p);
        if (b < data_.data() || b >= data_.data() + data_.size()) return nullptr;
        bytes = std::min<size_t>(len, static_cast<size_t>(data_.data() + data_.size() - b));
        return b;
    }
    bool Fixed(VS_FIXEDFILEINFO& info) const {
        size_t n = 0;
        const BYTE* p = Query("\\", n);
        if (!p || n < sizeof(VS_FIXEDFILEINFO)) return false;
        std::memcpy(&info, p, sizeof info);
        return true;
    }
    std::string String(const std::string& subBlock) const {
        size_t n = 0;
        const BYTE* p = Query(subBlock.c_str(), n);
        if (!p) return {};
        const char* c = reinterpret_cast<const char*>(p);
        return std::string(c, strnlen(c, n));
    }

private:
    std::vector<BYTE> data_;
};

std::string Hex4(unsigned v) {
    char b[8];
    std::snprintf(b, sizeof b, "%04X", v & 0xFFFF);
    return b;
}

// Whole numbers with the user's thousands separator, as the "###,###,###" pattern writes them:
// rounded, and no digits at all for zero.
std::string GroupedNumber(double value) {
    const unsigned long long n = static_cast<unsigned long long>(std::floor(value + 0.5));
    if (n == 0) return {};
    char sep[8] = ",";
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, sep, sizeof sep) <= 1) std::strcpy(sep, ",");
    std::string digits = std::to_string(n), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += sep;
        out += digits[i];
    }
    return out;
}

std::string DateText(const SYSTEMTIME& t, bool withTime) {
    char date[128] = "", time[64] = "";
    GetDateFormatA(LOCALE_USER_DEFAULT, 0, &t, "dddd, MMM dd yyyy", date, sizeof date);
    if (!withTime) return date;
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &t, "h:mm:ss tt", time, sizeof time);
    return std::string(date) + " " + time;
}

bool LocalTimeOf(const FILETIME& ft, SYSTEMTIME& out) {
    FILETIME local;
    return FileTimeToLocalFileTime(&ft, &local) && FileTimeToSystemTime(&local, &out);
}

}  // namespace

namespace basFileVersion {

std::string GetPathDirectory(const std::string& path) {
    const size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string GetPathFileName(const std::string& path) {
    const size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool PrintFileProperties(const std::string& path, FileProperties& p, bool printIt, const std::string& logFile) {
    try {
        VersionResource resource;
        VS_FIXEDFILEINFO fixed{};
        const bool hasVersion = resource.Load(path) && resource.Fixed(fixed);

        p.FullPath = path;
        p.FileName = GetPathFileName(path);
        p.Directory = GetPathDirectory(path);

        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) base::Raise(base::errFileNotFound);
        // Calendar fields as they are: no round trip through a date text the locale might misread.
        SYSTEMTIME t;
        if (LocalTimeOf(data.ftLastAccessTime, t)) p.AccessDate = t;
        if (LocalTimeOf(data.ftCreationTime, t)) p.CreationDate = t;
        if (LocalTimeOf(data.ftLastWriteTime, t)) p.ModifyDate = t;

        p.FileTypeCode = hasVersion ? fixed.dwFileType : 0;
        switch (p.FileTypeCode) {
            case 1:
                p.FileTypeText = "Application";
                break;
            case 2:
                p.FileTypeText = "DLL Library";
                break;
            case 3:
                p.FileTypeText = "Driver";
                break;
            case 4:
                p.FileTypeText = "Font";
                break;
            case 5:
                p.FileTypeText = "VXD File";
                break;
            case 7:
                p.FileTypeText = "Static Library";
                break;
            default:
                p.FileTypeText = "Unknown";
                break;
        }
        const DWORD a = data.dwFileAttributes;
        p.Attributes = a;
        p.Archive = a & 0x20;
        p.Compressed = a & 0x800;
        p.Directory_ = a & 0x10;
        p.Hidden = a & 0x2;
        p.Normal = a & 0x80;
        p.ReadOnly = a & 0x1;
        p.System = a & 0x4;
        p.Temporary = a & 0x100;
        p.FileSize = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        p.HasVersionResource = hasVersion;

        if (hasVersion) {
            p.Version1 = HIWORD(fixed.dwProductVersionMS);
            p.Version2 = LOWORD(fixed.dwProductVersionMS);
            p.Version3 = LOWORD(fixed.dwFileVersionLS);
            p.Version4 = HIWORD(fixed.dwFileVersionLS);
        }
        size_t n = 0;
        if (const BYTE* tr = resource.Query("\\VarFileInfo\\Translation", n); tr && n >= 4) {
            // Language and code page as unsigned words: a code page of 0x8000 or more is valid.
            const std::string table =
                "\\StringFileInfo\\" + Hex4(tr[0] + 256u * tr[1]) + Hex4(tr[2] + 256u * tr[3]) + "\\";
            p.CompanyName = resource.String(table + "CompanyName");
            p.FileDescription = resource.String(table + "FileDescription");
            p.FileVersion = resource.String(table + "FileVersion");
            p.InternalName = resource.String(table + "InternalName");
            p.LegalCopyright = resource.String(table + "LegalCopyright");
            p.OriginalFileName = resource.String(table + "OriginalFileName");
            p.ProductName = resource.String(table + "ProductName");
            p.ProductVersion = resource.String(table + "ProductVersion");
        }
        if (printIt) base::AppendText(logFile, FilePropertiesBlock(p) + "\r\n" + "\r\n\r\n");
        return true;
    } catch (...) {
        return false;
    }
}

std::string FilePropertiesBlock(const FileProperties& p) {
    const std::string CR = "\r", CRLF = "\r\n", TAB = "\t";
    auto yes = [](bool b) { return std::string(b ? "True" : "False"); };
    std::string s = CRLF + "Path:" + CR;
    s += "Filename:" + TAB + p.FileName + CR + CRLF;
    s += "Directory:" + TAB + p.Directory + CR + CRLF;
    s += "Full Path:" + TAB + p.FullPath + CR + CR + CRLF;
    s += "Date:" + CR + CRLF;
    s += "Creation Date:" + TAB + DateText(p.CreationDate, true) + CR + CRLF;
    s += "Modify Date:" + TAB + DateText(p.ModifyDate, true) + CR + CRLF;
    s += "Access Date:" + TAB + DateText(p.AccessDate, false) + CR + CR + CRLF;
    s += "Attributes:" + CR + CRLF;
    s += "Archive:" + TAB + yes(p.Archive) + CR + CRLF;
    s += "Compressed:" + TAB + yes(p.Compressed) + CR + CRLF;
    s += "Directory:" + TAB + yes(p.Directory_) + CR + CRLF;
    s += "Hidden:" + TAB + yes(p.Hidden) + CR + CRLF;
    s += "Normal:" + TAB + yes(p.Normal) + CR + CRLF;
    s += "Read Only:" + TAB + yes(p.ReadOnly) + CR + CRLF;
    s += "System:" + TAB + yes(p.System) + CR + CRLF;
    s += "Temporary:" + TAB + yes(p.Temporary) + CR + CR + CRLF;
    s += "String Info:" + CR + CRLF;
    s += "Company Name:" + TAB + p.CompanyName + CR + CRLF;
    s += "File Description:" + TAB + p.FileDescription + CR + CRLF;
    s += "File Version:" + TAB + p.FileVersion + CR + CRLF;
    s += "Internal Name:" + TAB + p.InternalName + CR + CRLF;
    s += "Original Filename:" + TAB + p.OriginalFileName + CR + CRLF;
    s += "Product Name:" + TAB + p.ProductName + CR + CRLF;
    s += "Product Version:" + TAB + p.ProductVersion + CR + CRLF;
    s += "Legal Copyright:" + TAB + p.LegalCopyright + CR + CR + CRLF;
    s += "Misc.:" + CR + CRLF;
    s += "File Size:" + TAB + GroupedNumber(static_cast<double>(p.FileSize) / 1024) + " KB (" +
         GroupedNumber(static_cast<double>(p.FileSize)) + " bytes)" + CR;
    if (p.FileTypeCode != 0) s += CRLF + "File Type:" + TAB + p.FileTypeText + CR;
    if (p.HasVersionResource)
        s += CRLF + "Version:" + TAB + std::to_string(p.Version1) + "." + std::to_string(p.Version2) + "." +
             std::to_string(p.Version3);
    return s;
}

}  // namespace basFileVersion

namespace Module2 {

void DescribeFixedFileInfo(const VS_FIXEDFILEINFO& f, std::string& FileVer, std::string& ProdVer,
                           std::string& FileFlags, std::string& FileOS, std::string& FileType,
                           std::string& FileSubType) {
    auto version = [](DWORD ms, DWORD ls) {
        return std::to_string(HIWORD(ms)) + "." + std::to_string(LOWORD(ms)) + "." + std::to_string(HIWORD(ls)) + "." +
               std::to_string(LOWORD(ls));
    };
    FileVer = version(f.dwFileVersionMS, f.dwFileVersionLS);
    ProdVer = version(f.dwProductVersionMS, f.dwProductVersionLS);
    FileFlags.clear();
    static const struct {
        DWORD bit;
        const char* text;
    } flags[] = {{0x1, "Debug "},   {0x2, "PreRel "}, {0x4, "Patched "},
                 {0x8, "Private "}, {0x10, "Info "},  {0x20, "Special "}};
    for (const auto& fl : flags)
        if (f.dwFileFlags & fl.bit) FileFlags += fl.text;
    switch (f.dwFileOS) {
        case 0x10001:
            FileOS = "DOS-Win16";
            break;
        case 0x10004:
            FileOS = "DOS-Win32";
            break;
        case 0x20002:
            FileOS = "OS/2-16 PM-16";
            break;
        case 0x30003:
            FileOS = "OS/2-16 PM-32";
            break;
        case 0x40004:
            FileOS = "NT-Win32";
            break;
        default:
            FileOS = "Unknown";
            break;
    }
    static const char* const drivers[] = {"Unknown",     "Printer drv", "Keyboard drv", "Language drv",
                                          "Display drv", "Mouse drv",   "Network drv",  "System drv",
                                          "Installable", "Sound drv",   "Comm drv"};
    static const char* const fonts[] = {nullptr, "Raster Font", "Vector Font", "TrueType Font"};
    switch (f.dwFileType) {
        case 1:
            FileType = "Executable";
            break;
        case 2:
            FileType = "DLL";
            break;
        case 3:
            FileType = "Driver";
            if (f.dwFileSubtype <= 10) FileSubType = drivers[f.dwFileSubtype];
            break;
        case 4:
            FileType = "Font";
            if (f.dwFileSubtype >= 1 && f.dwFileSubtype <= 3) FileSubType = fonts[f.dwFileSubtype];
            break;
        case 5:
            FileType = "VxD";
            break;
        case 7:
            FileType = "Lib";
            break;
        default:
            FileType = "Unknown";
            break;
    }
}

void GetFileVersionData(const std::string& FileName, std::string& FileVer, std::string& ProdVer, std::string& FileFlags,
                        std::string& FileOS, std::string& FileType, std::string& FileSubType) {
    VersionResource resource;
    VS_FIXEDFILEINFO fixed;
    if (!resource.Load(FileName) || !resource.Fixed(fixed)) return;
    DescribeFixedFileInfo(fixed, FileVer, ProdVer, FileFlags, FileOS, FileType, FileSubType);
}

}  // namespace Module2

namespace scanner {

unsigned char XorBytes(const std::string& bytes) {
    unsigned char x = 0;
    for (size_t i = 1; i < bytes.size(); ++i) x ^= static_cast<unsigned char>(bytes[i]);
    return x;
}

std::optional<unsigned char> GetFileXorChecksum(const std::string& file) {
    base::FileHandle h(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    // A file that cannot be read has no checksum (not 0, which definitions may carry).
    if (!h) return std::nullopt;
    std::vector<char> buffer(1 << 16);
    unsigned char x = 0;
    bool first = true;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(h.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) return std::nullopt;
        if (got == 0) break;
        for (DWORD i = first ? 1 : 0; i < got; ++i) x ^= static_cast<unsigned char>(buffer[i]);
        first = false;
    }
    return x;
}

namespace {

struct RawKey {
    const char* method;
    const char* key;
    const char* nextKey;  // the entry that follows when the value is empty
    size_t wideOffset, narrowOffset;
};

std::string ReadRawVersionText(const std::string& strFile, const RawKey& k) {
    size_t pos = 0, pnStart = 0, startPos = 0, endPos = 0;
    try {
        const std::string text = base::ReadWhole(strFile);
        std::string key = k.key, nextKey = k.nextKey;
        size_t offset = k.narrowOffset;
        pos = text.find(modMain::NullPad("StringFileInfo"));
        if (pos != std::string::npos) {
            key = modMain::NullPad(key);
            nextKey = modMain::NullPad(nextKey);
            offset = k.wideOffset;
        } else {
            pos = text.find("StringFileInfo");
            if (pos == std::string::npos) pos = 0;
        }
        pnStart = text.find(key, pos);
        if (pnStart == std::string::npos) return {};
        startPos = pnStart + offset;
        endPos = startPos <= text.size() ? text.find(std::string(3, '\0'), startPos) : std::string::npos;
        if (endPos == std::string::npos) base::Raise(base::errInvalidProcedureCall);
        if (text.substr(startPos, endPos - startPos).find(nextKey) != std::string::npos) {
            // No value: the search ran into the next entry. The value ends at the first control
            // character instead.
            for (size_t g = 1; g <= 255 && startPos + g < text.size(); ++g)
                if (static_cast<unsigned char>(text[startPos + g]) < 32) {
                    endPos = startPos + g;
                    break;
                }
        }
        std::string value = text.substr(startPos, endPos - startPos);
        value.erase(std::remove(value.begin(), value.end(), '\0'), value.end());
        return value;
    } catch (...) {
        long number = 0;
        std::string description;
        base::DescribeCurrentException(number, description);
        // Where it failed, not what the file holds: a program's bytes do not belong in the log.
        auto at = [](size_t v) { return std::to_string(v == std::string::npos ? 0 : v + 1); };
        modMain::WriteErrorLog("strFile: " + strFile + ", pos: " + at(pos) + ", StartPos: " + at(startPos) +
                               ", EndPos: " + at(endPos) + ", pnStart: " + at(pnStart) + ", Error Description: " +
                               description + ", Error Number: " + std::to_string(number) + ", Method: " + k.method);
        return {};
    }
}

}  // namespace

std::string GetFileDescription(const std::string& strFile) {
    return ReadRawVersionText(strFile, {"GetFileDescription", "FileDescription", "FileVersion", 34, 16});
}

std::string GetProductName(const std::string& strFile) {
    return ReadRawVersionText(strFile, {"GetProductName", "ProductName", "ProductVersion", 26, 12});
}

}  // namespace scanner
