// The progress texts, the rate over the real interval, and the ExtraTimer's units.
#include <gtest/gtest.h>

#include "downloader/ExtraTimer.h"
#include "downloader/Progress.h"

using namespace downloader;

TEST(ByteConversion, Table) {
    const std::pair<double, const char*> rows[] = {
        {0, "0 Bytes"},
        {512, "512 Bytes"},
        {1023, "1023 Bytes"},
        {1024, "1.00 KB"},
        {1025, "1.00 KB"},
        {2048, "2.00 KB"},
        {1048575, "1024.00 KB"},
        {1048576, "1.00 MB"},
        {1048577, "1.00 MB"},
        {3145728, "3.00 MB"},
        {1073741824.0 * 5, "5,120.00 MB"},
    };
    for (const auto& [x, text] : rows) EXPECT_EQ(ByteConversion(x), text) << x;
}

TEST(ConvertTime, Table) {
    const std::pair<double, const char*> rows[] = {
        {0, "00:00:00"},    {5, "00:00:05"},    {59.9, "00:00:59"},  {60, "00:01:00"}, {61, "00:01:01"},
        {3599, "00:59:59"}, {3725, "01:02:05"}, {90000, "25:00:00"}, {-3, "00:00:00"},
    };
    for (const auto& [t, text] : rows) EXPECT_EQ(ConvertTime(t), text) << t;
}

TEST(Rate, OverTheTimeThatPassed) {
    RateTick r = ComputeRate(250000, 0, 2.5, 1000000);
    EXPECT_DOUBLE_EQ(r.bytesPerSecond, 100000);
    EXPECT_TRUE(r.hasEstimate);
    EXPECT_DOUBLE_EQ(r.remainingSeconds, 7.5);
    r = ComputeRate(250000, 250000, 2.5, 1000000);  // no progress: no estimate, no division by zero
    EXPECT_EQ(r.bytesPerSecond, 0);
    EXPECT_FALSE(r.hasEstimate);
    r = ComputeRate(10, 500, 2.5, 1000);  // a new transfer: the old count is not subtracted
    EXPECT_EQ(r.bytesPerSecond, 0);
    EXPECT_EQ(Percent(0, 0), 100);
    EXPECT_EQ(Percent(999, 1000), 99);
    EXPECT_EQ(Percent(1000, 1000), 100);
}

TEST(ExtraTimer, UnitsAndCounts) {
    struct Row {
        long interval, unit, firesOnTick;  // 0: never within the ticks run
    };
    const Row rows[] = {{0, 0, 1},    {1, 0, 1},     {5, 0, 5}, {2, 1, 120},
                        {1, 2, 3600}, {1, 3, 86400}, {1, 4, 0}, {-3, 1, 1}};
    for (const Row& r : rows) {
        ExtraTimer t;
        t.SetInterval(r.interval);
        t.SetIntervalUnit(r.unit);
        long fired = 0, firstAt = 0;
        t.Timer = [&] {
            if (!fired++) firstAt = t.TickCount();
        };
        long tick = 0;
        for (; tick < 90000 && !fired; ++tick) t.Timer1_Timer();
        if (r.firesOnTick) {
            EXPECT_EQ(tick, r.firesOnTick) << r.interval << "/" << r.unit;
            EXPECT_EQ(t.TickCount(), 0) << "the count starts again after the event";
        } else {
            EXPECT_EQ(fired, 0);
            EXPECT_EQ(t.TickCount(), 90000);
        }
    }
}

TEST(ExtraTimer, EnablingKeepsTheCountAndASmallerIntervalFiresAtOnce) {
    ExtraTimer t;
    std::vector<std::string> changed;
    std::vector<bool> inner;
    t.PropertyChanged = [&](const std::string& p) { changed.push_back(p); };
    t.InnerTimerEnabled = [&](bool on) { inner.push_back(on); };
    int fired = 0;
    t.Timer = [&] { ++fired; };
    t.SetInterval(10);
    for (int i = 0; i < 7; ++i) t.Timer1_Timer();
    t.SetEnabled(true);
    t.SetEnabled(false);
    EXPECT_EQ(t.TickCount(), 7);
    t.SetInterval(3);
    t.Timer1_Timer();
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(changed, (std::vector<std::string>{"Interval", "Enabled", "Enabled", "Interval"}));
    EXPECT_EQ(inner, (std::vector<bool>{true, false}));
}

TEST(ExtraTimer, PropertyBagAndSize) {
    ExtraTimer fresh;
    EXPECT_EQ(fresh.Interval(), 1);
    EXPECT_EQ(fresh.IntervalUnit(), 0);
    EXPECT_FALSE(fresh.Enabled());
    ExtraTimer::PropertyBag bag;
    fresh.UserControl_WriteProperties(bag);
    EXPECT_TRUE(bag.empty());  // defaults are not stored
    ExtraTimer t;
    t.UserControl_ReadProperties({{"Interval", "30"}, {"Enabled", "-1"}, {"IntervalUnit", "1"}});
    EXPECT_EQ(t.Interval(), 30);
    EXPECT_EQ(t.IntervalUnit(), 1);
    EXPECT_TRUE(t.Enabled());
    t.UserControl_WriteProperties(bag);
    EXPECT_EQ(bag, (ExtraTimer::PropertyBag{{"Interval", "30"}, {"Enabled", "-1"}, {"IntervalUnit", "1"}}));
    t.width = 1200;
    t.height = 45;
    t.UserControl_Resize();
    EXPECT_EQ(t.width, 300);
    EXPECT_EQ(t.height, 300);
}
