// Journeys through the program's own life: a second start while it runs, the tray icon.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/journeys/Journey.h"
#include "base/testing/seeded/SeededMachine.h"

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

// The program's pop-up menu on the screen now.
HWND ShownMenu(DWORD pid) {
    for (HWND w : journey::TopWindows(pid))
        if (journey::ClassOf(w) == "#32768") return w;
    return nullptr;
}

HWND WaitForMenu(DWORD pid) {
    HWND menu = nullptr;
    journey::WaitUntil([&] { return (menu = ShownMenu(pid)) != nullptr; }, 10000);
    return menu;
}

// A key pressed on the keyboard: it goes where the system sends keys, to the foreground window.
void PressKey(WORD key) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = key;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
}

// A right click on the icon and the menu it opens. The icon drops a press that comes within a
// moment of its last click's end (the program still busy with it); a person then presses again.
HWND OpenTrayMenu(HWND icon, DWORD pid) {
    journey::RightClick(icon);
    if (journey::WaitUntil([&] { return ShownMenu(pid) != nullptr; }, 3000)) return ShownMenu(pid);
    std::printf("journey: the first right click on the icon opened nothing; a second one\n");
    journey::RightClick(icon);
    return WaitForMenu(pid);
}

// Chooses a line of the tray menu (1 = the first) by its keys, as a person does.
bool ChooseTrayMenuLine(HWND icon, DWORD pid, int line) {
    return OpenTrayMenu(icon, pid) != nullptr && journey::ChooseMenuLine(pid, line);
}

// The closing question on the screen: OK ends the program cleanly.
void AnswerTheClosingQuestion(Program& program) {
    auto box = program.Box(10000);
    ASSERT_TRUE(box.has_value()) << "closing asked nothing";
    EXPECT_NE(box->text.find("Are you sure"), std::string::npos) << box->text;
    EXPECT_TRUE(box->Press("OK"));
    const auto code = program.WaitForExit(60000);
    ASSERT_TRUE(code.has_value()) << "the program did not end";
    EXPECT_EQ(*code, 0u);
    EXPECT_EQ(journey::Leftovers(), std::vector<std::string>{});
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

    ASSERT_TRUE(ChooseTrayMenuLine(icon, program.Pid(), 1));
    ASSERT_TRUE(journey::WaitUntil([&] { return IsWindowVisible(program.Main()); }, 10000)) << "not restored";

    ASSERT_TRUE(ChooseTrayMenuLine(icon, program.Pid(), 2));
    AnswerTheClosingQuestion(program);
}

// A quick scan of the seeded machine with the main window sent to the tray while it runs, then
// Continue: the results window stands and the main window is hidden. The tray icon, or nullptr.
HWND ResultsOverTheTray(const Program& program) {
    if (program.Main() == nullptr) return ADD_FAILURE() << "the main window never showed", nullptr;
    program.AnswerBoxes("Cancel");
    if (!journey::ChooseScan(program, "Quick Scan")) return ADD_FAILURE() << "no scan running", nullptr;
    if (!program.ClickButton("_") || !journey::WaitUntil([&] { return !IsWindowVisible(program.Main()); }, 10000))
        return ADD_FAILURE() << "the main window did not go to the tray", nullptr;
    if (!journey::WaitForScanEnd(program)) return ADD_FAILURE() << "the scan did not end", nullptr;
    if (!program.ClickButton("Continue") || journey::ResultsList(program) == nullptr)
        return ADD_FAILURE() << "no results window", nullptr;
    HWND icon = TrayIcon();
    if (icon == nullptr) ADD_FAILURE() << "no icon in the tray";
    return icon;
}

// The tray menu over the results window, which holds the main window disabled: Escape closes the
// menu, and Close from it still ends the program.
TEST(ProgramJourney, TheTrayMenuOverTheResultsWindowClosesOnEscapeAndClosesTheProgram) {
    const testing_support::SeededMachine machine;  // findings, so that Continue opens the results
    Program program;
    HWND icon = ResultsOverTheTray(program);
    ASSERT_NE(icon, nullptr);

    ASSERT_NE(OpenTrayMenu(icon, program.Pid()), nullptr) << "no tray menu over the results window";
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(journey::WaitUntil([&] { return ShownMenu(program.Pid()) == nullptr; }, 10000))
        << "the menu stays after Escape";
    ASSERT_NE(journey::ResultsList(program, 0), nullptr) << "the results window went with the menu";

    ASSERT_TRUE(ChooseTrayMenuLine(icon, program.Pid(), 2));
    AnswerTheClosingQuestion(program);
}

// A close request (what the scripts' helper sends, and a log-off) while the tray menu is open
// over the results window: the menu goes, the question comes, and OK ends the program.
TEST(ProgramJourney, AClosingRequestWhileTheTrayMenuIsOpenEndsTheProgram) {
    const testing_support::SeededMachine machine;
    Program program;
    HWND icon = ResultsOverTheTray(program);
    ASSERT_NE(icon, nullptr);
    ASSERT_NE(OpenTrayMenu(icon, program.Pid()), nullptr) << "no tray menu";

    ASSERT_TRUE(PostMessageA(program.Main(), WM_CLOSE, 0, 0));
    ASSERT_TRUE(program.Box(10000).has_value()) << "the close request asked nothing";
    EXPECT_EQ(ShownMenu(program.Pid()), nullptr) << "the menu stays over the question";
    AnswerTheClosingQuestion(program);
}

}  // namespace
