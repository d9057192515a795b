#include <gtest/gtest.h>
#include <windows.h>
// (after windows.h)
#include <commctrl.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "base/Modal.h"
#include "base/RuntimeError.h"
#include "base/Trap.h"
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/ListView.h"
#include "ui/MessageLoop.h"

namespace {

struct Trapped {
    std::string number, description, method;
};
std::vector<Trapped> g_trapped;
void CaptureTrapped(const std::string& n, const std::string& d, const std::string& m) {
    g_trapped.push_back({n, d, m});
}

class ErrorSinkScope {
public:
    ErrorSinkScope() {
        g_trapped.clear();
        previous_ = base::SetErrorSink(&CaptureTrapped);
    }
    ~ErrorSinkScope() { base::SetErrorSink(previous_); }

private:
    base::ErrorSink previous_ = nullptr;
};

class frmSample : public ui::Form {
public:
    frmSample() : ui::Form("frmSample") {
        SetCaption("Design caption");
        Move(0, 0, 4500, 3000);
        lblTitle.SetCaption("Title");
        lblTitle.Move(10, 10, 100, 20);
        txtInput.Move(10, 40, 100, 20);
        cmdGo.SetCaption("Go");
        cmdGo.OnClick = [this] {
            ++clicks;
            if (throwOnClick) throw std::runtime_error("click failed");
        };
        tmrTick.OnTimer = [this] {
            ++ticks;
            if (pumpInTimer) ui::PumpFor(60);  // a Timer event that yields must not run again inside itself
        };
    }
    ui::Label lblTitle{*this, "lblTitle"};
    ui::TextBox txtInput{*this, "txtInput"};
    ui::CommandButton cmdGo{*this, "cmdGo"};
    ui::CheckBox chkOption{*this, "chkOption"};
    ui::Timer tmrTick{*this, "tmrTick"};
    ui::StatusBar StatusBar1{*this, "StatusBar1", 3};

    int loads = 0, unloads = 0, activations = 0, clicks = 0, ticks = 0;
    int cancelUnload = 0;
    bool throwOnClick = false, pumpInTimer = false;
    std::string scratch;  // form state that Unload resets

protected:
    void Form_Load() override { ++loads; }
    void Form_Activate() override { ++activations; }
    void Form_Unload(int& Cancel) override {
        ++unloads;
        Cancel = cancelUnload;
    }
    void ResetFormState() override { scratch.clear(); }
};

class frmOther : public ui::Form {
public:
    frmOther() : ui::Form("frmOther") { Move(0, 0, 3000, 2000); }
};

// Each test starts from unloaded forms.
class FormTest : public ::testing::Test {
protected:
    void TearDown() override {
        form.cancelUnload = 0;
        form.Unload();
        other.Unload();
    }
    frmSample form;
    frmOther other;
};

TEST_F(FormTest, LoadShowHideUnloadFollowTheFormLifetime) {
    EXPECT_FALSE(form.Loaded());
    form.Load();
    form.Load();
    ASSERT_TRUE(form.Loaded());
    EXPECT_EQ(form.loads, 1);
    EXPECT_FALSE(form.Visible());
    EXPECT_TRUE(IsWindow(form.lblTitle.hWnd()));

    form.Show();
    EXPECT_TRUE(form.Visible());
    form.Hide();
    EXPECT_FALSE(form.Visible());
    EXPECT_TRUE(form.Loaded());

    HWND window = form.hWnd();
    HWND label = form.lblTitle.hWnd();
    EXPECT_TRUE(form.Unload());
    EXPECT_FALSE(form.Loaded());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(IsWindow(label));
    EXPECT_EQ(form.unloads, 1);

    form.Show();  // the same object loads again
    EXPECT_EQ(form.loads, 2);
    EXPECT_TRUE(form.Visible());
}

TEST_F(FormTest, UnloadPutsControlsAndFormBackToDesign) {
    form.Load();
    form.SetCaption("Changed");
    form.lblTitle.SetCaption("Changed label");
    form.txtInput.SetText("typed");
    form.chkOption.SetValue(1);
    form.StatusBar1.SetPanelText(3, "English");
    form.scratch = "kept while loaded";
    form.Unload();

    EXPECT_EQ(form.Caption(), "Design caption");
    EXPECT_EQ(form.lblTitle.Caption(), "Title");
    EXPECT_EQ(form.txtInput.Text(), "");
    EXPECT_EQ(form.chkOption.Value(), 0);
    EXPECT_EQ(form.StatusBar1.PanelText(3), "");
    EXPECT_EQ(form.scratch, "");
    form.Load();
    EXPECT_EQ(form.lblTitle.Caption(), "Title");
}

TEST_F(FormTest, FormUnloadCanCancel) {
    form.Load();
    form.cancelUnload = 1;
    EXPECT_FALSE(form.Unload());
    EXPECT_TRUE(form.Loaded());
    form.cancelUnload = 0;
    EXPECT_TRUE(form.Unload());
}

TEST_F(FormTest, PositionAndSizeAreInTwips) {
    form.SetStartUpPosition(ui::StartUpPosition::Manual);
    form.Load();
    form.Move(1500, 3000, 4500, 3000);
    RECT r;
    GetWindowRect(form.hWnd(), &r);
    const int tx = ui::TwipsPerPixelX();
    EXPECT_EQ(r.left, 1500 / tx);
    EXPECT_EQ(r.top, 3000 / tx);
    EXPECT_EQ(r.right - r.left, 4500 / tx);
    EXPECT_EQ(form.Left(), 1500);
    EXPECT_EQ(form.Height(), 3000);
    form.SetStartUpPosition(ui::StartUpPosition::CenterScreen);
}

TEST_F(FormTest, ClosingTheWindowUnloadsAndAnOutsideDestroyToo) {
    form.Show();
    SendMessageA(form.hWnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(form.Loaded());
    EXPECT_EQ(form.unloads, 1);

    form.Load();
    DestroyWindow(form.hWnd());
    EXPECT_FALSE(form.Loaded());
    form.Load();
    EXPECT_TRUE(form.Loaded());
}

TEST_F(FormTest, UnloadingTheOwnerLeavesTheOwnedFormLoaded) {
    other.Show();
    form.Show(ui::vbModeless, &other);
    EXPECT_EQ(GetWindow(form.hWnd(), GW_OWNER), other.hWnd());
    other.Unload();
    EXPECT_TRUE(form.Loaded());
    EXPECT_TRUE(IsWindow(form.hWnd()));
}

TEST_F(FormTest, ModalShowRunsTheScriptedAnswerWhileShownAndOthersDisabled) {
    other.Show();
    bool seenVisible = false, ownerDisabled = false;
    base::modal::Expect("frmSample", [&](const base::modal::Step& step) -> long {
        seenVisible = form.Visible();
        ownerDisabled = !other.Enabled();
        EXPECT_EQ(step.title, "Design caption");
        EXPECT_TRUE(form.InModalShow());
        form.Hide();  // what a button inside the form would do
        return 0;
    });
    form.Show(ui::vbModal, &other);
    EXPECT_TRUE(seenVisible);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_FALSE(form.Visible());
    EXPECT_TRUE(other.Enabled());
    EXPECT_FALSE(form.InModalShow());
    EXPECT_EQ(base::modal::Pending(), 0u);
}

// A form loaded but hidden when another one went modal, then shown modally over it (a question
// asked from a modal window): it takes clicks while it shows, and every form takes them again after.
TEST_F(FormTest, AFormShownModallyOverAModalFormTakesClicks) {
    other.Load();  // loaded and hidden, as a message box between two questions
    bool questionEnabled = false;
    base::modal::Expect("frmSample", [&](const base::modal::Step&) -> long {
        base::modal::Expect("frmOther", [&](const base::modal::Step&) -> long {
            questionEnabled = other.Visible() && IsWindowEnabled(other.hWnd());
            other.Hide();
            return 0;
        });
        other.Show(ui::vbModal, &form);
        form.Hide();
        return 0;
    });
    form.Show(ui::vbModal);
    EXPECT_TRUE(questionEnabled);
    EXPECT_TRUE(IsWindowEnabled(other.hWnd()));
    EXPECT_TRUE(IsWindowEnabled(form.hWnd()));
}

TEST_F(FormTest, ModalShowEndsOnAPlainScriptedAnswerAndRefusesAVisibleForm) {
    base::modal::Expect("frmSample", 1);
    form.Show(ui::vbModal);
    EXPECT_FALSE(form.Visible());
    EXPECT_TRUE(form.Loaded());

    form.Show();
    try {
        form.Show(ui::vbModal);
        ADD_FAILURE() << "a visible form was shown modally";
    } catch (const base::RuntimeError& e) {
        EXPECT_EQ(e.number(), 400);
    }
}

TEST_F(FormTest, ModalShowEndsWhenTheFormIsUnloadedInside) {
    base::modal::Expect("frmSample", [&](const base::modal::Step&) -> long {
        form.Unload();
        return 0;
    });
    form.Show(ui::vbModal);
    EXPECT_FALSE(form.Loaded());
}

TEST_F(FormTest, ActivateRunsWhenTheFormIsShown) {
    form.Show();
    ui::DoEvents();
    EXPECT_GE(form.activations, 1);
}

TEST_F(FormTest, NoExceptionCrossesTheWindowProcedure) {
    ErrorSinkScope sink;
    form.Load();
    form.throwOnClick = true;
    SendMessageA(form.hWnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(form.cmdGo.hWnd()), BN_CLICKED),
                 reinterpret_cast<LPARAM>(form.cmdGo.hWnd()));
    EXPECT_EQ(form.clicks, 1);
    ASSERT_EQ(g_trapped.size(), 1u);
    EXPECT_EQ(g_trapped[0].method, "Method: frmSample");
    EXPECT_NE(g_trapped[0].description.find("click failed"), std::string::npos);
}

TEST_F(FormTest, TextBoxChangeRunsOnTheUiThreadForWmSetTextFromAnotherThread) {
    form.Load();
    const DWORD uiThread = GetCurrentThreadId();
    std::vector<std::pair<DWORD, std::string>> changes;
    form.txtInput.OnChange = [&] { changes.emplace_back(GetCurrentThreadId(), form.txtInput.Text()); };

    std::atomic<int> sent{0};
    HWND edit = form.txtInput.hWnd();
    std::thread sender([&] {
        for (int i = 0; i < 2; ++i) {  // the same text twice: both must arrive
            SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("C:\\Watched changes"));
            ++sent;
        }
    });
    EXPECT_TRUE(ui::PumpUntil([&] { return sent == 2; }, 5000));
    sender.join();
    ASSERT_EQ(changes.size(), 2u);
    for (const auto& [thread, text] : changes) {
        EXPECT_EQ(thread, uiThread);
        EXPECT_EQ(text, "C:\\Watched changes");
    }

    changes.clear();
    form.txtInput.SetText("from code");
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].second, "from code");
    form.txtInput.OnChange = nullptr;
}

TEST_F(FormTest, TimerTicksWhileEnabledAndStopsWhenDisabledOrUnloaded) {
    form.Load();
    form.tmrTick.SetInterval(20);
    EXPECT_TRUE(ui::PumpUntil([&] { return form.ticks >= 3; }, 3000));
    form.tmrTick.SetEnabled(false);
    ui::DoEvents();
    const int stopped = form.ticks;
    ui::PumpFor(100);
    EXPECT_EQ(form.ticks, stopped);

    form.tmrTick.SetEnabled(true);
    form.pumpInTimer = true;  // a tick that yields for longer than the interval
    EXPECT_TRUE(ui::PumpUntil([&] { return form.ticks >= stopped + 2; }, 3000));
    form.pumpInTimer = false;

    form.Unload();
    const int atUnload = form.ticks;
    ui::PumpFor(100);
    EXPECT_EQ(form.ticks, atUnload);
    form.Load();  // design interval is 0: the timer stays quiet
    ui::PumpFor(60);
    EXPECT_EQ(form.ticks, atUnload);
}

TEST_F(FormTest, StatusBarPanelsCountFromOne) {
    form.Load();
    form.StatusBar1.SetPanelText(3, "Language: English");
    char buf[64] = {};
    SendMessageA(form.StatusBar1.hWnd(), SB_GETTEXTA, 2, reinterpret_cast<LPARAM>(buf));
    EXPECT_STREQ(buf, "Language: English");
    EXPECT_THROW(form.StatusBar1.SetPanelText(4, "x"), base::RuntimeError);
}

TEST(ListItems, RowsAreOneBasedWithGrowingSubItems) {
    ui::ListRows list;
    ui::ListItem& first = list.ListItems.Add("MALWARE FILE");
    first.SubItems(1) = "Spy A";
    for (int i = 0; i < 1000; ++i) list.ListItems.Add("filler");  // references survive additions
    first.SubItems(3) = "third";
    EXPECT_EQ(list.ListItems.Count(), 1001);
    const ui::ListItems& rows = list.ListItems;
    EXPECT_EQ(rows(1).Text, "MALWARE FILE");
    EXPECT_EQ(rows(1).SubItems(1), "Spy A");
    EXPECT_EQ(rows(1).SubItems(2), "");
    EXPECT_EQ(rows(1).SubItems(3), "third");
    EXPECT_EQ(rows(1).SubItems(9), "");

    list.ListItems.Remove(1);
    EXPECT_EQ(list.ListItems(1).Text, "filler");
    list.ListItems.Clear();
    EXPECT_EQ(list.ListItems.Count(), 0);
}

TEST(ListItems, IndexesOutsideTheRowsRaiseTheRuntimeErrors) {
    ui::ListRows list;
    list.ListItems.Add("only");
    struct Case {
        const char* what;
        std::function<void()> call;
        long number;
    };
    const Case cases[] = {
        {"row 0", [&] { list.ListItems(0); }, 35600},
        {"row past the end", [&] { list.ListItems(2); }, 35600},
        {"remove past the end", [&] { list.ListItems.Remove(2); }, 35600},
        {"sub-item 0", [&] { list.ListItems(1).SubItems(0) = "x"; }, 380},
    };
    for (const Case& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << c.what << " raised nothing";
        } catch (const base::RuntimeError& e) {
            EXPECT_EQ(e.number(), c.number) << c.what;
        }
    }
    EXPECT_EQ(list.ListItems.Count(), 1);
}

class frmLists : public ui::Form {
public:
    frmLists() : ui::Form("frmLists") {
        Move(0, 0, 9000, 6000);
        SpyListView.Move(0, 0, 500, 300);
        SpyListView.SetCheckboxes(true);
        SpyListView.AddColumn("Kind", 120);
        SpyListView.AddColumn("Spy", 120);
        SpyListView.AddColumn("Item", 200);
    }
    ui::ListView SpyListView{*this, "SpyListView"};
    ui::ListRows lstSearch{*this, "lstSearch"};
};

std::string ShownText(HWND list, int row, int column) {
    char buf[256] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buf;
    item.cchTextMax = sizeof buf;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return buf;
}

TEST(ListView, ShowsItsRowsAndFollowsLaterWrites) {
    frmLists form;
    form.Show();
    ui::ListItem& row = form.SpyListView.ListItems.Add("Malware File");
    row.SubItems(1) = "Spy A";
    row.SubItems(2) = "C:\\bad.exe";
    row.ToolTipText = "C:\\bad.exe";
    form.SpyListView.ListItems.Add("Malware Folder").SubItems(2) = "C:\\Bad";
    ui::DoEvents();
    HWND h = form.SpyListView.hWnd();
    EXPECT_EQ(SendMessageA(h, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(ShownText(h, 0, 0), "Malware File");
    EXPECT_EQ(ShownText(h, 0, 1), "Spy A");
    EXPECT_EQ(ShownText(h, 0, 2), "C:\\bad.exe");
    EXPECT_EQ(ShownText(h, 1, 2), "C:\\Bad");

    // Check state is the row's.
    form.SpyListView.ListItems(2).Checked = true;
    EXPECT_EQ(SendMessageA(h, LVM_GETITEMSTATE, 1, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK,
              static_cast<LRESULT>(INDEXTOSTATEIMAGEMASK(2)));
    EXPECT_EQ(SendMessageA(h, LVM_GETITEMSTATE, 0, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK,
              static_cast<LRESULT>(INDEXTOSTATEIMAGEMASK(1)));

    // The tool tip the list asks for is the row's.
    char tip[128] = {};
    NMLVGETINFOTIPA info{};
    info.hdr.hwndFrom = h;
    info.hdr.code = LVN_GETINFOTIPA;
    info.pszText = tip;
    info.cchTextMax = sizeof tip;
    info.iItem = 0;
    SendMessageA(form.hWnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_STREQ(tip, "C:\\bad.exe");

    form.SpyListView.ListItems.Remove(1);
    EXPECT_EQ(SendMessageA(h, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(ShownText(h, 0, 0), "Malware Folder");
    form.Unload();
}

TEST(ListView, ClickingTheCheckBoxTogglesTheRowOnce) {
    frmLists form;
    form.Show();
    form.SpyListView.ListItems.Add("Malware File");
    form.SpyListView.ListItems.Add("Malware Folder");
    std::vector<int> checked;
    form.SpyListView.OnItemCheck = [&](int index) { checked.push_back(index); };
    ui::DoEvents();
    HWND h = form.SpyListView.hWnd();
    RECT r{};
    r.left = LVIR_BOUNDS;
    SendMessageA(h, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM(r.left + 8, (r.top + r.bottom) / 2);  // the state icon sits at the row's left
    LVHITTESTINFO hit{};
    hit.pt = {r.left + 8, (r.top + r.bottom) / 2};
    SendMessageA(h, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    ASSERT_TRUE(hit.flags & LVHT_ONITEMSTATEICON) << "flags " << hit.flags;
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(h, WM_LBUTTONUP, 0, at);
    ui::DoEvents();
    EXPECT_TRUE(form.SpyListView.ListItems(2).Checked);
    EXPECT_FALSE(form.SpyListView.ListItems(1).Checked);
    EXPECT_EQ(checked, std::vector<int>{2});
    form.Unload();
}

TEST(ListView, HiddenListsOnAFormEmptyWhenItUnloads) {
    frmLists form;
    form.Load();
    form.lstSearch.ListItems.Add("SPY CE FILE").SubItems(1) = "Spy";
    form.SpyListView.ListItems.Add("Malware File");
    form.Unload();
    EXPECT_EQ(form.lstSearch.ListItems.Count(), 0);
    EXPECT_EQ(form.SpyListView.ListItems.Count(), 0);
}

}  // namespace
