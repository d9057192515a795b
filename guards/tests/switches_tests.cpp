// The guard switches over a guard that can be made to fail, and the protected home page.
#include <gtest/gtest.h>

#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/Globals.h"
#include "core/SettingsStore.h"
#include "core/tests/CoreTestSupport.h"
#include "guards/GuardSwitches.h"
#include "guards/Places.h"

namespace {

struct FakeGuard : guards::GuardControl {
    bool failStart = false;
    bool running = false;
    int starts = 0, stops = 0;
    bool Start() override {
        ++starts;
        running = !failStart;
        return running;
    }
    void Stop() override {
        ++stops;
        running = false;
    }
    bool Running() const override { return running; }
};

TEST(GuardSwitch, EachSwitchStartsAndStopsItsOwnGuardOnce) {
    struct Case {
        guards::GuardKind kind;
        bool* setting;
    } cases[] = {{guards::GuardKind::Startup, &gb_startupGuard},
                 {guards::GuardKind::IEFavorites, &gb_ieFavoriteGuard},
                 {guards::GuardKind::IEHijack, &gb_ieHijackGuard},
                 {guards::GuardKind::BHO, &gb_bhoGuard}};
    FakeGuard fakes[4];
    for (int i = 0; i < 4; ++i) guards::SwitchOf(cases[i].kind).Connect(&fakes[i]);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        auto& sw = guards::SwitchOf(cases[i].kind);
        EXPECT_TRUE(sw.Set(true));
        EXPECT_FALSE(sw.Set(true));  // already running: no second watch
        EXPECT_TRUE(*cases[i].setting);
        EXPECT_TRUE(sw.Running());
        EXPECT_EQ(fakes[i].starts, 1);
        for (int j = 0; j < 4; ++j) {
            if (j != i) {
                EXPECT_FALSE(fakes[j].running);
            }
        }
        EXPECT_TRUE(sw.Set(false));
        EXPECT_FALSE(sw.Set(false));
        EXPECT_FALSE(*cases[i].setting);
        EXPECT_EQ(fakes[i].stops, 1);
    }
    for (auto& c : cases) guards::SwitchOf(c.kind).Connect(nullptr);
}

TEST(GuardSwitch, AFailedStartIsNotRunningAndIsTriedAgain) {
    bool setting = false;
    FakeGuard guard;
    guard.failStart = true;
    guards::GuardSwitch sw(setting);
    sw.Connect(&guard);
    EXPECT_FALSE(sw.Set(true));
    EXPECT_TRUE(setting);  // the user's wish is kept
    EXPECT_FALSE(sw.Running());
    guard.failStart = false;
    EXPECT_TRUE(sw.Set(true));  // no need to switch off first
    EXPECT_EQ(guard.starts, 2);
    EXPECT_TRUE(sw.Running());
    // Started elsewhere (the main window's timer): the switch stops it all the same.
    guards::GuardSwitch other(setting);
    other.Connect(&guard);
    EXPECT_TRUE(other.Set(false));
    EXPECT_EQ(guard.stops, 1);
}

TEST(ProtectedHomePage, SavedIntoTheHijackSnapshotAndTheSetting) {
    testing_support::ScopedProgramFolder folder;
    core_test::ScopedSettingsRoot settingsRoot;
    std::string snapshot = folder / "Hjlst.qvl";
    base::WriteText(snapshot, "[IE]\r\nStartPage=http://old.example/\r\nSearchPage=http://search.example/\r\n");
    ASSERT_TRUE(guards::SaveProtectedHomePage("http://home.example/?a=1&b=2"));
    EXPECT_EQ(guards::ReadIniKey(snapshot, "IE", "StartPage"), "http://home.example/?a=1&b=2");
    EXPECT_EQ(guards::ReadIniKey(snapshot, "IE", "SearchPage"), "http://search.example/");
    EXPECT_EQ(gb_ieDefaultHomePage, "http://home.example/?a=1&b=2");
    EXPECT_EQ(settings::GetSetting("SystemGuard", "IEDefaultHomePage"), "http://home.example/?a=1&b=2");
    EXPECT_FALSE(guards::SaveProtectedHomePage("http://x/\r\n[evil]"));
    EXPECT_EQ(gb_ieDefaultHomePage, "http://home.example/?a=1&b=2");
}

}  // namespace
