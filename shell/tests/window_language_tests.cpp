// Every window under a translated language pack: the test writes a pack with its own text for
// every tagged control and column of each window, opens the window, and finds no caption left
// that the pack translates.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/Globals.h"
#include "shell/frmAbout.h"
#include "shell/frmAlerts.h"
#include "shell/frmBackup.h"
#include "shell/frmCustomSelect.h"
#include "shell/frmIgnore.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "shell/frmOptions.h"
#include "shell/frmResultBackup.h"
#include "shell/frmResults.h"
#include "shell/frmScanNow.h"
#include "shell/frmScanSpy.h"
#include "shell/frmUpdate.h"
#include "ui/ListView.h"

namespace {

// The pack's text for a key of a window: unlike any English caption.
std::string Translated(const ui::Form& form, const std::string& key) { return "Tr<" + form.Name() + "." + key + ">"; }

// One section per window: every tagged control, every tagged column, the window's own title.
std::string PackSection(const ui::Form& form) {
    std::string text = "[" + form.Name() + "]\r\n";
    if (!form.Tag.empty()) text += form.Tag + "=" + Translated(form, form.Tag) + "\r\n";
    for (const ui::Control* c : form.Controls()) {
        if (!c->Tag.empty()) text += c->Tag + "=" + Translated(form, c->Tag) + "\r\n";
        if (const auto* list = dynamic_cast<const ui::ListView*>(c))
            for (int i = 1; i <= list->ColumnCount(); ++i)
                if (!list->ColumnTag(i).empty())
                    text += list->ColumnTag(i) + "=" + Translated(form, list->ColumnTag(i)) + "\r\n";
    }
    return text;
}

// What is still not the pack's text; a composed caption starts with it ("<text> <date>").
std::vector<std::string> EnglishLeft(const ui::Form& form) {
    std::vector<std::string> left;
    auto check = [&](const std::string& what, const std::string& shown, const std::string& key) {
        if (shown.rfind(Translated(form, key), 0) != 0) left.push_back(form.Name() + "." + what + ": " + shown);
    };
    if (!form.Tag.empty()) check("(title)", form.Caption(), form.Tag);
    for (const ui::Control* c : form.Controls()) {
        if (!c->Tag.empty() && c->HasCaption()) check(c->Name(), c->Caption(), c->Tag);
        if (const auto* list = dynamic_cast<const ui::ListView*>(c))
            for (int i = 1; i <= list->ColumnCount(); ++i)
                if (!list->ColumnTag(i).empty())
                    check(c->Name() + " column " + std::to_string(i), list->ColumnHeading(i), list->ColumnTag(i));
    }
    return left;
}

class WindowLanguageTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string from = testing_support::ProgramDir();
        for (const char* sub : {"Skin", "Language"}) CreateDirectoryA((folder / sub).c_str(), nullptr);
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((from + "\\*.scw").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do CopyFileA((from + "\\" + fd.cFileName).c_str(), (folder / fd.cFileName).c_str(), FALSE);
            while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        for (const char* f : {"Skin\\Corvane.skn", "Skin\\Remove.skn"})
            ASSERT_TRUE(CopyFileA((from + "\\" + f).c_str(), (folder / f).c_str(), FALSE)) << f;
        gb_languageFile = "Translated.ini";
    }
    void TearDown() override {
        for (auto it = windows.rbegin(); it != windows.rend(); ++it)
            if ((*it)->Loaded()) (*it)->Unload();
        if (frmMain.Loaded()) frmMain.Unload();
        gb_languageFile = "English.ini";
    }
    testing_support::ScopedProgramFolder folder;
    std::vector<ui::Form*> windows{&frmResultBackup, &frmIgnore, &frmBackup,  &frmResults,
                                   &frmScanSpy,      &frmMenu,   &frmScanNow, &frmCustomSelect,
                                   &frmOptions,      &frmAbout,  &frmAlerts,  &frmUpdate};
};

}  // namespace

TEST_F(WindowLanguageTest, EveryWindowShowsThePacksTexts) {
    std::string pack;
    for (const ui::Form* w : windows) pack += PackSection(*w);
    base::WriteText(folder / "Language\\Translated.ini", pack);
    frmMain.Load();
    for (ui::Form* w : windows) {
        w->Load();
        ASSERT_TRUE(w->Loaded()) << w->Name();
        for (const std::string& left : EnglishLeft(*w)) ADD_FAILURE() << "not translated: " << left;
    }
    // The scanning window's captions live in its movie.
    for (const ui::Label& label : frmScanSpy.captions)
        EXPECT_EQ(frmScanSpy.flash.GetVariable("_root.Label_" + label.Name()), Translated(frmScanSpy, label.Tag));
}

// Unloading puts the design texts back: a window loaded again under another pack shows that one's.
TEST_F(WindowLanguageTest, ColumnHeadingsFollowThePackOfEachLoad) {
    base::WriteText(folder / "Language\\Translated.ini", PackSection(frmIgnore));
    frmMain.Load();
    frmIgnore.Load();
    EXPECT_EQ(frmIgnore.IgnoreListView.ColumnHeading(1), Translated(frmIgnore, "1004"));
    frmIgnore.Unload();
    gb_languageFile = "Missing.ini";
    frmIgnore.Load();
    EXPECT_EQ(frmIgnore.IgnoreListView.ColumnHeading(1), "Type");
    EXPECT_EQ(frmIgnore.IgnoreListView.ColumnHeading(3), "Details");
}
