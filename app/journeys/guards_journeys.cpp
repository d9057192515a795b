// Journeys through the real-time guards and the System Guards window: alerts undone and
// authorized, startup items listed, disabled and enabled again, the home-page guard.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
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

// Waits until `done`, answering OK to a box the program shows meanwhile.
bool WaitAnswering(const Program& program, const std::function<bool()>& done, DWORD ms = 15000) {
    return journey::WaitUntil(
        [&] {
            if (auto box = journey::ShownBox(program.Pid())) {
                if (!box->Press("OK")) box->Press(box->buttons.front().second);
                journey::WaitUntil([&] { return !IsWindow(box->window) || !IsWindowVisible(box->window); }, 5000);
            }
            return done();
        },
        ms);
}

// Clicks the list's row holding `text` and, once the row shows chosen, the button: true once the
// page no longer shows the row (a question asked on the way answered OK).
bool ActOnRow(const Program& program, HWND list, const std::string& text, const std::string& button) {
    const int row = RowWith(list, text);
    if (row < 0 || !journey::ChooseListBoxRow(list, row)) return false;
    if (!program.ClickButton(button)) return false;
    return WaitAnswering(program, [&] { return RowWith(list, text) < 0; });
}

// The Alerts page, opened until it shows `count` rows holding `text`: it shows what the guards
// recorded when it opens, so a person opens it again for an alert that came since.
HWND AlertsShowing(const Program& program, const std::string& text, int count = 1) {
    HWND alerts = nullptr;
    journey::WaitUntil(
        [&] {
            if (!program.ClickButton("Alerts", 1000)) return false;
            alerts = MainList(program, text, 1000);
            return alerts && RowsWith(alerts, text) >= count;
        },
        30000);
    return alerts && RowsWith(alerts, text) >= count ? alerts : nullptr;
}

constexpr const char* kIEMainKey = "Software\\Microsoft\\Internet Explorer\\Main";

// One of the browser's pages ("" when there is none).
std::string IEPage(const char* name) {
    char data[2048] = {};
    DWORD size = sizeof data - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, kIEMainKey, name, RRF_RT_REG_SZ, nullptr, data, &size) != 0) return {};
    return data;
}

bool SetIEPage(const char* name, const std::string& page) {
    return RegSetKeyValueA(HKEY_CURRENT_USER, kIEMainKey, name, REG_SZ, page.c_str(),
                           static_cast<DWORD>(page.size() + 1)) == 0;
}

std::string StartPage() { return IEPage("Start Page"); }
bool SetStartPage(const std::string& page) { return SetIEPage("Start Page", page); }

// The page a journey found goes back when it ends.
struct KeptIEPage {
    const char* name;
    std::string page = IEPage(name);
    ~KeptIEPage() {
        if (page.empty())
            RegDeleteKeyValueA(HKEY_CURRENT_USER, kIEMainKey, name);
        else
            SetIEPage(name, page);
    }
};

bool Checked(HWND box) { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// A visible control of the class with the text in one of the program's windows.
bool Shown(const Program& program, const std::string& cls, const std::string& text) {
    for (HWND top : journey::TopWindows(program.Pid()))
        for (HWND c : journey::Descendants(top, cls, text))
            if (IsWindowVisible(c)) return true;
    return false;
}

bool OnRowOf(HWND w, HWND other) {
    RECT a{}, b{};
    GetWindowRect(w, &a);
    GetWindowRect(other, &b);
    const LONG middle = (b.top + b.bottom) / 2;
    return a.top <= middle && a.bottom >= middle;
}

// The text shown on the row of `w`, nearest to its right ("" none).
std::string TextBeside(const Program& program, HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    std::string best;
    LONG bestGap = 0;
    for (HWND top : journey::TopWindows(program.Pid()))
        for (HWND t : journey::Descendants(top, "Static")) {
            RECT s{};
            GetWindowRect(t, &s);
            if (!IsWindowVisible(t) || !OnRowOf(t, w) || s.left < r.right) continue;
            if (best.empty() || s.left - r.right < bestGap) best = journey::TextOf(t), bestGap = s.left - r.right;
        }
    return best;
}

// True once the window shows `state` beside the text `caption` ("Startup Guard:" "Enabled").
bool ShowsBeside(const Program& program, const std::string& caption, const std::string& state) {
    return journey::WaitUntil(
        [&] {
            for (HWND top : journey::TopWindows(program.Pid()))
                for (HWND label : journey::Descendants(top, "Static", caption))
                    if (IsWindowVisible(label) && TextBeside(program, label) == state) return true;
            return false;
        },
        15000);
}

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

// Ticks or clears a switch of the System Guards window, then presses its Set. A switch with its
// guard's state beside the Set is set once that shows the guard on or off; the others show nothing,
// and what the window shows next (the switch after, a page) comes after the Set's work.
bool SetSwitch(const Program& program, const std::string& caption, bool on) {
    HWND box = program.FindButton(caption);
    if (!box) return false;
    if (Checked(box) != on && !journey::Click(box)) return false;
    if (!journey::WaitUntil([&] { return Checked(box) == on; }, 5000)) return false;
    HWND set = SetButtonBeside(program, box);
    if (!set || !journey::Click(set)) return false;
    const std::string before = TextBeside(program, set);
    if (before != "Enabled" && before != "Disabled") return true;
    return journey::WaitUntil([&] { return TextBeside(program, set) == (on ? "Enabled" : "Disabled"); }, 15000);
}

// The System Guards window opened afresh (its summary shown) on a tab.
bool OpenGuardsTab(const Program& program, const std::string& tab) {
    if (!program.ClickButton("System Guards")) return false;
    if (!journey::WaitUntil([&] { return Shown(program, "Static", "Guards Summary"); }, 15000)) return false;
    return program.ClickButton(tab);
}

// The System Guards window's summary, opened afresh: true once it shows the guard on.
bool GuardShownOn(const Program& program, const std::string& guard) {
    return program.ClickButton("System Guards") && ShowsBeside(program, guard + ":", "Enabled");
}

// The startup tab with its items shown ("Edit Startup Items" ticked and set).
HWND OpenStartupItems(const Program& program, const std::string& text) {
    if (!OpenGuardsTab(program, "Startup Guard")) return nullptr;
    if (!SetSwitch(program, "Edit Startup Items", true)) return nullptr;
    return MainList(program, text, 10000);
}

std::string RowText(HWND list, const std::string& text) {
    const int row = RowWith(list, text);
    return row < 0 ? std::string() : journey::ListBoxRows(list)[row];
}

// Chooses the startup row holding `name` and presses the button that turns it off or on (its
// caption follows the row): true once the row shows its new state.
bool ToggleStartupRow(const Program& program, HWND list, const std::string& name) {
    const int row = RowWith(list, name);
    if (row < 0 || !journey::ChooseListBoxRow(list, row)) return false;
    const std::string before = RowText(list, name);
    HWND toggle = nullptr;
    journey::WaitUntil(
        [&] {
            for (const char* caption : {"Disable", "Disabled", "Enable", "Enabled"})
                if ((toggle = program.FindButton(caption, 0)) != nullptr) return true;
            return false;
        },
        10000);
    if (!toggle || !journey::Click(toggle)) return false;
    return journey::WaitUntil(
        [&] {
            const std::string now = RowText(list, name);
            return !now.empty() && now != before;
        },
        10000);
}

// Three Run values raise three alerts; the middle one undone, then the last one: exactly those
// values go. The first authorized: it stays, and a later change alerts only for itself.
TEST(GuardsJourney, AlertsUndoneAndAuthorizedActOnTheRowsShown) {
    RunValues made{{"JourneyAlertA", "JourneyAlertB", "JourneyAlertC", "JourneyAlertD"}};
    Program program;
    ASSERT_NE(program.Main(), nullptr);
    program.AnswerBoxes("Cancel");
    // The changes come once the guard watches the Run key.
    ASSERT_TRUE(GuardShownOn(program, "Startup Guard")) << journey::DescribeWindows(program.Pid());

    HWND alerts = nullptr;
    int alerted = 0;
    for (const char* n : {"JourneyAlertA", "JourneyAlertB", "JourneyAlertC"}) {
        ASSERT_TRUE(SetRunValue(n, std::string("C:\\journey\\") + n + ".exe"));
        alerts = AlertsShowing(program, "JourneyAlert", ++alerted);
        ASSERT_NE(alerts, nullptr) << "no alert for " << n << journey::DescribeWindows(program.Pid());
        ASSERT_EQ(RowWith(alerts, n) >= 0, true) << "the alert shown is not for " << n;
    }
    EXPECT_EQ(RowsWith(alerts, "JourneyAlert"), 3);

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
    alerts = AlertsShowing(program, "JourneyAlertD");
    ASSERT_NE(alerts, nullptr) << "no alert for the later change";
    EXPECT_EQ(RowsWith(alerts, "JourneyAlert"), 1) << "an answered alert came back";
    EXPECT_TRUE(program.Close());
}

// A Run value added while the startup tab is open shows when the page opens again; turned off,
// it leaves the Run key and stays off across a restart; turned on again it is back exactly, and
// the guard raises no alert for the program's own change.
TEST(GuardsJourney, StartupItemListedDisabledAcrossARestartAndEnabled) {
    const std::string name = "JourneyStartupItem", later = "JourneyStartupLater";
    RunValues made{{name, later}};
    std::optional<Program> program(std::in_place);
    ASSERT_NE(program->Main(), nullptr);
    program->AnswerBoxes("Cancel");

    ASSERT_NE(OpenStartupItems(*program, ""), nullptr) << journey::DescribeWindows(program->Pid());
    // Another program adds itself while the page is open.
    ASSERT_TRUE(SetRunValue(name, "%SystemRoot%\\journey\\item.exe /quiet", REG_EXPAND_SZ));
    const std::string original = RunValue(name);
    // Someone else's change is answered first, so an alert later can only be for the program's own.
    HWND alerts = AlertsShowing(*program, name);
    ASSERT_NE(alerts, nullptr) << "no alert for the added Run value";
    ASSERT_TRUE(ActOnRow(*program, alerts, name, "Authorize"));

    HWND list = OpenStartupItems(*program, name);
    ASSERT_NE(list, nullptr) << "the added Run value is not listed" << journey::DescribeWindows(program->Pid());
    ASSERT_TRUE(ToggleStartupRow(*program, list, name)) << journey::DescribeWindows(program->Pid());
    ASSERT_TRUE(program->ClickButton("Apply"));
    // Nothing on the page changes with the Apply: its work is what the Run key holds.
    EXPECT_TRUE(WaitAnswering(*program, [&] { return RunValue(name).empty(); }))
        << "the disabled item is still in the Run key";
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

    ASSERT_TRUE(ToggleStartupRow(*program, list, name));
    ASSERT_TRUE(program->ClickButton("Apply"));
    EXPECT_TRUE(WaitAnswering(*program, [&] { return RunValue(name) == original; }))
        << "the enabled item is not back as it was: " << RunValue(name);
    EXPECT_NE(RowText(list, name).find("Enabled"), std::string::npos) << RowText(list, name);

    // Another change after the program's own: once the guard alerts for that one, it has seen its
    // own change too, and raised nothing for it.
    ASSERT_TRUE(SetRunValue(later, "C:\\journey\\later.exe"));
    HWND shown = AlertsShowing(*program, later);
    ASSERT_NE(shown, nullptr) << "no alert for the change after the program's own";
    EXPECT_LT(RowWith(shown, name), 0) << "an alert for the program's own change";
    EXPECT_TRUE(program->Close());
}

// The home-page guard switched on in the session protects the page the IE tab shows, not the one
// the browser had when the program started; then the page typed and saved: another Start Page
// written afterwards is put back each time.
TEST(GuardsJourney, HomePageGuardPutsTheProtectedPageBack) {
    KeptIEPage kept{"Start Page"};
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
    // The summary shows after the Sets' work: the page is guarded from here on.
    ASSERT_TRUE(program.ClickButton("Guards Summary"));
    ASSERT_TRUE(ShowsBeside(program, "IE Home Page Guard:", "Enabled")) << journey::DescribeWindows(program.Pid());
    ASSERT_TRUE(program.ClickButton("Internet Explorer Guard"));
    HWND page = program.FindClickable("Edit");
    ASSERT_NE(page, nullptr) << journey::DescribeWindows(program.Pid());
    const std::string shown = journey::TextOf(page);
    ASSERT_FALSE(shown.empty());
    ASSERT_TRUE(SetStartPage("http://hijacker.journey.example/"));
    EXPECT_TRUE(journey::WaitUntil([&] { return StartPage() == shown; }, 15000))
        << "the Start Page is " << StartPage() << ", the page shown " << shown;

    ASSERT_TRUE(journey::Type(page, protectedPage));
    ASSERT_TRUE(program.ClickButton("Save Home Page"));
    // The page is saved when the program says so.
    auto saved = program.Box();
    ASSERT_TRUE(saved.has_value()) << "Save Home Page said nothing";
    EXPECT_NE(saved->text.find(protectedPage), std::string::npos) << saved->text;
    ASSERT_TRUE(saved->Press("OK"));
    ASSERT_TRUE(journey::WaitUntil([&] { return !IsWindowVisible(saved->window); }, 5000));
    ASSERT_TRUE(SetStartPage("http://hijacker.journey.example/again"));
    EXPECT_TRUE(journey::WaitUntil([&] { return StartPage() == protectedPage; }, 15000))
        << "the Start Page is " << StartPage();
    EXPECT_TRUE(program.Close());
}

// The program's own removal of a hijacked Start Page is not fought by its guards: the page stays
// the removal's replacement.
TEST(GuardsJourney, RemovedStartPageHijackStaysRemoved) {
    testing_support::SeededMachine machine;
    KeptIEPage keptSearch{"Search Page"};
    ASSERT_NE(StartPage().find("coolwebsearch"), std::string::npos) << StartPage();
    Program program;
    ASSERT_NE(program.Main(), nullptr);
    program.AnswerBoxes("Cancel");
    ASSERT_TRUE(GuardShownOn(program, "IE Hijack Guard")) << journey::DescribeWindows(program.Pid());

    ASSERT_TRUE(journey::ChooseScan(program, "Full Scan"));
    ASSERT_TRUE(journey::WaitForScanEnd(program)) << "the scan did not end";
    ASSERT_TRUE(program.ClickButton("Continue"));
    // The results window: its list of findings, the hijacked page among the ticked rows.
    const auto startPageRow = [](const journey::ListViewRow& r) {
        return std::any_of(r.cells.begin(), r.cells.end(),
                           [](const std::string& c) { return c.find("Start Page") != std::string::npos; });
    };
    HWND results = journey::ResultsList(program);
    ASSERT_NE(results, nullptr) << "no results list";
    std::vector<journey::ListViewRow> rows;
    journey::WaitUntil([&] { return !(rows = journey::ListViewRows(results, 4)).empty(); }, 20000);
    ASSERT_TRUE(std::any_of(rows.begin(), rows.end(), [&](const journey::ListViewRow& r) {
        return r.checked && startPageRow(r);
    })) << "the hijacked Start Page is not listed for removal";
    ASSERT_TRUE(program.ClickButton("Delete", 20000));
    auto box = program.Box(10000);
    ASSERT_TRUE(box.has_value()) << "Delete asked nothing";
    box->Press("OK");
    // The removal is done when its rows leave the list.
    ASSERT_TRUE(WaitAnswering(
        program,
        [&] {
            rows = journey::ListViewRows(results, 4);
            return std::none_of(rows.begin(), rows.end(), startPageRow);
        },
        60000))
        << "the removed Start Page is still listed";

    EXPECT_EQ(StartPage(), "about:blank");
    // The results window stays after a removal: its Close first.
    ASSERT_TRUE(journey::CloseResults(program));
    // Another of the pages the guard watches changed afterwards: once it alerts for that, it has
    // seen the removal's change too.
    const std::string search = "http://search.journey.example/";
    ASSERT_TRUE(SetIEPage("Search Page", search));
    ASSERT_NE(AlertsShowing(program, search), nullptr) << "no alert for the Search Page changed after the removal";
    EXPECT_EQ(StartPage(), "about:blank") << "a guard put back another page after the removal";
    EXPECT_TRUE(program.Close());
}

}  // namespace
