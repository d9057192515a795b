// Journeys through the real-time guards and the System Guards window: alerts undone and
// authorized, startup items listed, disabled and enabled again, the home-page guard.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/journeys/Journey.h"
#include "base/testing/seeded/SeededMachine.h"

namespace {

using journey::Program;

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

bool SetRunValue(const std::string& name, const std::string& data, DWORD type = REG_SZ) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != 0)
        return false;
    const bool ok = RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                                   static_cast<DWORD>(data.size() + 1)) == 0;
    RegCloseKey(key);
    return ok;
}

// The Run value's type and its data as stored, terminator included ("" when it is not there).
std::string RunValue(const std::string& name, HKEY root = HKEY_CURRENT_USER) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, kRunKey, 0, KEY_READ, &key) != 0) return {};
    char data[1024] = {};
    DWORD size = sizeof data - 1, type = 0;
    std::string out;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == 0)
        out = std::to_string(type) + ":" + std::string(data, size);
    RegCloseKey(key);
    return out;
}

void DeleteRunValue(const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &key) != 0) return;
    RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
}

// The Run values a journey makes go again with it.
struct RunValues {
    std::vector<std::string> names;
    ~RunValues() {
        for (const auto& n : names) DeleteRunValue(n);
    }
};

// A visible list box of the main window holding a row with `text` ("" any visible list).
HWND MainList(const Program& program, const std::string& text, DWORD ms = 15000) {
    HWND found = nullptr;
    journey::WaitUntil(
        [&] {
            for (HWND top : journey::TopWindows(program.Pid()))
                for (HWND lb : journey::Descendants(top, "ListBox")) {
                    if (!IsWindowVisible(lb)) continue;
                    const auto rows = journey::ListBoxRows(lb);
                    if (text.empty() || std::any_of(rows.begin(), rows.end(), [&](const std::string& r) {
                            return r.find(text) != std::string::npos;
                        }))
                        return (found = lb) != nullptr;
                }
            return false;
        },
        ms);
    return found;
}

int RowWith(HWND list, const std::string& text) {
    const auto rows = journey::ListBoxRows(list);
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].find(text) != std::string::npos) return static_cast<int>(i);
    return -1;
}

int RowsWith(HWND list, const std::string& text) {
    const auto rows = journey::ListBoxRows(list);
    return static_cast<int>(std::count_if(rows.begin(), rows.end(),
                                          [&](const std::string& r) { return r.find(text) != std::string::npos; }));
}

// Clicks the list's row holding `text`, then the button, and answers the question it may ask.
bool ActOnRow(const Program& program, HWND list, const std::string& text, const std::string& button) {
    const int row = RowWith(list, text);
    if (row < 0 || !journey::ClickListBoxRow(list, row)) return false;
    Sleep(200);
    if (!program.ClickButton(button)) return false;
    program.AnswerBoxes("OK", 1000);
    return true;
}

constexpr const char* kIEMainKey = "Software\\Microsoft\\Internet Explorer\\Main";

// The browser's Start Page ("" when there is none).
std::string StartPage() {
    char data[2048] = {};
    DWORD size = sizeof data - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, kIEMainKey, "Start Page", RRF_RT_REG_SZ, nullptr, data, &size) != 0) return {};
    return data;
}

bool SetStartPage(const std::string& page) {
    return RegSetKeyValueA(HKEY_CURRENT_USER, kIEMainKey, "Start Page", REG_SZ, page.c_str(),
                           static_cast<DWORD>(page.size() + 1)) == 0;
}

// The Start Page a journey found goes back when it ends.
struct KeptStartPage {
    std::string page = StartPage();
    ~KeptStartPage() {
        if (page.empty())
            RegDeleteKeyValueA(HKEY_CURRENT_USER, kIEMainKey, "Start Page");
        else
            SetStartPage(page);
    }
};

bool Checked(HWND box) { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// The page's "Set" button on the row of a check box: the nearest one to its right.
HWND SetButtonBeside(const Program& program, HWND check) {
    RECT c{};
    GetWindowRect(check, &c);
    const LONG middle = (c.top + c.bottom) / 2;
    HWND best = nullptr;
    LONG bestGap = 0;
    for (HWND top : journey::TopWindows(program.Pid()))
        for (HWND b : journey::Descendants(top, "Button", "Set")) {
            RECT r{};
            GetWindowRect(b, &r);
            if (!journey::Clickable(b) || r.top > middle || r.bottom < middle || r.left < c.right) continue;
            if (!best || r.left - c.right < bestGap) best = b, bestGap = r.left - c.right;
        }
    return best;
}

// Ticks or clears a switch of the System Guards window, then presses its Set.
bool SetSwitch(const Program& program, const std::string& caption, bool on) {
    HWND box = program.FindButton(caption);
    if (!box) return false;
    if (Checked(box) != on && !journey::Click(box)) return false;
    if (!journey::WaitUntil([&] { return Checked(box) == on; }, 5000)) return false;
    HWND set = SetButtonBeside(program, box);
    if (!set || !journey::Click(set)) return false;
    Sleep(300);
    return true;
}

// The System Guards window opened afresh on a tab.
bool OpenGuardsTab(const Program& program, const std::string& tab) {
    if (!program.ClickButton("System Guards")) return false;
    Sleep(500);
    return program.ClickButton(tab);
}

// The startup tab with its items shown ("Edit Startup Items" ticked and set).
HWND OpenStartupItems(const Program& program, const std::string& text) {
    if (!OpenGuardsTab(program, "Startup Guard")) return nullptr;
    if (!SetSwitch(program, "Edit Startup Items", true)) return nullptr;
    return MainList(program, text, 10000);
}

// The button that turns the chosen startup row off or on (its caption follows the row).
bool ClickStartupToggle(const Program& program) {
    for (const char* caption : {"Disable", "Disabled", "Enable", "Enabled"})
        if (program.ClickButton(caption, 300)) return true;
    return false;
}

std::string RowText(HWND list, const std::string& text) {
    const int row = RowWith(list, text);
    return row < 0 ? std::string() : journey::ListBoxRows(list)[row];
}

// Three Run values raise three alerts; the middle one undone, then the last one: exactly those
// values go. The first authorized: it stays, and a later change alerts only for itself.
TEST(GuardsJourney, AlertsUndoneAndAuthorizedActOnTheRowsShown) {
    RunValues made{{"JourneyAlertA", "JourneyAlertB", "JourneyAlertC", "JourneyAlertD"}};
    Program program;
    ASSERT_NE(program.Main(), nullptr);
    program.AnswerBoxes("Cancel");

    for (const char* n : {"JourneyAlertA", "JourneyAlertB", "JourneyAlertC"}) {
        ASSERT_TRUE(SetRunValue(n, std::string("C:\\journey\\") + n + ".exe"));
        Sleep(700);
    }
    ASSERT_TRUE(program.ClickButton("Alerts"));
    HWND alerts = nullptr;
    ASSERT_TRUE(journey::WaitUntil(
        [&] {
            // The page shows what the guard recorded when it opens: open it again until all three are there.
            alerts = MainList(program, "JourneyAlert", 1000);
            if (alerts && RowsWith(alerts, "JourneyAlert") == 3) return true;
            program.ClickButton("Alerts", 500);
            return false;
        },
        20000))
        << journey::DescribeWindows(program.Pid());

    ASSERT_TRUE(ActOnRow(program, alerts, "JourneyAlertB", "Delete"));
    EXPECT_EQ(RunValue("JourneyAlertB"), "");
    EXPECT_NE(RunValue("JourneyAlertA"), "");
    EXPECT_NE(RunValue("JourneyAlertC"), "");
    // The page shows what is left, so the rows a person sees are the rows acted on.
    EXPECT_TRUE(journey::WaitUntil([&] { return RowWith(alerts, "JourneyAlertB") < 0; }, 5000))
        << "the undone alert is still shown";

    ASSERT_TRUE(ActOnRow(program, alerts, "JourneyAlertC", "Delete"));
    EXPECT_EQ(RunValue("JourneyAlertC"), "");
    EXPECT_NE(RunValue("JourneyAlertA"), "") << "another alert than the one chosen was undone";

    ASSERT_TRUE(ActOnRow(program, alerts, "JourneyAlertA", "Authorize"));
    EXPECT_EQ(RunValue("JourneyAlertA"), std::string("1:C:\\journey\\JourneyAlertA.exe") + '\0');
    EXPECT_TRUE(journey::WaitUntil([&] { return RowWith(alerts, "JourneyAlertA") < 0; }, 5000));

    // A later change alerts for itself only.
    ASSERT_TRUE(SetRunValue("JourneyAlertD", "C:\\journey\\JourneyAlertD.exe"));
    ASSERT_TRUE(journey::WaitUntil(
        [&] {
            program.ClickButton("Alerts", 500);
            HWND list = MainList(program, "JourneyAlertD", 1000);
            return list && (alerts = list);
        },
        20000));
    EXPECT_EQ(RowsWith(alerts, "JourneyAlert"), 1) << "an answered alert came back";
    EXPECT_TRUE(program.Close());
}

// A Run value added while the startup tab is open shows when the page opens again; turned off,
// it leaves the Run key and stays off across a restart; turned on again it is back exactly, and
// the guard raises no alert for the program's own change.
TEST(GuardsJourney, StartupItemListedDisabledAcrossARestartAndEnabled) {
    const std::string name = "JourneyStartupItem";
    RunValues made{{name}};
    std::optional<Program> program(std::in_place);
    ASSERT_NE(program->Main(), nullptr);
    program->AnswerBoxes("Cancel");

    ASSERT_NE(OpenStartupItems(*program, ""), nullptr) << journey::DescribeWindows(program->Pid());
    // Another program adds itself while the page is open.
    ASSERT_TRUE(SetRunValue(name, "%SystemRoot%\\journey\\item.exe /quiet", REG_EXPAND_SZ));
    const std::string original = RunValue(name);
    Sleep(1500);
    // Someone else's change is answered first, so an alert later can only be for the program's own.
    ASSERT_TRUE(program->ClickButton("Alerts"));
    HWND alerts = MainList(*program, name);
    ASSERT_NE(alerts, nullptr) << "no alert for the added Run value";
    ASSERT_TRUE(ActOnRow(*program, alerts, name, "Authorize"));
    ASSERT_TRUE(journey::WaitUntil([&] { return RowWith(alerts, name) < 0; }, 5000));

    HWND list = OpenStartupItems(*program, name);
    ASSERT_NE(list, nullptr) << "the added Run value is not listed" << journey::DescribeWindows(program->Pid());
    ASSERT_TRUE(journey::ClickListBoxRow(list, RowWith(list, name)));
    Sleep(300);
    ASSERT_TRUE(ClickStartupToggle(*program)) << journey::DescribeWindows(program->Pid());
    ASSERT_TRUE(program->ClickButton("Apply"));
    program->AnswerBoxes("OK", 1000);
    EXPECT_EQ(RunValue(name), "") << "the disabled item is still in the Run key";
    EXPECT_NE(RowText(list, name).find("Disabled"), std::string::npos) << RowText(list, name);

    ASSERT_TRUE(program->Close());
    program.reset();
    program.emplace(Program::Options{"", true, true});
    ASSERT_NE(program->Main(), nullptr);
    program->AnswerBoxes("Cancel");
    EXPECT_EQ(RunValue(name), "") << "the disabled item came back with the restart";
    list = OpenStartupItems(*program, name);
    ASSERT_NE(list, nullptr) << "the disabled item is not listed after a restart";
    EXPECT_NE(RowText(list, name).find("Disabled"), std::string::npos) << RowText(list, name);

    ASSERT_TRUE(journey::ClickListBoxRow(list, RowWith(list, name)));
    Sleep(300);
    ASSERT_TRUE(ClickStartupToggle(*program));
    ASSERT_TRUE(program->ClickButton("Apply"));
    program->AnswerBoxes("OK", 1000);
    EXPECT_EQ(RunValue(name), original) << "the enabled item is not back as it was";
    EXPECT_NE(RowText(list, name).find("Enabled"), std::string::npos) << RowText(list, name);

    // The guard had time to see the change: no alert for it.
    Sleep(3000);
    ASSERT_TRUE(program->ClickButton("Alerts"));
    Sleep(1000);
    HWND shown = MainList(*program, "", 5000);
    ASSERT_NE(shown, nullptr);
    EXPECT_LT(RowWith(shown, name), 0) << "an alert for the program's own change";
    EXPECT_TRUE(program->Close());
}

// The home-page guard switched on in the session protects the page the IE tab shows, not the one
// the browser had when the program started; then the page typed and saved: another Start Page
// written afterwards is put back each time.
TEST(GuardsJourney, HomePageGuardPutsTheProtectedPageBack) {
    KeptStartPage kept;
    ASSERT_TRUE(SetStartPage("http://startup.journey.example/"));
    const std::string protectedPage = "http://journey.example/protected/";
    Program program;
    ASSERT_NE(program.Main(), nullptr);
    program.AnswerBoxes("Cancel");

    ASSERT_TRUE(OpenGuardsTab(program, "Internet Explorer Guard")) << journey::DescribeWindows(program.Pid());
    ASSERT_TRUE(SetSwitch(program, "IE Hijack Guard", true)) << journey::DescribeWindows(program.Pid());
    // Off first (a fresh program has it on), then on in this session.
    ASSERT_TRUE(SetSwitch(program, "IE Home Page Guard", false));
    ASSERT_TRUE(SetSwitch(program, "IE Home Page Guard", true));
    ASSERT_TRUE(SetSwitch(program, "Add it to Alert Section", false));
    HWND page = program.FindClickable("Edit");
    ASSERT_NE(page, nullptr) << journey::DescribeWindows(program.Pid());
    const std::string shown = journey::TextOf(page);
    ASSERT_FALSE(shown.empty());
    ASSERT_TRUE(SetStartPage("http://hijacker.journey.example/"));
    EXPECT_TRUE(journey::WaitUntil([&] { return StartPage() == shown; }, 15000))
        << "the Start Page is " << StartPage() << ", the page shown " << shown;

    ASSERT_TRUE(journey::Type(page, protectedPage));
    ASSERT_TRUE(program.ClickButton("Save Home Page"));
    program.AnswerBoxes("OK", 1000);
    ASSERT_TRUE(SetStartPage("http://hijacker.journey.example/again"));
    EXPECT_TRUE(journey::WaitUntil([&] { return StartPage() == protectedPage; }, 15000))
        << "the Start Page is " << StartPage();
    EXPECT_TRUE(program.Close());
}

// The program's own removal of a hijacked Start Page is not fought by its guards: the page stays
// the removal's replacement.
TEST(GuardsJourney, RemovedStartPageHijackStaysRemoved) {
    testing_support::SeededMachine machine;
    ASSERT_NE(StartPage().find("coolwebsearch"), std::string::npos) << StartPage();
    Program program;
    ASSERT_NE(program.Main(), nullptr);
    program.AnswerBoxes("Cancel");

    ASSERT_TRUE(journey::ChooseScan(program, "Full Scan"));
    ASSERT_TRUE(journey::WaitForScanEnd(program)) << "the scan did not end";
    ASSERT_TRUE(program.ClickButton("Continue"));
    // The results window: its list of findings, the hijacked page among the ticked rows.
    std::vector<journey::ListViewRow> rows;
    journey::WaitUntil(
        [&] {
            for (HWND top : journey::TopWindows(program.Pid()))
                if (top != program.Main())
                    for (HWND lv : journey::Descendants(top, "SysListView32"))
                        if (IsWindowVisible(lv)) rows = journey::ListViewRows(lv, 4);
            return !rows.empty();
        },
        20000);
    ASSERT_TRUE(std::any_of(rows.begin(), rows.end(), [](const journey::ListViewRow& r) {
        return r.checked && std::any_of(r.cells.begin(), r.cells.end(),
                                        [](const std::string& c) { return c.find("Start Page") != std::string::npos; });
    })) << "the hijacked Start Page is not listed for removal";
    ASSERT_TRUE(program.ClickButton("Delete", 20000));
    auto box = program.Box(10000);
    ASSERT_TRUE(box.has_value()) << "Delete asked nothing";
    box->Press("OK");
    program.AnswerBoxes("OK", 5000);

    EXPECT_EQ(StartPage(), "about:blank");
    Sleep(5000);
    EXPECT_EQ(StartPage(), "about:blank") << "a guard put back another page after the removal";
    // The results window stays after a removal: its Close first.
    ASSERT_TRUE(program.ClickButton("Close"));
    EXPECT_TRUE(program.Close());
}

}  // namespace
