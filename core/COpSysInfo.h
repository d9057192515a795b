#pragma once
// Operating-system facts, read once when the object is made (through osversion::Read).
#include <windows.h>

#include <string>

class COpSysInfo {
public:
    COpSysInfo();  // Class_Initialize

    long BuildNumber() const;  // low word of the build number, read as a signed 16-bit value
    std::string CSDVersion() const;
    long MajorVersion() const { return static_cast<long>(rec_.dwMajorVersion); }
    long MinorVersion() const { return static_cast<long>(rec_.dwMinorVersion); }
    long PlatformID() const { return static_cast<long>(rec_.dwPlatformId); }
    BYTE ProductType() const { return rec_.wProductType; }
    short ServicePackMajor() const { return static_cast<short>(rec_.wServicePackMajor); }
    short ServicePackMinor() const { return static_cast<short>(rec_.wServicePackMinor); }
    short SuiteMask() const { return static_cast<short>(rec_.wSuiteMask); }
    bool HasAS() const { return rec_.wSuiteMask & 0x0002; }
    bool HasBO() const { return rec_.wSuiteMask & 0x0004; }
    bool HasDC() const { return rec_.wSuiteMask & 0x0080; }
    bool HasSBS() const { return rec_.wSuiteMask & 0x0001; }
    bool HasSBSr() const { return rec_.wSuiteMask & 0x0020; }
    bool HasTS() const { return rec_.wSuiteMask & 0x0010; }
    bool IsWinXP() const { return xp_; }
    bool IsWin2K() const { return w2k_; }
    bool IsWinNT() const { return nt_; }
    bool IsWin9x() const { return me_ || w98_ || w95_; }
    bool IsWin95() const { return w95_; }
    bool IsWin98() const { return w98_; }
    bool IsWinME() const { return me_; }
    // "Windows Me", "Windows 98", "Windows 95", "Windows XP", "Windows 2000", "Windows NT" or "".
    // Every NT version from 5.1 on is of the XP family.
    std::string Platform() const;
    std::string Version() const;  // "Windows XP v5.1, Build 2600"
    std::string ProductTypeName() const;

private:
    static long ToInteger(DWORD value);
    OSVERSIONINFOEXA rec_{};
    std::string csd_;
    bool nt_ = false, w2k_ = false, xp_ = false, w95_ = false, w98_ = false, me_ = false;
};
