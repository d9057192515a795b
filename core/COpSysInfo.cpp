#include "core/COpSysInfo.h"

#include "base/OsVersion.h"

COpSysInfo::COpSysInfo() {
    rec_.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    if (!osversion::Read(rec_)) {
        rec_ = OSVERSIONINFOEXA{};
        rec_.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        if (!osversion::Read(rec_)) rec_ = OSVERSIONINFOEXA{};
        // The basic record has no extended fields.
        rec_.wServicePackMajor = rec_.wServicePackMinor = rec_.wSuiteMask = 0;
        rec_.wProductType = rec_.wReserved = 0;
    }
    const char* csd = rec_.szCSDVersion;
    size_t n = 0;
    while (n < sizeof rec_.szCSDVersion && csd[n] != '\0') ++n;
    csd_.assign(csd, n);

    if (rec_.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        w95_ = true;
        w98_ = rec_.dwMinorVersion >= 10;
        me_ = BuildNumber() >= 3000;
    } else if (rec_.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        nt_ = true;
        w2k_ = rec_.dwMajorVersion >= 5;
        // XP is 5.1; everything after it (5.2, 6.x, 10.0) counts as XP too.
        xp_ = rec_.dwMajorVersion > 5 || (rec_.dwMajorVersion == 5 && rec_.dwMinorVersion >= 1);
    }
}

long COpSysInfo::ToInteger(DWORD value) { return static_cast<short>(static_cast<WORD>(value & 0xFFFF)); }

long COpSysInfo::BuildNumber() const { return ToInteger(rec_.dwBuildNumber); }

std::string COpSysInfo::CSDVersion() const {
    size_t b = csd_.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return csd_.substr(b, csd_.find_last_not_of(' ') - b + 1);
}

std::string COpSysInfo::Platform() const {
    if (me_) return "Windows Me";
    if (w98_) return "Windows 98";
    if (w95_) return "Windows 95";
    if (xp_) return "Windows XP";
    if (w2k_) return "Windows 2000";
    if (nt_) return "Windows NT";
    return {};
}

std::string COpSysInfo::Version() const {
    return Platform() + " v" + std::to_string(MajorVersion()) + "." + std::to_string(MinorVersion()) + ", Build " +
           std::to_string(BuildNumber());
}

std::string COpSysInfo::ProductTypeName() const {
    switch (rec_.wProductType) {
        case 0:
            return "Unknown";
        case 1:
            return "NT Workstation";
        case 2:
            return "Domain Controller";
        case 3:
            return "NT Server";
        default:
            return {};
    }
}
