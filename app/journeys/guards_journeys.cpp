// Journeys through the real-time guards and the System Guards window: alerts undone and
// authorized, startup items listed, disabled and enabled again, the home-page guard.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/journeys/Journey.h"

namespace {

using journey::Program;

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

bool SetRunValue(const std::string& name, const std::string& data) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != 0)
        return false;
    const bool ok = RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                   static_cast<DWORD>(data.size() + 1)) == 0;
    RegCloseKey(key);
    return ok;
}

// The Run value's type and data ("" when it is not there).
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
    EXPECT_EQ(RunValue("JourneyAlertA"), "1:C:\\journey\\JourneyAlertA.exe");
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

}  // namespace
