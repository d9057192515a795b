#pragma once
// Where the program reads the operating system's version record: the one seam behind which
// tests stand in for Windows 95, 98, Me, NT, 2000 or XP, and the one rule of the platform
// family built on it.
#include <windows.h>

#include <functional>
#include <string>

namespace osversion {

// Fills `record` as GetVersionExA does. The caller sets record.dwOSVersionInfoSize to 156 (the
// extended record) or 148 (the basic one); a source may refuse the extended form.
using Source = std::function<BOOL(OSVERSIONINFOEXA& record)>;

BOOL Read(OSVERSIONINFOEXA& record);
void SetSource(Source source);  // an empty source restores the system's GetVersionExA

// The fields a fake record needs; csd is the service-pack field as raw characters.
struct Fake {
    DWORD platformId = VER_PLATFORM_WIN32_NT;
    DWORD major = 5, minor = 1, build = 2600;
    std::string csd;  // raw characters, NULs included; the rest of the field is NULs
    WORD spMajor = 0, spMinor = 0, suiteMask = 0;
    BYTE productType = 1;
    bool extendedRefused = false;  // only the basic record is answered
    bool fails = false;            // both calls fail
};
Source FakeSource(const Fake& fake);

// The two families the program tells apart: Windows 95, 98 and Me, and the NT line (NT, 2000,
// XP and every later version, which act as XP does).
enum class Family { Win9x, NT };
// The running system's family, from the record's platform id (NT when it cannot be read).
Family CurrentFamily();
// The family of a platform name as the operating-system facts give it ("Windows 98",
// "Windows XP", ...); NT for "Windows NT", "Windows 2000", "Windows XP", Win9x for
// "Windows 95", "Windows 98", "Windows Me". Any other name is neither.
bool IsNtFamilyName(const std::string& platformName);
bool IsWin9xFamilyName(const std::string& platformName);

// Installs a fake for the life of the object.
class ScopedFake {
public:
    explicit ScopedFake(const Fake& fake) { SetSource(FakeSource(fake)); }
    ~ScopedFake() { SetSource({}); }
    ScopedFake(const ScopedFake&) = delete;
    ScopedFake& operator=(const ScopedFake&) = delete;
};

}  // namespace osversion
