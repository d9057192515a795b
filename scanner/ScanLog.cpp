#include "scanner/ScanLog.h"

#include <windows.h>

#include "base/Clock.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Trap.h"
#include "core/COpSysInfo.h"
#include "core/Globals.h"
#include "core/SpecialFolders.h"
#include "core/modLanguage.h"
#include "scanner/CookieDetails.h"
#include "scanner/FileVersion.h"

namespace scanlog {
namespace {

const std::string CRLF = "\r\n";

std::string Caption(const char* id, const char* english) { return modLanguage::getMessage(id, english); }

std::string Line(const std::string& text) { return text + CRLF; }

bool IsKind(const base::ListItem& row, const char* kind) { return base::EqualsNoCase(row.Text, kind); }

// The runtime's text of a file's last-write time; false when the file cannot be read.
bool FileDateTimeText(const std::string& path, std::string& text, unsigned long long& size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    FILETIME local;
    SYSTEMTIME t;
    if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &t)) return false;
    text = base::ShortDateText(t);
    if (t.wHour || t.wMinute || t.wSecond) text += " " + base::TimeText(t);
    size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

std::string NowText() {
    const SYSTEMTIME t = base::Now();
    return base::ShortDateText(t) + " " + base::TimeText(t);
}

// The property block as the report prints it, or nothing for a file that cannot be read.
std::string PropertiesText(const std::string& path) {
    basFileVersion::FileProperties properties;
    if (!basFileVersion::PrintFileProperties(path, properties, false)) return {};
    return basFileVersion::FilePropertiesBlock(properties) + CRLF + CRLF + CRLF;
}

std::string DoubledBackslashes(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '\\') out += '\\';
    }
    return out;
}

std::string Bool(bool b) { return b ? "True" : "False"; }

}  // namespace

std::string Rule(size_t length) {
    std::string rule;
    while (rule.size() < length) rule += "=*";
    rule.resize(length);
    return rule;
}

std::string MemorySection(const scanner::ScanEngine& engine) {
    std::string s;
    s += Line(Caption("1036", "Scanning initialized on") + " " + NowText());
    s += Line(Rule(49));
    s += Line(Caption("1037", "Memory scanning started"));
    s += Line(Rule(25));
    s += Line(Caption("1038", "Running Processes") + CRLF);
    const bool nt = modMain::WindowsVer() == "Windows NT";
    const base::ListItems& rows = engine.Tasklist.ListItems;
    for (int i = 1; i <= rows.Count(); ++i) {
        const std::string path = rows(i).Text;
        const size_t slash = path.rfind('\\');
        s += Line("#:" + std::to_string(i) + " (" + (slash == std::string::npos ? path : path.substr(slash + 1)) + ")");
        if (nt) {
            const std::string indent(std::to_string(i).size() + 3, ' ');
            s += Line(indent + "Path:" + path);
            s += Line(indent + "BasePriority:" + rows(i).SubItems(2));
            std::string when;
            unsigned long long size = 0;
            const DWORD attributes = GetFileAttributesA(path.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                FileDateTimeText(path, when, size)) {
                s += Line(indent + "Last accessed  :" + when);
                s += Line(indent + "FileSize :" + std::to_string(size / 1024) + " kb");
                // A file without version data shows empty texts, never the previous row's.
                std::string fileVer, prodVer, flags, os, type, subType;
                Module2::GetFileVersionData(path, fileVer, prodVer, flags, os, type, subType);
                s += Line(indent + "OS :" + os + "-" + type);
                s += Line(indent + "Version  :" + fileVer);
                s += Line(indent + "Description :" + scanner::GetFileDescription(path));
                s += Line(indent + "Build :" + prodVer);
                s += Line(indent + "Product Name:" + scanner::GetProductName(path));
                s += PropertiesText(path);
            }
        }
        s += Line(CRLF);
    }
    s += Line(Caption("1039", "Memory scan result:"));
    s += Line(Caption("1040", "Total modules found:") + std::to_string(rows.Count()));
    s += Line(Caption("1041", "Infected modules found:") + std::to_string(engine.counters.ProcCount));
    s += Line(Caption("1042", "Scan finished"));
    return s;
}

std::string RegistrySection(const scanner::ScanEngine& engine) {
    std::string s = Line("") + Line(Caption("1053", "registry scan Started"));
    s += Line(Rule(21));
    const base::ListItems& rows = engine.Findings().Rows();
    for (int i = 1; i <= rows.Count(); ++i) {
        const base::ListItem& row = rows(i);
        const std::string spyType = row.SubItems(1), item = row.SubItems(2);
        const char* head = IsKind(row, "Malware RegKey")     ? "Registry Key Type = "
                           : IsKind(row, "Malware RegValue") ? "Registry Key Value Type = "
                           : IsKind(row, "Malware RegData")  ? "Registry Key Data Value Type = "
                                                             : nullptr;
        if (!head) continue;
        s += Line(head + spyType + ":") + Line("") + Line("[" + row.ToolTipText + "]");
        if (!IsKind(row, "Malware RegKey")) s += Line("\"" + DoubledBackslashes(item) + "\"=" + row.Tag);
        s += Line("");
    }
    s += Line("") + Line(Caption("1054", "Registry scan result:"));
    s += Line(Caption("1055", "Infected keys found :") + std::to_string(engine.counters.RegCount));
    // A key that could not be read was not found clean: the log says so (the error log names them).
    if (engine.counters.UnreadPlaces > 0)
        s += Line(Caption("1152", "Keys that could not be read (see the error log) :") +
                  std::to_string(engine.counters.UnreadPlaces));
    s += Line(Caption("1042", "Scan finished"));
    return s;
}

std::string DriveSection(const scanner::ScanEngine& engine) {
    std::string s = Line("") + Line(Caption("1044", "Folder scanning started"));
    s += Line(Rule(29));
    const base::ListItems& rows = engine.Findings().Rows();
    for (int i = 1; i <= rows.Count(); ++i)
        if (IsKind(rows(i), "Malware Folder")) s += Line(rows(i).SubItems(1) + " folder:" + rows(i).SubItems(2));
    s += Line(Caption("1045", "Folder scan result:"));
    s += Line(Caption("1046", "Infected folders  found:") + std::to_string(engine.counters.FolderCount));
    s += Line("") + Line(Caption("1047", "Started file scan"));
    s += Line(Rule(29));
    long listed = 0;
    for (int i = 1; i <= rows.Count(); ++i) {
        const base::ListItem& row = rows(i);
        if (!IsKind(row, "Malware File") && !IsKind(row, "Tracking Cookie")) continue;
        ++listed;
        const std::string file = row.SubItems(2);
        s += Line(row.SubItems(1) + " file:" + file);
        std::string when;
        unsigned long long size = 0;
        // A file gone since the scan loses its size and date lines only.
        if (FileDateTimeText(file, when, size)) {
            s += Line("\tFileSize :" + std::to_string(size / 1024) + " kb");
            s += Line("\tLast accessed  :" + when);
        } else {
            base::ReportTrapped(53, "File not found", "CreateDriveScanLogFile");
        }
        std::string fileVer, prodVer, flags, os, type, subType;
        Module2::GetFileVersionData(file, fileVer, prodVer, flags, os, type, subType);
        s += Line("\tBuild :" + prodVer);
        s += Line("\tOS :" + os + "-" + type);
        s += Line(CRLF);
        s += PropertiesText(file);
    }
    s += Line(Caption("1048", "File scan result:"));
    // The files listed above, not every file-kind finding of the scan.
    s += Line(Caption("1049", "Suspicious files found:") + std::to_string(listed));
    // A folder the walk could not enter was not found clean: the log says so (the error log names them).
    if (engine.counters.UnreadFolders > 0)
        s += Line(Caption("1174", "Folders that could not be read (see the error log) :") +
                  std::to_string(engine.counters.UnreadFolders));
    s += Line(Caption("1042", "Scan finished"));
    return s;
}

std::string CookieSection(const scanner::ScanEngine& engine) {
    std::string s = Line("") + Line(Caption("1050", "Cookie scanning started"));
    s += Line(Rule(29));
    long cookies = 0;
    const base::ListItems& rows = engine.Findings().Rows();
    for (int i = 1; i <= rows.Count(); ++i) {
        if (!IsKind(rows(i), "Tracking Cookie")) continue;
        ++cookies;
        s += Line(modMain::GetCookieDetails(rows(i).SubItems(2)));
    }
    s += Line(CRLF);
    s += Line(Caption("1051", "Cookie scan results:"));
    s += Line(Caption("1052", "Infected cookies found:") + std::to_string(cookies));
    s += Line(Caption("1042", "Scan finished"));
    return s;
}

std::string SummarySection(const scanner::ScanEngine& engine) {
    const COpSysInfo os;
    const scanner::ScanCounters& c = engine.counters;
    const long total = c.ProcCount + c.RegCount + c.FolderCount + c.FileCount;
    std::string s = Line(CRLF);
    s += Line(Rule(60));
    s += Line(Caption("1058", "Total malware components found :") + " " + std::to_string(total));
    s += Line(Rule(60));
    s += Line("") + Line(Caption("1059", "Scan completed on") + " " + base::TimeText(base::Now()));
    s += Line(Caption("1060", "Finish"));
    s += Line(CRLF);
    s += Line(Rule(60));
    s += Line("Application Version: " + std::to_string(CORVANE_VERSION_MAJOR) + "." +
              std::to_string(CORVANE_VERSION_MINOR) + "." + std::to_string(CORVANE_VERSION_REVISION));
    s += Line(Rule(60));
    s += Line("Platform ID: " + std::to_string(os.PlatformID()));
    s += Line("Platform Version: " + os.Version());
    s += Line("Platform: " + os.Platform());
    s += Line("Major Version: " + std::to_string(os.MajorVersion()));
    s += Line("Minor Version: " + std::to_string(os.MinorVersion()));
    s += Line("Service Pack Major: " + std::to_string(os.ServicePackMajor()));
    s += Line("Service Pack Minor: " + std::to_string(os.ServicePackMinor()));
    s += Line("Build Number Version: " + std::to_string(os.BuildNumber()));
    s += Line("Suite Mask: " + std::to_string(os.SuiteMask()));
    s += Line("OS Product Name: " + os.ProductTypeName());
    s += Line("CSD Version: " + os.CSDVersion());
    s += Line("Is Windows XP: " + Bool(os.IsWinXP()));
    s += Line("Is Windows 2K: " + Bool(os.IsWin2K()));
    s += Line("Is Windows NT: " + Bool(os.IsWinNT()));
    s += Line("Is Windows 9x: " + Bool(os.IsWin9x()));
    s += Line("Is Windows 95: " + Bool(os.IsWin95()));
    s += Line("Is Windows 98: " + Bool(os.IsWin98()));
    s += Line("Is Windows Me: " + Bool(os.IsWinME()));
    s += Line(CRLF);
    s += Line(Rule(60));
    return s;
}

bool AppendToLog(const std::string& text, const char* method) {
    return base::Trap(method, [&] { base::AppendText(gb_scanLogFile, text); });
}

namespace {
template <class Compose>
void WriteSection(const char* method, Compose compose) {
    std::string text;
    if (!base::Trap(method, [&] { text = compose(); })) return;
    AppendToLog(text, method);
}
}  // namespace

void CreateMemoryLogFile(const scanner::ScanEngine& e) {
    WriteSection("CreateMemoryLogFile", [&] { return MemorySection(e); });
}
void CreateRegistryScanLogFile(const scanner::ScanEngine& e) {
    WriteSection("CreateRegistryScanLogFile", [&] { return RegistrySection(e); });
}
void CreateDriveScanLogFile(const scanner::ScanEngine& e) {
    WriteSection("CreateDriveScanLogFile", [&] { return DriveSection(e); });
}
void CreateCookieScanLogFile(const scanner::ScanEngine& e) {
    WriteSection("CreateCookieScanLogFile", [&] { return CookieSection(e); });
}
void CreateHostsScanLogFile(const scanner::ScanEngine& e) {
    WriteSection("CreateHostsScanLogFile", [&] { return e.HostsScanLogSection(); });
}
void FinishScan(const scanner::ScanEngine& e) {
    WriteSection("FinishScan", [&] { return SummarySection(e); });
    gb_logFileName = gb_scanLogFile;
}

}  // namespace scanlog
