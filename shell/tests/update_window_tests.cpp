// The download window over the engine: its movie's commands, the progress it shows while a
// transfer runs, completion, an error answer, and the update procedure from its Start button.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/Handles.h"
#include "base/Modal.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/Globals.h"
#include "core/modMain.h"
#include "definitions/DefinitionsPacker.h"
#include "definitions/DefinitionsStore.h"
#include "definitions/StringCipher.h"
#include "definitions/tests/TestSigning.h"
#include "downloader/tests/TestServer.h"
#include "shell/frmMain.h"
#include "shell/frmMsgBox.h"
#include "shell/frmUpdate.h"
#include "ui/MessageLoop.h"

using testing_support::PatternBytes;
using testing_support::Route;
using testing_support::TestServer;

namespace {

class UpdateWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA((folder / "Skin").c_str(), nullptr);
        const std::string from = testing_support::ProgramDir();
        for (const char* f : {"alerts.scw", "LiveUpdate.scw", "Skin\\Corvane.skn"})
            ASSERT_TRUE(CopyFileA((from + "\\" + f).c_str(), (folder / f).c_str(), FALSE)) << f;
        frmMain.Load();
        frmUpdate.Load();
    }
    void TearDown() override {
        frmUpdate.Unload();
        frmMsgBox.Unload();
        frmMain.Unload();
    }
    static std::string Shown(const char* variable) { return frmUpdate.flash.ShownText(variable); }
    // Definitions number 3 installed, number 4 on the server; the message box's text goes to `shown`.
    void ServeUpdateFrom3To4(std::string& shown) {
        modEncryption::LoadEncryption();
        const crypto::Bytes key = testing_support::TestSigningKey();
        modDefinitions::WriteDefinitionsFile(folder / "defs.dat", "[SETTINGS]\nUPDATE-FILE-NUMBER=3\n", key);
        modDefinitions::LoadDefinitions();
        testing_support::TempFolder tmp;
        modDefinitions::WriteDefinitionsFile(tmp / "new.dat", "[SETTINGS]\nUPDATE-FILE-NUMBER=4\n", key);
        server.SetFile("/updates/version", "4");
        server.SetFile("/updates/defs.dat", base::ReadWhole(tmp / "new.dat"));
        server.SetFile("/updates/News.txt", "news");
        frmUpdate.site.host = server.host();
        base::modal::Expect("frmMsgBox", [&shown](const base::modal::Step& s) {
            shown = s.text;
            return 1;
        });
    }
    testing_support::ScopedProgramFolder folder;
    TestServer server;
};

}  // namespace

TEST_F(UpdateWindowTest, CommandsInAnyCaseAndUnknownOnesShown) {
    frmUpdate.Show();
    EXPECT_TRUE(frmUpdate.Visible());
    frmUpdate.flash.InjectCommand("idc_fs_stop");
    EXPECT_FALSE(frmUpdate.Visible());
    frmUpdate.Show();
    frmUpdate.flash.InjectCommand("IDC_FS_CLOSE");
    EXPECT_FALSE(frmUpdate.Visible());
    std::string shown;
    base::modal::Expect("MsgBox", [&](const base::modal::Step& s) {
        shown = s.text;
        return IDOK;
    });
    frmUpdate.flash.InjectCommand("IDC_FS_SOMETHING", "x");
    EXPECT_EQ(shown, "IDC_FS_SOMETHING");
    frmUpdate.Show();
    EXPECT_TRUE(frmUpdate.flash.LoadedMovie().errors.empty()) << frmUpdate.flash.LoadedMovie().errors[0];
    for (const char* c : {"IDC_FS_START", "IDC_FS_STOP", "IDC_FS_CLOSE", "IDC_FS_MINIMIZE"})
        EXPECT_TRUE(frmUpdate.flash.HasButton(c)) << c;
}

TEST_F(UpdateWindowTest, ProgressWhileATransferRunsThenCompletion) {
    Route slow;
    slow.body = PatternBytes(400000, 6);
    slow.trickleBytes = 8000;
    slow.trickleDelayMs = 30;
    server.Set("/files/big.dat", slow);
    frmUpdate.Show();
    frmUpdate.ExecuteDownload(server.Url("/files/big.dat"), folder / "big.dat");
    EXPECT_EQ(Shown("_root.currentFile"), "big.dat");
    bool sawMidway = false;
    const unsigned long long until = GetTickCount64() + 30000;
    while (frmUpdate.transfer.Downloading() && GetTickCount64() < until) {
        ui::PumpFor(50);
        const std::uint64_t got = frmUpdate.transfer.GetReceivedTotal();
        if (got > 50000 && got < 350000 && Shown("_root.recieved").find("KB") != std::string::npos) sawMidway = true;
    }
    ASSERT_EQ(frmUpdate.transfer.outcome(), downloader::Outcome::Complete) << frmUpdate.transfer.ErrorText();
    EXPECT_TRUE(sawMidway);
    EXPECT_EQ(Shown("_root.totalSize"), "390.63 KB");
    EXPECT_EQ(Shown("_root.recieved"), "390.63 KB");
    EXPECT_EQ(Shown("_root.progressPercent"), "100");
    EXPECT_EQ(Shown("_root.transferRate"), "0 Bytes/Second");
    EXPECT_EQ(frmUpdate.lblStatus.Caption(), "Transfer Completed...");
    EXPECT_EQ(frmUpdate.cmdStop.Caption(), "&Close");
    EXPECT_EQ(frmUpdate.flash.GetVariable("_root.stopCaption"), "Close");
    EXPECT_EQ(frmUpdate.PVProgressBar0.Value(), frmUpdate.PVProgressBar0.Max());
    EXPECT_TRUE(base::ReadWhole(folder / "big.dat") == slow.body);
    // Closing after completion only hides.
    frmUpdate.cmdStop_Click();
    EXPECT_FALSE(frmUpdate.Visible());
}

// The window says the transfer can resume only when the server answered the range with a part;
// a server that sends the whole file with its length for every request cannot.
TEST_F(UpdateWindowTest, ResumeIsShownOnlyWhenTheServerAnsweredTheRange) {
    for (bool ignoreRange : {false, true}) {
        SCOPED_TRACE(ignoreRange ? "range ignored" : "range answered");
        Route r;
        r.body = PatternBytes(20000, 3);
        r.ignoreRange = ignoreRange;
        server.Set("/files/r.dat", r);
        frmUpdate.ExecuteDownload(server.Url("/files/r.dat"), folder / "r.dat");
        const unsigned long long until = GetTickCount64() + 20000;
        while (frmUpdate.transfer.Downloading() && GetTickCount64() < until) ui::PumpFor(20);
        ASSERT_EQ(frmUpdate.transfer.outcome(), downloader::Outcome::Complete) << frmUpdate.transfer.ErrorText();
        EXPECT_EQ(frmUpdate.lblResume.Caption(), ignoreRange ? "" : "** Resume Supported **");
    }
}

TEST_F(UpdateWindowTest, StopMidwayKeepsThePartialFile) {
    Route slow;
    slow.body = PatternBytes(400000, 6);
    slow.trickleBytes = 4000;
    slow.trickleDelayMs = 30;
    server.Set("/files/big.dat", slow);
    frmUpdate.Show();
    frmUpdate.ExecuteDownload(server.Url("/files/big.dat"), folder / "big.dat");
    while (frmUpdate.transfer.Downloading() && frmUpdate.transfer.GetReceivedTotal() < 20000) ui::PumpFor(20);
    frmUpdate.flash.InjectCommand("IDC_FS_STOP");
    EXPECT_TRUE(frmUpdate.transfer.Stopped());
    EXPECT_FALSE(frmUpdate.Visible());
    EXPECT_EQ(frmUpdate.lblStatus.Caption(), "Transfer Stopped");
    EXPECT_EQ(frmUpdate.cmdStop.Caption(), "&Close");
    EXPECT_GE(base::FileLength(folder / "big.dat"), 20000u);
}

TEST_F(UpdateWindowTest, AnErrorAnswerIsShownAndEndsTheTransfer) {
    std::string shown;
    base::modal::Expect("frmMsgBox", [&](const base::modal::Step& s) {
        shown = s.text;
        return 1;
    });
    frmUpdate.ExecuteDownload(server.Url("/missing.dat"), folder / "m.dat");
    const unsigned long long until = GetTickCount64() + 10000;
    while (frmUpdate.transfer.Downloading() && GetTickCount64() < until) ui::PumpFor(20);
    EXPECT_FALSE(frmUpdate.transfer.Downloading());
    EXPECT_EQ(shown, "Error in connection");
    EXPECT_EQ(frmUpdate.lblStatus.Caption(), "HTTP 404-Object Not Found");
    EXPECT_TRUE(frmUpdate.cmdStop.Enabled());
    EXPECT_TRUE(frmUpdate.tfDownloadError);
}

TEST_F(UpdateWindowTest, TheStartCommandRunsTheUpdate) {
    std::string shown;
    ServeUpdateFrom3To4(shown);
    int installed = 0;
    frmUpdate.OnDefinitionsInstalled = [&] { ++installed; };
    frmUpdate.OpenUpdateWindow();
    frmUpdate.flash.InjectCommand("IDC_FS_START");
    EXPECT_EQ(shown, "Update completed sucessfully.");
    EXPECT_EQ(installed, 1);
    EXPECT_FALSE(frmUpdate.Visible());
    EXPECT_FALSE(frmUpdate.cmdStartUpdate.Enabled());
    EXPECT_EQ(modDefinitions::updateListfromINI("SETTINGS", "UPDATE-FILE-NUMBER"), std::optional<std::string>("4"));
    frmUpdate.OnDefinitionsInstalled = nullptr;
    modEncryption::ReleaseEncryption();
}

TEST_F(UpdateWindowTest, ADefinitionsFileHeldOpenIsReportedAndStartStaysUsable) {
    std::string shown;
    ServeUpdateFrom3To4(shown);
    {
        base::FileHandle held(CreateFileA((folder / "defs.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        frmUpdate.OpenUpdateWindow();
        frmUpdate.flash.InjectCommand("IDC_FS_START");
    }
    EXPECT_NE(shown.find("The new definitions could not be installed"), std::string::npos) << shown;
    EXPECT_TRUE(frmUpdate.cmdStartUpdate.Enabled());
    EXPECT_FALSE(base::FileExists(folder / "update\\defs.dat"));
    EXPECT_EQ(modDefinitions::updateListfromINI("SETTINGS", "UPDATE-FILE-NUMBER"), std::optional<std::string>("3"));
    modEncryption::ReleaseEncryption();
}

TEST_F(UpdateWindowTest, DraggingBeyondTheScreenEdgeSnapsBackWithTheOption) {
    frmUpdate.Show();
    gb_snapWinBorder = true;
    frmUpdate.SetLeft(-3000);
    frmUpdate.SetTop(-1500);
    base::modal::Expect("DragWindow", 0);
    frmUpdate.flash.InjectCommand("IDC_FS_DRAG");
    EXPECT_EQ(frmUpdate.Left(), 0);
    EXPECT_EQ(frmUpdate.Top(), 0);
    gb_snapWinBorder = false;
    frmUpdate.SetLeft(-3000);
    base::modal::Expect("DragWindow", 0);
    frmUpdate.flash.InjectCommand("IDC_FS_DRAG");
    EXPECT_LT(frmUpdate.Left(), 0);
}

TEST_F(UpdateWindowTest, CheckSiteFetchesThePagesLinksOneAfterAnother) {
    server.SetFile("/site/pics/a.gif", "GIF89a-a");
    server.SetFile("/site/b.htm", "<html>b</html>");
    server.SetFile("/site/index.htm", "<img src=\"pics/a.gif\">\r\n<a href=\"b.htm\">b</a> <a href=\"x.zip\">\r\n");
    CreateDirectoryA((folder / "site").c_str(), nullptr);
    frmUpdate.ExecuteDownload(server.Url("/site/index.htm"), folder / "site\\index.htm");
    while (frmUpdate.transfer.Step(20)) {
    }
    ASSERT_EQ(frmUpdate.transfer.outcome(), downloader::Outcome::Complete);
    const long left = frmUpdate.Left();
    frmUpdate.CheckSite();
    EXPECT_EQ(base::ReadWhole(folder / "site\\pics\\a.gif"), "GIF89a-a");
    EXPECT_EQ(base::ReadWhole(folder / "site\\b.htm"), "<html>b</html>");
    EXPECT_FALSE(base::FileExists(folder / "site\\x.zip"));
    EXPECT_NEAR(frmUpdate.Left(), left + 80, 30);  // 40 twips a link, to the nearest pixel
}

namespace {
struct FieldSearch {
    const std::string* text;
    HWND field = nullptr;
};
BOOL CALLBACK FindTextField(HWND child, LPARAM p) {
    auto* s = reinterpret_cast<FieldSearch*>(p);
    char cls[32] = {}, shown[4096] = {};
    GetClassNameA(child, cls, sizeof cls);
    GetWindowTextA(child, shown, sizeof shown);
    if (lstrcmpiA(cls, "Static") == 0 && *s->text == shown) s->field = child;
    return s->field == nullptr;
}

// Whether the box's text field shows all of `text`: its lines, wrapped at the field's width in
// the field's own font, within the field's height.
bool BoxShowsWhole(const std::string& text) {
    FieldSearch search{&text};
    EnumChildWindows(frmMsgBox.hWnd(), FindTextField, reinterpret_cast<LPARAM>(&search));
    if (!search.field) return false;
    RECT field{};
    GetClientRect(search.field, &field);
    HDC dc = GetDC(search.field);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(search.field, WM_GETFONT, 0, 0)));
    RECT need = field;
    DrawTextA(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
    SelectObject(dc, old);
    ReleaseDC(search.field, dc);
    return need.bottom - need.top <= field.bottom - field.top && need.right - need.left <= field.right - field.left;
}
}  // namespace

// A body cut mid-way on every answer: the update stops there, in one box that shows all it says.
TEST_F(UpdateWindowTest, AFailedUpdateSaysWhatFailedInOneBoxThatShowsAllOfIt) {
    std::string shown;
    ServeUpdateFrom3To4(shown);
    base::modal::ClearScript();
    std::vector<std::string> boxes;
    std::vector<bool> whole;
    for (int i = 0; i < 2; ++i)  // room for a second box, which must not come
        base::modal::Expect("frmMsgBox", [&](const base::modal::Step& s) {
            boxes.push_back(s.text);
            whole.push_back(BoxShowsWhole(s.text));
            return 1;
        });
    const std::string fresh = base::ReadWhole(folder / "defs.dat");
    server.Set("/updates/defs.dat", testing_support::RestartingFile(std::string(200000, 'd'), 70000));
    frmUpdate.OpenUpdateWindow();
    frmUpdate.flash.InjectCommand("IDC_FS_START");
    ASSERT_EQ(boxes.size(), 1u) << (boxes.empty() ? "" : boxes[0] + " | " + boxes.back());
    base::modal::ClearScript();
    EXPECT_NE(boxes[0].find("defs.dat could not be downloaded"), std::string::npos) << boxes[0];
    EXPECT_TRUE(whole[0]) << "cut off: " << boxes[0];
    EXPECT_NE(frmUpdate.lblStatus.Caption(), "Transfer Completed...");
    EXPECT_FALSE(base::FileExists(folder / "update\\defs.dat"));
    EXPECT_FALSE(base::FileExists(folder / "update\\news.txt"));
    EXPECT_TRUE(base::ReadWhole(folder / "defs.dat") == fresh);
    EXPECT_NE(base::ReadWhole(modMain::ErrorLogPath()).find("Method: cmdStartUpdate_Click"), std::string::npos);
    modEncryption::ReleaseEncryption();
}
