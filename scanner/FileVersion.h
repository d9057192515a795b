#pragma once
// What a file says about itself: its names, dates, attributes, size and version resource, the
// texts the scan log prints of them, and the checksum the property search compares.
#include <windows.h>

#include <optional>
#include <string>

namespace basFileVersion {

struct FileProperties {
    std::string FileName;   // after the last backslash
    std::string Directory;  // up to and including the last backslash
    std::string FullPath;
    std::string FileTypeText;  // from FileTypeCode
    long Version1 = 0, Version2 = 0, Version3 = 0, Version4 = 0;
    unsigned long long FileSize = 0;
    DWORD Attributes = 0;
    DWORD FileTypeCode = 0;  // 0 without a version resource
    bool Archive = false, Compressed = false, Directory_ = false, Hidden = false, Normal = false, ReadOnly = false,
         System = false, Temporary = false;
    // Local calendar times; left as they were when the file's times cannot be read.
    SYSTEMTIME CreationDate{}, ModifyDate{}, AccessDate{};
    std::string CompanyName, FileDescription, FileVersion, InternalName, LegalCopyright, OriginalFileName, ProductName,
        ProductVersion;
    bool HasVersionResource = false;
};

// Fills `properties` for the file `path`; with `printIt`, also appends its report block to the
// text file `logFile`. False when the file could not be read (fields already set stay set).
bool PrintFileProperties(const std::string& path, FileProperties& properties, bool printIt,
                         const std::string& logFile = {});
// The report block exactly as the scan log prints it (without the print statements' line ends).
std::string FilePropertiesBlock(const FileProperties& properties);

std::string GetPathDirectory(const std::string& path);
std::string GetPathFileName(const std::string& path);

}  // namespace basFileVersion

namespace Module2 {

// The six texts of a file's fixed version information; all six untouched when the file has
// none (or its root block holds none).
void GetFileVersionData(const std::string& FileName, std::string& FileVer, std::string& ProdVer, std::string& FileFlags,
                        std::string& FileOS, std::string& FileType, std::string& FileSubType);
// The same from a fixed version block already read.
void DescribeFixedFileInfo(const VS_FIXEDFILEINFO& info, std::string& FileVer, std::string& ProdVer,
                           std::string& FileFlags, std::string& FileOS, std::string& FileType,
                           std::string& FileSubType);

}  // namespace Module2

namespace scanner {

// A program's description or product name read straight from its bytes, without the version
// functions; "" when it holds none or cannot be read.
std::string GetFileDescription(const std::string& strFile);
std::string GetProductName(const std::string& strFile);

// The exclusive or of every byte of the file but the first; nothing when it cannot be read.
std::optional<unsigned char> GetFileXorChecksum(const std::string& file);
unsigned char XorBytes(const std::string& bytes);  // element 0 left out

}  // namespace scanner
