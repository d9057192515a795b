#include <gtest/gtest.h>

#include "base/Clock.h"
#include "base/Modal.h"
#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "base/Trap.h"
#include "base/testing/Testing.h"
#include "core/modMain.h"

using namespace modMain;
using testing_support::ScopedClock;
using testing_support::ScopedProgramFolder;

namespace {
SYSTEMTIME Fixed() { return testing_support::MakeTime(2026, 1, 2, 3, 4, 5); }
std::string Date() { return base::ShortDateText(Fixed()); }
std::string Time() { return base::TimeText(Fixed()); }
std::string LogText() { return base::ReadWhole(ErrorLogPath()); }
}  // namespace

TEST(FullPathWithFilename, JoinsWithOneOrTwoSeparators) {
    struct Row {
        const char* folder;
        const char* name;
        const char* want;
    };
    const Row rows[] = {
        {"C:\\Apps\\Corvane", "errorlog.txt", "C:\\Apps\\Corvane\\errorlog.txt"},
        {"C:\\Apps\\Corvane", "\\logs\\errorlog.txt", "C:\\Apps\\Corvane\\\\logs\\errorlog.txt"},
        {"C:\\", "Remove.reg", "C:\\Remove.reg"},
    };
    for (const Row& r : rows) {
        base::SetProgramFolderOverride(r.folder);
        EXPECT_EQ(FullPath_With_Filename(r.name), r.want) << r.folder << " + " << r.name;
    }
    base::SetProgramFolderOverride("");
}

TEST(ErrorLog, EntryBytesAreExact) {
    ScopedProgramFolder pf;
    ScopedClock clock(Fixed());
    LogError("53", "File not found", "DeleteFile");
    EXPECT_EQ(LogText(), "\"\r\nDate: " + Date() + "\",\"Time: " + Time() +
                             "\",\"Error Description: File not found, Error Number: 53, Method: DeleteFile\"\r\n");
}

TEST(ErrorLog, EmbeddedQuotesAreDoubledAndCommasKept) {
    ScopedProgramFolder pf;
    ScopedClock clock(Fixed());
    WriteErrorLog("say \"hi\", then go");
    EXPECT_EQ(LogText(), "\"\r\nDate: " + Date() + "\",\"Time: " + Time() + "\",\"say \"\"hi\"\", then go\"\r\n");
}

TEST(ErrorLog, EntriesAppendInCallOrderAndTrapsLogThere) {
    ScopedProgramFolder pf;
    WriteErrorLog("first");
    base::Trap("SomeProcedure", [] { base::Raise(76); });
    std::string text = LogText();
    size_t a = text.find("first"),
           b = text.find("Error Description: Path not found, Error Number: 76, Method: SomeProcedure");
    ASSERT_NE(a, std::string::npos);
    ASSERT_NE(b, std::string::npos);
    EXPECT_LT(a, b);
}

TEST(ErrorLog, LostSilentlyWhenLogsFolderIsMissing) {
    ScopedProgramFolder pf(/*withLogs=*/false);
    LogError("5", "x", "Early");
    EXPECT_FALSE(base::FileExists(ErrorLogPath()));
}

TEST(DeleteLogFile, KeepsExactlyTheLimitAndDeletesOneByteMore) {
    struct Row {
        unsigned long long size;
        bool survives;
    };
    for (Row r : {Row{kErrorLogLimit, true}, Row{kErrorLogLimit + 1, false}, Row{0, true}}) {
        ScopedProgramFolder pf;
        base::WriteText(ErrorLogPath(), std::string(r.size, 'x'));
        deleteLogFile();
        EXPECT_EQ(base::FileExists(ErrorLogPath()), r.survives) << r.size;
    }
}

TEST(DeleteFile, LogsTwoBlanksAndPathExceptForRemoveReg) {
    ScopedProgramFolder pf;
    ScopedClock clock(Fixed());
    DeleteFile(pf / "Remove.reg");
    EXPECT_FALSE(base::FileExists(ErrorLogPath()));
    DeleteFile("C:\\no-such-corvane-file.tmp");
    EXPECT_NE(LogText().find("\"Error Description: File not found  C:\\no-such-corvane-file.tmp, Error Number: 53, "
                             "Method: DeleteFile\""),
              std::string::npos);
    base::WriteText(pf / "gone.txt", "x");
    DeleteFile(pf / "gone.txt");
    EXPECT_FALSE(base::FileExists(pf / "gone.txt"));
}

TEST(FileExistsDir, NormalFilesOnly) {
    ScopedProgramFolder pf;
    base::WriteText(pf / "plain.txt", "x");
    base::WriteText(pf / "hidden.txt", "x");
    SetFileAttributesA((pf / "hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(fileExistsDir(pf / "plain.txt"), -1);
    EXPECT_EQ(fileExistsDir(pf / "hidden.txt"), 0);
    EXPECT_EQ(fileExistsDir(pf / "missing.txt"), 0);
    EXPECT_EQ(fileExistsDir(pf / "logs"), 0);  // a folder is not a file
    EXPECT_EQ(fileExistsDir(pf / "*.txt"), -1);
}

TEST(FileExistsDir, ListingFailureShowsPlainMessageBox) {
    base::modal::Expect("MsgBox", IDOK);
    EXPECT_EQ(fileExistsDir("C:\\bad<>name?\"|.txt\\x"), 0);
    // Wine may report an invalid name either as a listing failure or as no match.
    if (base::modal::Pending() == 0) {
        EXPECT_EQ(base::modal::Seen().back().flags & MB_ICONINFORMATION, MB_ICONINFORMATION);
    }
}

TEST(TextBoxFiles, WriteAndAppend) {
    ScopedProgramFolder pf;
    WriteLogFile(pf / "saved.log", "line one");
    EXPECT_EQ(base::ReadWhole(pf / "saved.log"), "line one\r\n");
    WriteLogFile(pf / "saved.log", "shorter");
    EXPECT_EQ(base::ReadWhole(pf / "saved.log"), "shorter\r\n");

    base::WriteText(pf / "empty.log", "");
    std::string box = "old";
    AppendFileToTextBox(pf / "empty.log", box);
    EXPECT_EQ(box, "old\r\n\r\n");
    AppendFileToTextBox(pf / "saved.log", box);
    EXPECT_EQ(box, "old\r\n\r\n\r\nshorter\r\n\r\n");
    AppendFileToTextBox(pf / "missing.log", box);
    EXPECT_EQ(box, "old\r\n\r\n\r\nshorter\r\n\r\n");
}
