// Journeys through the program's own life: a second start while it runs, the tray icon.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/journeys/Journey.h"

namespace {

using journey::Program;

// A second start while Corvane runs is refused with its message; the first keeps running.
TEST(ProgramJourney, ASecondStartIsRefusedAndTheFirstKeepsRunning) {
    Program first;
    ASSERT_NE(first.Main(), nullptr) << "the main window never showed";
    first.AnswerBoxes("Cancel");

    Program second({"", true, true, false});
    ASSERT_TRUE(second.Started());
    auto box = second.Box(20000);
    ASSERT_TRUE(box.has_value()) << "the refused start said nothing";
    EXPECT_NE(box->text.find("already opened instance"), std::string::npos) << box->text;
    EXPECT_TRUE(box->Press("OK"));
    const auto code = second.WaitForExit(20000);
    ASSERT_TRUE(code.has_value()) << "the refused start did not end";

    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(IsWindowVisible(first.Main()));
    EXPECT_TRUE(first.Close());
    EXPECT_EQ(journey::Leftovers(), std::vector<std::string>{});
}

// The tray icon of Wine's own system tray on this display: the window for a click on Corvane's icon.
HWND TrayIcon() {
    HWND icon = nullptr;
    journey::WaitUntil(
        [&] {
            for (HWND w = FindWindowExA(nullptr, nullptr, nullptr, nullptr); w;
                 w = FindWindowExA(nullptr, w, nullptr, nullptr)) {
                for (HWND c : journey::Descendants(w))
                    if (journey::ClassOf(c).find("tray_icon") != std::string::npos && IsWindowVisible(c)) icon = c;
            }
            return icon != nullptr;
        },
        10000);
    return icon;
}

// Minimise to the tray; Show/Hide from the tray's menu brings the window back; Close from the
// same menu asks, and ends the program on OK.
TEST(ProgramJourney, TheTrayHidesRestoresAndClosesTheProgram) {
    Program program;
    ASSERT_NE(program.Main(), nullptr);
    program.AnswerBoxes("Cancel");

    ASSERT_TRUE(program.ClickButton("_"));
    ASSERT_TRUE(journey::WaitUntil([&] { return !IsWindowVisible(program.Main()); }, 10000)) << "still shown";
    HWND icon = TrayIcon();
    ASSERT_NE(icon, nullptr) << "no icon in the tray";

    journey::RightClick(icon);
    ASSERT_TRUE(journey::ChooseMenuLine(program.Pid(), 1));
    ASSERT_TRUE(journey::WaitUntil([&] { return IsWindowVisible(program.Main()); }, 10000)) << "not restored";

    journey::RightClick(icon);
    ASSERT_TRUE(journey::ChooseMenuLine(program.Pid(), 2));
    auto box = program.Box(10000);
    ASSERT_TRUE(box.has_value()) << "Close asked nothing";
    EXPECT_NE(box->text.find("Are you sure"), std::string::npos) << box->text;
    EXPECT_TRUE(box->Press("OK"));
    const auto code = program.WaitForExit(60000);
    ASSERT_TRUE(code.has_value()) << "the program did not end";
    EXPECT_EQ(*code, 0u);
    EXPECT_EQ(journey::Leftovers(), std::vector<std::string>{});
}

}  // namespace
