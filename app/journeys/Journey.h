#pragma once
// Journeys: the real Corvane.exe driven from outside, as a person drives it.
//
// A journey copies the complete program folder the build assembled to the test machine's
// "C:\Program Files\Corvane", starts Corvane.exe from there with the machine's own settings (none
// left from an earlier journey), and works only through the program's windows: a button is
// clicked only where a person could click it (shown, enabled and on top at its centre), a list
// row is chosen by a click on it, text is typed into a box. What it checks is the machine:
// registry, files, hosts, processes, scheduled jobs. It ends with the program's own shut-down.
//
// The journeys run in a Wine prefix of their own on a virtual display (wine-journey-run.sh). A
// failing journey saves a picture of the screen at the moment of its first failure
// (build/<target>/journey-screens/<test>.bmp).
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace journey {

// Waits until `done` answers true, looking every 50 ms; false when `ms` ran out first.
bool WaitUntil(const std::function<bool()>& done, DWORD ms);

// ---- windows of a process

std::string TextOf(HWND w);
std::string ClassOf(HWND w);
// The visible top-level windows of a process, topmost first.
std::vector<HWND> TopWindows(DWORD pid);
// The descendants of `root` of a class (case-insensitive; "" any) whose text is `text` ("" any).
std::vector<HWND> Descendants(HWND root, const std::string& cls = {}, const std::string& text = {});
// True when a click at the centre of the window would reach it: shown, enabled, its top-level
// window enabled, and nothing else on top at that point.
bool Clickable(HWND w);
// The visible windows of a process and their visible controls, one line each.
std::string DescribeWindows(DWORD pid);
// Saves a picture of the whole screen (a BMP file); its path, or "" when it could not.
std::string SaveScreen(const std::string& name);

// ---- what a person does

// Clicks a button or check box (false, doing nothing, when a person could not click it).
bool Click(HWND button);
// Clicks a label that answers clicks, at its middle (false, doing nothing, when a person could not).
bool ClickLabel(HWND label);
// Types the text into an edit box, replacing what it held.
bool Type(HWND edit, const std::string& text);
// A right click at the middle of a window, as the mouse gives it.
void RightClick(HWND w);
// Chooses a line (1 = the first) of the pop-up menu the process shows, by its keys, as a person
// does; false when no menu came.
bool ChooseMenuLine(DWORD pid, int line);
// The rows of a list box, and a click on one (0-based).
std::vector<std::string> ListBoxRows(HWND list);
bool ClickListBoxRow(HWND list, int row);
// The row a list box shows chosen (-1 none).
int ListBoxSelected(HWND list);
// A click on the row, and the wait until the list shows it chosen.
bool ChooseListBoxRow(HWND list, int row);

// A report-style list view of another process, read and clicked through that process's memory.
struct ListViewRow {
    std::vector<std::string> cells;
    bool checked = false;
};
std::vector<ListViewRow> ListViewRows(HWND list, int columns);
// A click on the row's check box.
bool ClickListViewCheck(HWND list, int row);
// A click on the row itself.
bool ClickListViewRow(HWND list, int row);

// A box asking or telling something: its text and its buttons.
struct Box {
    HWND window = nullptr;
    std::string title, text;
    std::vector<std::pair<HWND, std::string>> buttons;
    bool Press(const std::string& caption) const;
};
// The box a process shows now (a window with a button from `captions` and a text).
std::optional<Box> ShownBox(DWORD pid, const std::vector<std::string>& captions = {"OK", "Cancel", "Yes", "No"});
std::optional<Box> WaitForBox(DWORD pid, DWORD ms,
                              const std::vector<std::string>& captions = {"OK", "Cancel", "Yes", "No"});

// ---- the program

// Where the journeys install Corvane on the test machine.
std::string InstallFolder();
// The program folder the build assembled.
std::string BuildProgramFolder();

class Program {
public:
    // Installs the program folder afresh (unless `keepInstall`), takes the program's settings away
    // (unless `keepSettings`), starts Corvane.exe with the arguments and waits for its main window.
    struct Options {
        std::string args;
        bool keepInstall = false;
        bool keepSettings = false;
        bool waitForMain = true;
    };
    // With a `commandLine`, that is started instead of Corvane.exe and the arguments (a scheduled
    // job's command line, a Run value's).
    explicit Program(const Options& options, const std::string& commandLine = {});
    Program() : Program(Options{}) {}
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return process_ != nullptr; }
    DWORD Pid() const { return pid_; }
    HANDLE Process() const { return process_; }
    HWND Main() const { return main_; }
    std::string Folder() const { return InstallFolder(); }
    std::string File(const std::string& name) const { return Folder() + "\\" + name; }
    bool Running() const;
    // Waits for the process to end; its exit code, or nothing when it still runs.
    std::optional<DWORD> WaitForExit(DWORD ms);

    // A clickable button (or check box) with the caption in any of the program's windows,
    // waited for; nullptr when none came.
    HWND FindButton(const std::string& caption, DWORD ms = 10000) const;
    bool ClickButton(const std::string& caption, DWORD ms = 10000) const;
    // Clicks the button until `done` answers true (looking 3 s after each click), as a person clicks
    // again when nothing happened; false when it never did.
    bool ClickUntil(const std::string& caption, const std::function<bool()>& done, int tries = 5) const;
    // A visible top-level window of the program whose caption holds `text`.
    HWND FindWindowTitled(const std::string& text, DWORD ms = 10000) const;
    // A visible control of a class in any of the program's windows.
    HWND FindControl(const std::string& cls, DWORD ms = 10000, HWND within = nullptr) const;
    // A control of a class a person could click now, in any of the program's windows.
    HWND FindClickable(const std::string& cls, DWORD ms = 10000) const;
    // The text a window of the program shows with the given text's start ("" when none).
    std::string ShownTextStarting(const std::string& start) const;
    std::optional<Box> Box(DWORD ms = 10000) const { return WaitForBox(pid_, ms); }
    // Answers the boxes the program shows with `answer` until none is shown for `quietMs`.
    std::vector<std::string> AnswerBoxes(const std::string& answer, DWORD quietMs = 1500) const;

    // The program's own shut-down: the main window's close button, "OK" to its question. True
    // when the process ended with exit code 0 within the time.
    bool Close(DWORD ms = 60000);

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    HWND main_ = nullptr;
};

// ---- a scan, as a person runs one

// Starts a scan from the home page's scan choice (the Home button first when the page is covered):
// true once the scanning window shows. A click the program was too busy to take (its start-up
// still running) is given again, as a person would.
bool ChooseScan(const Program& program, const std::string& caption);
// The scanning window on the screen.
bool ScanWindowShown(const Program& program);
// Waits for the scanning window's Continue; the texts of the boxes shown on the way (answered OK).
bool WaitForScanEnd(const Program& program, std::vector<std::string>* boxes = nullptr, DWORD ms = 300000);
// The results window's list: the report list view of a top-level window other than the main one.
HWND ResultsList(const Program& program, DWORD ms = 20000);
// Closes the results window with its Close button: true once it is gone.
bool CloseResults(const Program& program);

// The newest scan log of the installed program ("" when there is none).
std::string NewestScanLog();
// The files of the program folder (not its subfolders) matching a pattern.
std::vector<std::string> FilesIn(const std::string& folder, const std::string& pattern);
// What a shut-down left behind in the installed program folder: the guards' snapshots, temporary
// files (the results file is kept on purpose).
std::vector<std::string> Leftovers();

}  // namespace journey

namespace testing_support {
struct SeededItem;
}

namespace journey {

// What a planted thing is on the machine now, as text: "absent", or for a file its attributes,
// times and bytes, for a folder what it holds, for a key its values and subkeys, for a value its
// type and data, for a hosts line whether the hosts file holds it. Two equal texts are the same
// state (a process is its program file).
std::string StateOf(const testing_support::SeededItem& item);
bool Absent(const testing_support::SeededItem& item);
// The bytes of a file ("" when it cannot be read).
std::string Bytes(const std::string& path);

}  // namespace journey
