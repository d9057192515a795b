// One shortcut read the same through every route that reads one: the scan's (core's reader), the
// real-time startup guard's and the startup manager's.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/IniFiles.h"
#include "core/Shortcut.h"
#include "guards/Places.h"
#include "monitors/modMonitors.h"

namespace {

struct Route {
    const char* name;
    std::function<std::string(const std::string&)> read;
};

const Route kRoutes[] = {
    {"scan", [](const std::string& lnk) { return core::ShortcutTarget(lnk); }},
    {"startup guard", [](const std::string& lnk) { return modMonitors::fGetShortcutTarget(lnk); }},
    {"startup manager",
     [](const std::string& lnk) {
         auto info = guards::ReadShortcut(lnk);
         return info ? info->target : std::string("<unreadable>");
     }},
};

// A path of exactly `length` characters under `folder`: a subfolder as deep as CreateDirectory
// allows, then a file name that fills the rest.
std::string PathOfLength(const std::string& folder, size_t length) {
    std::string sub = folder + "\\" + std::string(240 - folder.size() - 1, 'd');
    CreateDirectoryA(sub.c_str(), nullptr);
    const size_t rest = length - sub.size() - 1 - 4;
    return sub + "\\" + std::string(rest, 'f') + ".exe";
}

TEST(ShortcutTargets, EveryRouteReadsTheSameTarget) {
    testing_support::TempFolder temp;
    ASSERT_LT(temp.path().size(), 200u);
    struct Case {
        const char* what;
        std::string target;
        bool create;
    };
    const Case cases[] = {
        {"long target", PathOfLength(temp.path(), MAX_PATH - 1), true},
        {"missing target", temp / "gone\\nowhere.exe", false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.create) base::WriteText(c.target, "MZ");
        ASSERT_EQ(base::FileExists(c.target), c.create);
        const std::string lnk = temp / ("link" + std::to_string(++n) + ".lnk");
        ASSERT_TRUE(modMain::CreateShortcutFile(lnk, c.target));
        for (const Route& r : kRoutes) EXPECT_EQ(r.read(lnk), c.target) << r.name;
    }
}

TEST(ShortcutTargets, AMissingOrForeignFileIsNoShortcut) {
    testing_support::TempFolder temp;
    EXPECT_FALSE(core::ReadShortcut(temp / "absent.lnk"));
    EXPECT_EQ(core::ShortcutTarget(temp / "absent.lnk"), "");
    base::WriteText(temp / "text.lnk", "not a shortcut");
    EXPECT_FALSE(core::ReadShortcut(temp / "text.lnk"));
    EXPECT_EQ(core::ShortcutTarget(temp / "text.lnk"), "");
}

}  // namespace
