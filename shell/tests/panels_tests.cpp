// The about, home, scan-choice and custom-selection panels and the program-information window,
// over a scratch settings root and a scratch program folder.
#include <gtest/gtest.h>
#include <windows.h>
// (after windows.h)
#include <commctrl.h>

#include <string>
#include <vector>

#include "base/Modal.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/Globals.h"
#include "core/SettingsStore.h"
#include "core/Wiring.h"
#include "core/tests/CoreTestSupport.h"
#include "shell/FolderTree.h"
#include "shell/HomePanel.h"
#include "shell/OptionTable.h"
#include "shell/ScanDrivers.h"
#include "shell/frmAbout.h"
#include "shell/frmCustomSelect.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "shell/frmMsgBox.h"
#include "shell/frmScanNow.h"
#include "shell/frminfo.h"
#include "ui/MessageLoop.h"

namespace {

using base::modal::Step;

class Panels : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA((folder / "Skin").c_str(), nullptr);
        CreateDirectoryA((folder / "Language").c_str(), nullptr);
        const std::string from = testing_support::ProgramDir();
        for (const char* f : {"alerts.scw", "ProgInfo.scw", "Skin\\Corvane.skn"})
            ASSERT_TRUE(CopyFileA((from + "\\" + f).c_str(), (folder / f).c_str(), FALSE)) << f;
        gb_languageFile = "English.ini";
        scanDrivers::Install({[this] { calls.push_back("show"); }, [this] { calls.push_back("QuickScan"); },
                              [this] { calls.push_back("StartScan"); },
                              [this](const std::string& o) { calls.push_back("CustomScan " + o); }});
        frmMain.Load();
    }
    void TearDown() override {
        for (ui::Form* f : std::initializer_list<ui::Form*>{&frminfo, &frmCustomSelect, &frmScanNow, &frmMenu,
                                                            &frmAbout, &frmMsgBox, &frmMain})
            f->Unload();
        scanDrivers::Install({});
        wiring::SetLanguagePanel({});
        gb_languageFile.clear();
        base::modal::ClearScript();
    }

    testing_support::ScopedProgramFolder folder;
    core_test::ScopedSettingsRoot settingsRoot;
    std::vector<std::string> calls;
};

TEST_F(Panels, TheAboutPanelShowsTitleAndVersionWithZeroAsItsThirdNumber) {
    for (int load = 0; load < 2; ++load) {
        frmAbout.Load();
        EXPECT_EQ(frmAbout.lblVersion.Caption(), "Version 2.2.0.0");
        EXPECT_EQ(frmAbout.lblTitle.Caption(), "Application Title    Corvane");
        EXPECT_EQ(GetAncestor(frmAbout.hWnd(), GA_PARENT), frmMain.FrameMain.hWnd()) << "not placed in the main frame";
        frmAbout.Unload();
    }
}

TEST_F(Panels, TheHomePanelShowsTheStatisticsAndPushesThemIntoTheMovie) {
    frmMenu.Load();
    EXPECT_EQ(frmMenu.lblLastSystemScan.Caption(), "Last System Scan:  Not Found");
    EXPECT_EQ(frmMenu.lblNumberOfObjectsRemoved.Caption(), "Number of Objects Removed:  0");
    EXPECT_EQ(frmMenu.lblNumberOfScans.Caption(), "Number of Scans:  0");
    EXPECT_EQ(frmMenu.updateFileNumberLabel.Caption(), "Last Update on: ????") << "no defs.dat";
    EXPECT_EQ(frmMain.flash.GetVariable("_root.LastSystemScan"), "Not Found");
    EXPECT_EQ(frmMain.flash.GetVariable("_root.NumberOfScans"), "0");
    EXPECT_EQ(frmMain.flash.GetVariable("_root.LastUpdateOn"), "????");

    settings::SaveSetting("Statistics", "NUMBER OF SCANS", "3");
    settings::SaveSetting("Statistics", "NUMBER OF OBJECTS", "70000");
    base::WriteText(folder / "defs.dat", "x");
    frmMenu.SetCaption();
    frmMenu.SetCaption();
    EXPECT_EQ(frmMenu.lblNumberOfScans.Caption(), "Number of Scans:  3") << "the caption grows on every refresh";
    EXPECT_EQ(frmMenu.lblNumberOfObjectsRemoved.Caption(), "Number of Objects Removed:  70000");
    EXPECT_EQ(frmMenu.frameMain.Caption(), "Corvane 2.2");
    EXPECT_EQ(frmMain.flash.GetVariable("_root.NumberOfObjectsRemoved"), "70000");
    const std::string date = frmMain.flash.GetVariable("_root.LastUpdateOn");
    ASSERT_EQ(date.size(), std::string("Dec 10, 2026 @ 10:25:09").size()) << date;
    EXPECT_EQ(date.substr(8, 4).find_first_not_of("0123456789"), std::string::npos) << date;
    EXPECT_EQ(date[6], ',') << date;
    EXPECT_EQ(date.substr(12, 3), " @ ") << date;
}

TEST_F(Panels, TheResetAsksAndClearsBothCountsOnlyOnOK) {
    settings::SaveSetting("Statistics", "NUMBER OF SCANS", "3");
    settings::SaveSetting("Statistics", "NUMBER OF OBJECTS", "9");
    settings::SaveSetting("Statistics", "LAST SCAN DATE", "Dec 01, 2026 @ 10:00");
    frmMenu.Load();
    base::modal::Expect("frmMsgBox", [](const Step& s) -> long {
        EXPECT_EQ(s.text, "Do you want to reset the program statistics?");
        return 2;
    });
    frmMenu.resetStates();
    EXPECT_EQ(settings::GetSetting("Statistics", "NUMBER OF SCANS", ""), "3");
    base::modal::Expect("frmMsgBox", 1);
    frmMenu.cmdResetStat.Click();
    EXPECT_EQ(settings::GetSetting("Statistics", "NUMBER OF SCANS", ""), "0");
    EXPECT_EQ(settings::GetSetting("Statistics", "NUMBER OF OBJECTS", ""), "0");
    EXPECT_EQ(frmMenu.lblNumberOfScans.Caption(), "Number of Scans:  0");
    EXPECT_EQ(frmMain.flash.GetVariable("_root.NumberOfScans"), "0");
    EXPECT_EQ(frmMenu.lblLastSystemScan.Caption(), "Last System Scan:  Dec 01, 2026 @ 10:00");
}

TEST_F(Panels, LanguagesPairWithTheirOwnFlagsAndSwitchTheCurrentFile) {
    for (const char* f : {"Language\\English.ini", "Language\\French.INI", "Language\\German.ini",
                          "Language\\English.bmp", "Language\\German.bmp"})
        base::WriteText(folder / f, "");
    gb_languageFile = "english.ini";
    frmMenu.Load();
    const auto& items = frmMenu.Languages();
    ASSERT_EQ(items.size(), 3u);
    for (const auto& i : items) {
        if (i.name == "English") {
            EXPECT_EQ(i.flagFile, "English.bmp");
            EXPECT_TRUE(i.selected) << "the selection ignores letter case";
        } else if (i.name == "French") {
            EXPECT_EQ(i.flagFile, "") << "a pack without a flag takes another's";
        } else {
            EXPECT_EQ(i.name, "German");
            EXPECT_EQ(i.flagFile, "German.bmp") << "a missing flag shifted the next pack's";
        }
    }
    std::string panel;
    wiring::SetLanguagePanel([&](const std::string& t) { panel = t; });
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].name != "German") continue;
        frmMenu.CmbLang_Click(static_cast<int>(i) + 1);
        EXPECT_EQ(gb_languageFile, "German.ini");
        EXPECT_EQ(panel, "Language: German");
        panel.clear();
        frmMenu.CmbLang_Click(static_cast<int>(i) + 1);
        EXPECT_EQ(panel, "") << "choosing the current language did something";
    }
}

// A 24-bit bitmap file of one colour.
void WriteSolidBitmap(const std::string& path, int width, int height, COLORREF color) {
    const int row = (width * 3 + 3) / 4 * 4;
    std::string pixels(static_cast<size_t>(row) * height, '\0');
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            char* p = &pixels[static_cast<size_t>(y) * row + static_cast<size_t>(x) * 3];
            p[0] = static_cast<char>(GetBValue(color));
            p[1] = static_cast<char>(GetGValue(color));
            p[2] = static_cast<char>(GetRValue(color));
        }
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    base::WriteText(path, bytes + pixels);
}

// The colour in the middle of the picture a row of the language list shows, or CLR_INVALID.
COLORREF ShownFlagColour(int row) {
    const int image = frmMenu.CmbLang.ShownImage(row);
    if (image < 0) return CLR_INVALID;
    HIMAGELIST list =
        reinterpret_cast<HIMAGELIST>(SendMessageA(frmMenu.CmbLang.hWnd(), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    // Drawn as the list draws it, onto a bitmap of our own.
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, frmMenu::kFlagWidth, frmMenu::kFlagHeight);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, canvas);
    const COLORREF c = ImageList_Draw(list, image, dc, 0, 0, ILD_NORMAL)
                           ? GetPixel(dc, frmMenu::kFlagWidth / 2, frmMenu::kFlagHeight / 2)
                           : CLR_INVALID;
    SelectObject(dc, old);
    DeleteObject(canvas);
    DeleteDC(dc);
    return c;
}

TEST_F(Panels, EachLanguageRowShowsThePictureOfItsOwnFlag) {
    for (const char* f : {"Language\\Alpha.ini", "Language\\Beta.ini", "Language\\Gamma.ini"})
        base::WriteText(folder / f, "");
    WriteSolidBitmap(folder / "Language\\Alpha.bmp", 20, 14, RGB(200, 0, 0));
    WriteSolidBitmap(folder / "Language\\Gamma.bmp", 20, 14, RGB(0, 0, 200));
    frmMenu.Load();
    const auto& items = frmMenu.Languages();
    ASSERT_EQ(items.size(), 3u);
    for (size_t i = 0; i < items.size(); ++i) {
        const COLORREF expected = items[i].name == "Alpha"   ? RGB(200, 0, 0)
                                  : items[i].name == "Gamma" ? RGB(0, 0, 200)
                                                             : CLR_INVALID;  // Beta has no flag
        EXPECT_EQ(ShownFlagColour(static_cast<int>(i) + 1), expected) << items[i].name;
    }
    // A reload builds the pictures afresh.
    frmMenu.Unload();
    frmMenu.Load();
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].name == "Gamma") {
            EXPECT_EQ(ShownFlagColour(static_cast<int>(i) + 1), RGB(0, 0, 200));
        }
}

TEST_F(Panels, TheFirstChoiceIsTheQuickScanAndIsRemembered) {
    frmMenu.Load();
    frmMenu.cmdScan.Click();
    EXPECT_FALSE(frmMenu.Loaded());
    ASSERT_TRUE(frmScanNow.Loaded());
    EXPECT_EQ(frmScanNow.optQuickScan.Value(), 1);
    frmScanNow.cmdNext.Click();
    EXPECT_EQ(calls, (std::vector<std::string>{"show", "QuickScan"}));
    EXPECT_FALSE(frmScanNow.Loaded());
    EXPECT_EQ(settings::GetSetting("ScanNowSettings", "optQuickScan", ""), "True");
    EXPECT_EQ(settings::GetSetting("ScanNowSettings", "optFullScan", ""), "False");
    EXPECT_EQ(settings::GetSetting("ScanNowSettings", "optCustomScan", ""), "False");
}

TEST_F(Panels, TheStartupScanReplaysTheRememberedChoice) {
    settings::SaveSetting("ScanNowSettings", "optQuickScan", "False");
    settings::SaveSetting("ScanNowSettings", "optFullScan", "True");
    settings::SaveSetting("ScanNowSettings", "optCustomScan", "False");
    frmMenu.Load();
    frmMenu.clickTheScanButton();
    EXPECT_EQ(calls, (std::vector<std::string>{"show", "StartScan"}));

    calls.clear();
    settings::SaveSetting("ScanNowSettings", "optFullScan", "False");
    settings::SaveSetting("ScanNowSettings", "optCustomScan", "True");
    frmMenu.Load();
    frmMenu.clickTheScanButton();
    EXPECT_TRUE(calls.empty()) << "a remembered custom choice started a scan";
    EXPECT_TRUE(frmCustomSelect.Loaded());
    EXPECT_TRUE(frmScanNow.Loaded()) << "the choice stays beneath the custom panel";
}

TEST_F(Panels, TheHintFollowsTheOptionAndComesFromTheLanguagePack) {
    frmScanNow.Load();
    frmScanNow.optFullScan.SetValue(1);
    EXPECT_EQ(frmScanNow.txtScanDescriptions.Text(), "Does an extended scan on your entire system.");
    EXPECT_EQ(frmScanNow.optQuickScan.Value(), 0) << "two choices at once";
    frmScanNow.ShowHint("1008");
    EXPECT_NE(frmScanNow.txtScanDescriptions.Text().find("custom options window"), std::string::npos);
}

TEST_F(Panels, TheCustomPanelRemembersItsOptionsAndItsScanNowScans) {
    frmCustomSelect.Load();
    frmCustomSelect.runMe();
    EXPECT_EQ(frmCustomSelect.ScanOptions(), "SM|QS|SC");
    frmCustomSelect.chkRegistry.SetValue(0);
    EXPECT_FALSE(frmCustomSelect.optQuickScan.Enabled());
    EXPECT_FALSE(frmCustomSelect.optDeepScan.Enabled());
    frmCustomSelect.cmdCancel.Click();
    EXPECT_EQ(settings::GetSetting("CustomSettings", "chkRegistry", ""), "0");

    frmCustomSelect.Load();
    frmCustomSelect.runMe();
    EXPECT_EQ(frmCustomSelect.chkRegistry.Value(), 0);
    EXPECT_FALSE(frmCustomSelect.optDeepScan.Enabled()) << "the disabled state did not survive a reload";
    frmCustomSelect.chkRegistry.SetValue(1);
    frmCustomSelect.optDeepScan.SetValue(1);
    frmCustomSelect.chkScanMemory.SetValue(0);
    EXPECT_EQ(frmCustomSelect.optQuickScan.Value(), 0);
    frmCustomSelect.cmdScan.Click();
    EXPECT_EQ(calls, (std::vector<std::string>{"show", "CustomScan DS|SC"}));
    EXPECT_TRUE(frmCustomSelect.Loaded());
    EXPECT_EQ(settings::GetSetting("CustomSettings", "optDeepScan", ""), "True");
}

// The folder tree on the screen over the prefix's real drives and folders: marks flow down and
// up as the user clicks, and the drives checked are the drives the custom scan walks.
TEST_F(Panels, TheCustomPanelsFolderTreeShowsTheDrivesAndTheirFoldersAndChoosesTheDrives) {
    settings::SaveSetting("SelectedDrives", "selected", "false|false");
    frmCustomSelect.Load();
    frmCustomSelect.runMe();
    auto& tree = frmCustomSelect.treeSelect;
    folderTree::Node& top = tree.Root();
    EXPECT_EQ(top.text, "My Computer");
    const std::vector<std::string> names = optionTable::BarFields(optionTable::ListFixedDrives().names);
    ASSERT_EQ(top.children.size(), names.size());
    ASSERT_GE(names.size(), 1u);
    EXPECT_EQ(top.children[0]->text, names[0].substr(0, 3));
    EXPECT_TRUE(tree.ShownExpanded(top));
    char windowsFolder[MAX_PATH];
    GetWindowsDirectoryA(windowsFolder, MAX_PATH);
    folderTree::Node* drive = tree.Find(std::string(windowsFolder).substr(0, 3));
    ASSERT_NE(drive, nullptr);
    EXPECT_FALSE(tree.ShownChecked(*drive));

    // A real click on the drive's box: it opens with its folders listed and checked.
    HWND h = tree.hWnd();
    TVITEMA item{};
    RECT text{};
    for (HTREEITEM i = TreeView_GetChild(h, TreeView_GetRoot(h)); i; i = TreeView_GetNextSibling(h, i)) {
        char buf[MAX_PATH] = {};
        item.mask = TVIF_TEXT;
        item.hItem = i;
        item.pszText = buf;
        item.cchTextMax = MAX_PATH;
        TreeView_GetItem(h, &item);
        if (drive->text == buf) TreeView_GetItemRect(h, i, &text, TRUE);
    }
    TVHITTESTINFO hit{};
    hit.pt = {text.left - 8, (text.top + text.bottom) / 2};
    ASSERT_TRUE(TreeView_HitTest(h, &hit) && (hit.flags & TVHT_ONITEMSTATEICON)) << "no check box left of the text";
    // The release waits in the queue: the control follows the pressed button until it comes.
    PostMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(hit.pt.x, hit.pt.y));
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(hit.pt.x, hit.pt.y));
    ui::DoEvents();
    EXPECT_TRUE(drive->checked);
    EXPECT_TRUE(tree.ShownChecked(*drive));
    EXPECT_TRUE(tree.ShownExpanded(*drive));
    folderTree::Node* windows = tree.Find(windowsFolder);
    ASSERT_NE(windows, nullptr) << "the drive's folders were not listed";
    EXPECT_TRUE(tree.ShownChecked(*windows));
    EXPECT_EQ(tree.ShownChecked(top), names.size() == 1) << "the top node is checked only with every drive";

    // One folder cleared: its drive and the top node clear too; the drive's other folders stay.
    tree.ToggleCheck(*windows);
    EXPECT_FALSE(tree.ShownChecked(*windows));
    EXPECT_FALSE(tree.ShownChecked(*drive));
    EXPECT_FALSE(tree.ShownChecked(top));
    for (auto& c : drive->children)
        if (c.get() != windows) {
            EXPECT_TRUE(tree.ShownChecked(*c)) << c->text;
        }
    tree.ToggleCheck(*windows);
    EXPECT_TRUE(tree.ShownChecked(*drive)) << "every folder checked checks the drive";

    // Scan Now takes the drives checked as the drive choice.
    frmCustomSelect.cmdScan.Click();
    std::string expected;
    for (size_t i = 0; i < 16; ++i)
        expected +=
            std::string(i ? "|" : "") + (i < top.children.size() && top.children[i].get() == drive ? "true" : "false");
    EXPECT_EQ(settings::GetSetting("SelectedDrives", "selected", ""), expected);
    EXPECT_EQ(calls, (std::vector<std::string>{"show", "CustomScan SM|QS|SC"}));
}

TEST(FolderTree, ChecksFlowDownToChildrenAndUpToEveryAncestor) {
    folderTree::Node top;
    top.text = folderTree::kTop;
    folderTree::Node& c = top.Add("C:");
    folderTree::Node& windows = c.Add("Windows");
    folderTree::Node& a = windows.Add("a");
    folderTree::Node& b = windows.Add("b");
    c.Add("Temp");

    windows.checked = true;
    folderTree::NodeCheck(windows);
    EXPECT_TRUE(windows.expanded);
    EXPECT_TRUE(a.checked && b.checked);
    EXPECT_FALSE(a.expanded);
    EXPECT_FALSE(c.checked) << "C: has an unchecked child";

    top.checked = true;
    folderTree::NodeCheck(top);
    folderTree::PropagateToChildren(c);
    folderTree::PropagateToChildren(windows);
    EXPECT_TRUE(c.checked && windows.checked && a.checked);
    b.checked = false;
    folderTree::NodeCheck(b);
    EXPECT_FALSE(windows.checked);
    EXPECT_FALSE(c.checked);
    EXPECT_FALSE(top.checked) << "the top node keeps its mark over an unchecked leaf";
    b.checked = true;
    folderTree::NodeCheck(b);
    EXPECT_TRUE(windows.checked && c.checked && top.checked);
}

TEST_F(Panels, TheInformationWindowShowsItsLabelsEveryTimeAndLoadsItsMovieOnce) {
    int shows = 0;
    base::modal::Expect("frminfo", [&](const Step&) -> long {
        ++shows;
        EXPECT_EQ(frminfo.flash.ShownText("_root.publisher"), "Example Corp");
        EXPECT_EQ(frminfo.flash.GetVariable("_root.version"), "2.1");
        frminfo.flash.InjectCommand("idc_fs_close");
        return 0;
    });
    frminfo.Load();
    frminfo.lblpub.SetCaption("Example Corp");
    frminfo.lblprogver.SetCaption("2.1");
    frminfo.showME();
    EXPECT_TRUE(frminfo.Loaded()) << "close only hides";
    EXPECT_FALSE(frminfo.Visible());
    base::modal::Expect("frminfo", [&](const Step&) -> long {
        ++shows;
        EXPECT_EQ(frminfo.flash.GetVariable("_root.publisher"), "NOT FOUND");
        base::modal::Expect("MsgBox", [](const Step& s) -> long {
            EXPECT_EQ(s.text, "IDC_FS_Other");
            return 1;
        });
        frminfo.flash.InjectCommand("IDC_FS_Other");
        frminfo.flash.InjectCommand("IDC_FS_CLOSE");
        return 0;
    });
    frminfo.lblpub.SetCaption("NOT FOUND");
    frminfo.showME();
    EXPECT_EQ(shows, 2);
    EXPECT_NE(frminfo.flashWindow, nullptr) << "the menu hook found no player window";
}

TEST(FlashFit, TheMovieGrowsByMoreThanTheFormAndTheFormFollows) {
    const auto wide = frminfo::FitFlashToForm({6000, 3000, 5000, 3000});
    EXPECT_FLOAT_EQ(wide.flashWidth, 6200);
    EXPECT_FLOAT_EQ(wide.formWidth, 5900);
    EXPECT_FLOAT_EQ(wide.formHeight, 3000);
    const auto tall = frminfo::FitFlashToForm({5000, 4000, 5000, 3000});
    EXPECT_FLOAT_EQ(tall.flashHeight, 4200);
    EXPECT_FLOAT_EQ(tall.formHeight, 4200);
    const auto same = frminfo::FitFlashToForm({5000, 3000, 5000, 3500});
    EXPECT_FLOAT_EQ(same.formWidth, 5000);
    EXPECT_FLOAT_EQ(same.flashHeight, 3500);
}

}  // namespace
