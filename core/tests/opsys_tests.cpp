#include <gtest/gtest.h>

#include "base/OsVersion.h"
#include "core/COpSysInfo.h"
#include "core/SpecialFolders.h"

using namespace std::string_literals;
using osversion::Fake;
using osversion::ScopedFake;

namespace {
Fake Make(DWORD platform, DWORD major, DWORD minor, DWORD build) {
    Fake f;
    f.platformId = platform;
    f.major = major;
    f.minor = minor;
    f.build = build;
    return f;
}
constexpr DWORD k9x = VER_PLATFORM_WIN32_WINDOWS, kNT = VER_PLATFORM_WIN32_NT;
}  // namespace

TEST(COpSysInfo, PlatformFlagsAndNamesAcrossBothFamilies) {
    struct Row {
        const char* label;
        Fake fake;
        bool w95, w98, me, nt, w2k, xp;
        const char* platform;
        const char* coarse;
    };
    const Row rows[] = {
        {"95", Make(k9x, 4, 0, 950), true, false, false, false, false, false, "Windows 95", "Windows 95/98"},
        // 98's build field carries 4.10 in its high word; only the low word counts.
        {"98", Make(k9x, 4, 10, 0x040A07CE), true, true, false, false, false, false, "Windows 98", "Windows 95/98"},
        {"Me", Make(k9x, 4, 90, 3000), true, true, true, false, false, false, "Windows Me", "Windows 95/98"},
        {"NT4", Make(kNT, 4, 0, 1381), false, false, false, true, false, false, "Windows NT", "Windows NT"},
        {"2000", Make(kNT, 5, 0, 2195), false, false, false, true, true, false, "Windows 2000", "Windows NT"},
        {"XP", Make(kNT, 5, 1, 2600), false, false, false, true, true, true, "Windows XP", "Windows NT"},
        // Everything after XP belongs to the XP family, minor version 0 included.
        {"2003", Make(kNT, 5, 2, 3790), false, false, false, true, true, true, "Windows XP", "Windows NT"},
        {"Vista", Make(kNT, 6, 0, 6000), false, false, false, true, true, true, "Windows XP", "Windows NT"},
        {"10", Make(kNT, 10, 0, 19045), false, false, false, true, true, true, "Windows XP", "Windows NT"},
        {"unknown id", Make(7, 5, 1, 1), false, false, false, false, false, false, "", "Windows NT"},
    };
    for (const Row& r : rows) {
        ScopedFake fake(r.fake);
        COpSysInfo os;
        EXPECT_EQ(os.IsWin95(), r.w95) << r.label;
        EXPECT_EQ(os.IsWin98(), r.w98) << r.label;
        EXPECT_EQ(os.IsWinME(), r.me) << r.label;
        EXPECT_EQ(os.IsWin9x(), r.w95 || r.w98 || r.me) << r.label;
        EXPECT_EQ(os.IsWinNT(), r.nt) << r.label;
        EXPECT_EQ(os.IsWin2K(), r.w2k) << r.label;
        EXPECT_EQ(os.IsWinXP(), r.xp) << r.label;
        EXPECT_EQ(os.Platform(), r.platform) << r.label;
        EXPECT_EQ(modMain::WindowsVer(), r.coarse) << r.label;
    }
}

TEST(COpSysInfo, VersionLineBuildNumberAndProductType) {
    ScopedFake fake(Make(kNT, 5, 1, 2600));
    COpSysInfo xp;
    EXPECT_EQ(xp.Version(), "Windows XP v5.1, Build 2600");
    EXPECT_EQ(xp.ProductTypeName(), "NT Workstation");

    Fake big = Make(kNT, 6, 1, 0x0001ABCD);  // low word above 32767 reads negative
    big.productType = 3;
    ScopedFake fake2(big);
    COpSysInfo os;
    EXPECT_EQ(os.BuildNumber(), 0xABCD - 65536);
    EXPECT_EQ(os.ProductTypeName(), "NT Server");
    for (BYTE t : {0, 2, 9}) {
        Fake f = big;
        f.productType = t;
        ScopedFake scoped(f);
        EXPECT_EQ(COpSysInfo().ProductTypeName(), t == 0 ? "Unknown" : t == 2 ? "Domain Controller" : "") << int(t);
    }
}

TEST(COpSysInfo, ServicePackTextAndSuiteBits) {
    struct Row {
        std::string raw, want;
    };
    const Row rows[] = {{"Service Pack 2\0\0"s, "Service Pack 2"},
                        {"\0Service Pack 9"s, ""},
                        {"  A \0"s, "A"},
                        {std::string(128, 'x'), std::string(128, 'x')}};  // no NUL: the field as read
    for (const Row& r : rows) {
        Fake f = Make(kNT, 5, 1, 2600);
        f.csd = r.raw;
        ScopedFake fake(f);
        EXPECT_EQ(COpSysInfo().CSDVersion(), r.want);
    }
    Fake f = Make(kNT, 5, 1, 2600);
    f.suiteMask = 0x0012;
    ScopedFake fake(f);
    COpSysInfo os;
    EXPECT_TRUE(os.HasAS());
    EXPECT_TRUE(os.HasTS());
    EXPECT_FALSE(os.HasBO());
    EXPECT_FALSE(os.HasDC());
    EXPECT_FALSE(os.HasSBS());
    EXPECT_FALSE(os.HasSBSr());
}

TEST(COpSysInfo, FallsBackToTheBasicRecordAndSurvivesTotalFailure) {
    Fake basic = Make(kNT, 4, 0, 1381);
    basic.extendedRefused = true;
    basic.spMajor = 6;
    basic.suiteMask = 0xFFFF;
    ScopedFake fake(basic);
    COpSysInfo nt4;
    EXPECT_EQ(nt4.Platform(), "Windows NT");
    EXPECT_EQ(nt4.ServicePackMajor(), 0);  // extended fields stay 0
    EXPECT_EQ(nt4.SuiteMask(), 0);
    EXPECT_EQ(nt4.ProductType(), 0);

    Fake none;
    none.fails = true;
    ScopedFake fake2(none);
    COpSysInfo unknown;
    EXPECT_EQ(unknown.Platform(), "");
    EXPECT_EQ(unknown.Version(), " v0.0, Build 0");
    EXPECT_FALSE(unknown.IsWinNT() || unknown.IsWin9x());
}

TEST(COpSysInfo, TheRealSystemUnderTestIsOfTheXpFamily) {
    COpSysInfo os;
    EXPECT_TRUE(os.IsWinNT());
    EXPECT_EQ(os.Platform(), "Windows XP") << os.Version();
    EXPECT_EQ(modMain::WindowsVer(), "Windows NT");
}
