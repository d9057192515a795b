#include "base/OsVersion.h"

#include <algorithm>
#include <cstring>

namespace osversion {
namespace {
Source g_source;

BOOL SystemVersion(OSVERSIONINFOEXA& record) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&record));
#pragma GCC diagnostic pop
}
}  // namespace

BOOL Read(OSVERSIONINFOEXA& record) { return g_source ? g_source(record) : SystemVersion(record); }

void SetSource(Source source) { g_source = std::move(source); }

Family CurrentFamily() {
    OSVERSIONINFOEXA rec{};
    rec.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!Read(rec)) return Family::NT;
    return rec.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? Family::Win9x : Family::NT;
}

bool IsNtFamilyName(const std::string& platformName) {
    return platformName == "Windows NT" || platformName == "Windows 2000" || platformName == "Windows XP";
}

bool IsWin9xFamilyName(const std::string& platformName) {
    return platformName == "Windows Me" || platformName == "Windows 98" || platformName == "Windows 95";
}

Source FakeSource(const Fake& fake) {
    return [fake](OSVERSIONINFOEXA& r) -> BOOL {
        if (fake.fails) return FALSE;
        const bool extended = r.dwOSVersionInfoSize == sizeof(OSVERSIONINFOEXA);
        if (extended && fake.extendedRefused) return FALSE;
        r.dwMajorVersion = fake.major;
        r.dwMinorVersion = fake.minor;
        r.dwBuildNumber = fake.build;
        r.dwPlatformId = fake.platformId;
        std::memset(r.szCSDVersion, 0, sizeof r.szCSDVersion);
        std::memcpy(r.szCSDVersion, fake.csd.data(), std::min(fake.csd.size(), sizeof r.szCSDVersion));
        if (extended) {
            r.wServicePackMajor = fake.spMajor;
            r.wServicePackMinor = fake.spMinor;
            r.wSuiteMask = fake.suiteMask;
            r.wProductType = fake.productType;
            r.wReserved = 0;
        }
        return TRUE;
    };
}

}  // namespace osversion
