#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "base/Clock.h"
#include "base/Launch.h"
#include "base/Modal.h"
#include "base/MsgBox.h"
#include "base/ProgramFolder.h"
#include "base/RuntimeError.h"
#include "base/TextFile.h"
#include "base/Trap.h"
#include "base/testing/Testing.h"

using namespace base;
using testing_support::TempFolder;

TEST(RuntimeErrors, StandardDescriptions) {
    struct Row {
        long number;
        const char* text;
    };
    const Row rows[] = {{5, "Invalid procedure call or argument"},
                        {6, "Overflow"},
                        {9, "Subscript out of range"},
                        {13, "Type mismatch"},
                        {52, "Bad file name or number"},
                        {53, "File not found"},
                        {70, "Permission denied"},
                        {75, "Path/File access error"},
                        {76, "Path not found"},
                        {12345, "Application-defined or object-defined error"}};
    for (const Row& r : rows) EXPECT_EQ(ErrorDescription(r.number), r.text) << r.number;
}

TEST(RuntimeErrors, Win32FileErrorsMapToRuntimeNumbers) {
    EXPECT_EQ(RuntimeErrorFromWin32(ERROR_FILE_NOT_FOUND), 53);
    EXPECT_EQ(RuntimeErrorFromWin32(ERROR_PATH_NOT_FOUND), 76);
    EXPECT_EQ(RuntimeErrorFromWin32(ERROR_ACCESS_DENIED), 70);
}

namespace {
std::vector<std::string> g_logged;
void RecordingSink(const std::string& n, const std::string& d, const std::string& m) {
    g_logged.push_back(n + "|" + d + "|" + m);
}
}  // namespace

TEST(Trap, ReportsNumberDescriptionAndMethodThenReturnsFallback) {
    g_logged.clear();
    const ErrorSink previous = SetErrorSink(&RecordingSink);
    int r = Trap("Sample", 7, []() -> int { Raise(53); });
    EXPECT_EQ(r, 7);
    bool ok = Trap("Other", [] { throw std::runtime_error("boom"); });
    EXPECT_FALSE(ok);
    EXPECT_TRUE(Trap("Quiet", [] {}));
    SetErrorSink(previous);
    ASSERT_EQ(g_logged.size(), 2u);
    EXPECT_EQ(g_logged[0], "53|File not found|Method: Sample");
    EXPECT_EQ(g_logged[1], "5|boom|Method: Other");
}

TEST(TextFile, AppendOutputAndReadWhole) {
    TempFolder t;
    std::string p = t / "a.txt";
    AppendText(p, "one\r\n");
    AppendText(p, "two\xE9\r\n");
    EXPECT_EQ(ReadWhole(p), "one\r\ntwo\xE9\r\n");
    WriteText(p, "x");
    EXPECT_EQ(ReadWhole(p), "x");
    EXPECT_EQ(FileLength(p), 1u);
    EXPECT_TRUE(FileExists(p));
    EXPECT_FALSE(FolderExists(p));
    EXPECT_TRUE(FolderExists(t.path()));
}

TEST(TextFile, ErrorsCarryRuntimeNumbers) {
    TempFolder t;
    try {
        ReadWhole(t / "missing.txt");
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 53);
    }
    try {
        AppendText(t / "no\\such\\folder.txt", "x");
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 76);
    }
}

TEST(TextFile, SplitLinesLikeLineInput) {
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
    EXPECT_TRUE(SplitLines("").empty());
}

TEST(Clock, SetClockFreezesNowAndTextsFollowTheSystemFormats) {
    SYSTEMTIME t = testing_support::MakeTime(2024, 3, 7, 14, 5, 9);
    {
        testing_support::ScopedClock c(t);
        SYSTEMTIME n = Now();
        EXPECT_EQ(n.wYear, 2024);
        EXPECT_EQ(n.wSecond, 9);
    }
    char date[64], time[64];
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &t, nullptr, date, sizeof date);
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &t, nullptr, time, sizeof time);
    EXPECT_EQ(ShortDateText(t), date);
    EXPECT_EQ(TimeText(t), time);
    EXPECT_FALSE(ShortDateText(t).empty());
}

TEST(ProgramFolder, OverrideAndDriveRoot) {
    SetProgramFolderOverride("C:\\Apps\\Corvane\\");
    EXPECT_EQ(ProgramFolder(), "C:\\Apps\\Corvane");
    SetProgramFolderOverride("C:\\");
    EXPECT_EQ(ProgramFolder(), "C:\\");
    SetProgramFolderOverride("");
    EXPECT_FALSE(ProgramFolder().empty());
}

TEST(ModalSeam, ScriptedAnswersInOrder) {
    modal::Expect("MsgBox", IDCANCEL);
    modal::Expect("MsgBox", [](const modal::Step& s) { return s.text == "second" ? IDYES : IDNO; });
    EXPECT_EQ(MsgBox("first", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(MsgBox("second", MB_YESNO, "Title"), IDYES);
    EXPECT_EQ(modal::Pending(), 0u);
    ASSERT_EQ(modal::Seen().size(), 2u);
    EXPECT_EQ(modal::Seen()[0].title, AppTitle());
    EXPECT_EQ(modal::Seen()[1].title, "Title");
}

TEST(ModalSeam, UnscriptedStepFailsTheTestAtOnce) {
    long answer = 0;
    EXPECT_NONFATAL_FAILURE(answer = MsgBox("nobody scripted me"), "unscripted modal step \"MsgBox\"");
    EXPECT_EQ(answer, 2);
    modal::Expect("frmMsgBox", 1);
    EXPECT_NONFATAL_FAILURE(MsgBox("wrong kind"), "unscripted");
}

// The one road to another program: its exit code when it ends in time, nothing for a program that
// cannot start, and no waiting at all when asked for none.
TEST(LaunchTest, ExitCodeMissingProgramAndNoWait) {
    const base::Launched ended = base::Launch("cmd.exe /c exit 3", 30000, SW_HIDE);
    EXPECT_TRUE(ended.started);
    EXPECT_TRUE(ended.finished);
    EXPECT_EQ(ended.exitCode, 3u);
    EXPECT_EQ(base::RunAndWait("cmd.exe /c exit 0"), 0);

    const base::Launched missing = base::Launch("no-such-program-here.exe", 30000);
    EXPECT_FALSE(missing.started);
    EXPECT_EQ(base::RunAndWait("no-such-program-here.exe"), -1);

    const base::Launched notWaited = base::Launch("cmd.exe /c exit 5", 0);
    EXPECT_TRUE(notWaited.started);
    EXPECT_FALSE(notWaited.finished);
}
