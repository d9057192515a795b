#include <gtest/gtest.h>
#include <windows.h>

#include "base/testing/Testing.h"
#include "components/skin/Skin.h"

namespace {

const char kSkin[] =
    "# test skin\n"
    "skin Test\n"
    "element Card\n"
    "  size 200 100\n"
    "  add roundrect 0 0 200 100 40 40\n"
    "  cut rect 90 0 110 10\n"
    "element Cross\n"
    "  size 100 100\n"
    "  cut rect 0 0 40 40\n"
    "element Arrow\n"
    "  size 100 100\n"
    "  add polygon 0 0 100 50 0 100\n";

struct Window {
    HWND h;
    Window(int w, int h2) {
        h = CreateWindowExA(0, "STATIC", "", WS_POPUP, 10, 10, w, h2, nullptr, nullptr, GetModuleHandleA(nullptr),
                            nullptr);
    }
    ~Window() { DestroyWindow(h); }
    bool Inside(int x, int y) const {
        HRGN r = CreateRectRgn(0, 0, 0, 0);
        const bool has = GetWindowRgn(h, r) != ERROR;
        const bool in = has && PtInRegion(r, x, y);
        DeleteObject(r);
        return in;
    }
    bool HasRegion() const {
        HRGN r = CreateRectRgn(0, 0, 0, 0);
        const bool has = GetWindowRgn(h, r) != ERROR;
        DeleteObject(r);
        return has;
    }
};

TEST(Skin, ApplyingAnElementGivesTheWindowItsShape) {
    skin::Skin s;
    ASSERT_TRUE(s.LoadSkinText(kSkin));
    EXPECT_TRUE(s.Errors().empty());
    EXPECT_EQ(s.Name(), "Test");

    Window w(200, 100);
    ASSERT_TRUE(s.ApplyMask(w.h, "card"));  // element names ignore case
    EXPECT_TRUE(w.Inside(100, 50));
    EXPECT_FALSE(w.Inside(1, 1));    // rounded corner
    EXPECT_FALSE(w.Inside(100, 5));  // cut notch
    EXPECT_TRUE(w.Inside(60, 5));

    Window cross(100, 100);
    ASSERT_TRUE(s.ApplyMask(cross.h, "Cross"));  // a first cut starts from the whole element
    EXPECT_FALSE(cross.Inside(10, 10));
    EXPECT_TRUE(cross.Inside(80, 80));

    Window arrow(100, 100);
    ASSERT_TRUE(s.ApplyMask(arrow.h, "Arrow"));
    EXPECT_TRUE(arrow.Inside(20, 50));
    EXPECT_FALSE(arrow.Inside(90, 10));
}

TEST(Skin, TheShapeIsScaledToTheWindow) {
    skin::Skin s;
    ASSERT_TRUE(s.LoadSkinText(kSkin));
    Window big(400, 200);
    ASSERT_TRUE(s.ApplyMask(big.h, "Card"));
    EXPECT_TRUE(big.Inside(390, 100));
    EXPECT_FALSE(big.Inside(200, 10));  // the notch, twice as wide and high
    EXPECT_TRUE(big.Inside(200, 30));
}

TEST(Skin, UnknownElementsAndMissingFilesLeaveTheWindowAlone) {
    skin::Skin s;
    Window w(200, 100);
    EXPECT_FALSE(s.ApplyMask(w.h, "Card"));  // nothing loaded
    EXPECT_FALSE(s.LoadSkin("C:\\no\\such\\Corvane.skn"));
    EXPECT_FALSE(s.Loaded());
    ASSERT_TRUE(s.LoadSkinText(kSkin));
    EXPECT_FALSE(s.ApplyMask(w.h, "NoSuchMask"));
    EXPECT_FALSE(w.HasRegion());
}

TEST(Skin, BadLinesAreNamedAndSkipped) {
    skin::Skin s;
    ASSERT_TRUE(
        s.LoadSkinText("element A\n"
                       "size 10\n"
                       "add circle 0 0 5 5\n"
                       "add rect 0 0 5\n"
                       "cut polygon 0 0 1 1\n"
                       "glow 3\n"
                       "add rect 0 0 10 10\n"));
    ASSERT_EQ(s.Errors().size(), 5u);
    EXPECT_EQ(s.Errors()[0].rfind("line 2:", 0), 0u);
    EXPECT_EQ(s.Errors()[4].rfind("line 6:", 0), 0u);
    EXPECT_EQ(s.Find("A")->shapes.size(), 1u);
}

TEST(Skin, TheShippedSkinHasTheElementsTheWindowsUse) {
    skin::Skin s;
    ASSERT_TRUE(s.LoadSkin(testing_support::SourceDir() + "\\assets\\Skin\\Corvane.skn"));
    EXPECT_TRUE(s.Errors().empty()) << s.Errors().front();
    for (const char* name : {"MainMask", "SubMask", "SubAlertMask"}) {
        const skin::Element* e = s.Find(name);
        ASSERT_NE(e, nullptr) << name;
        EXPECT_GT(e->width, 0) << name;
        HRGN r = s.MakeRegion(name, e->width, e->height);
        ASSERT_NE(r, nullptr) << name;
        EXPECT_TRUE(PtInRegion(r, e->width / 2, e->height / 2)) << name;
        EXPECT_FALSE(PtInRegion(r, 0, 0)) << name << " has rounded corners";
        DeleteObject(r);
    }
}

}  // namespace
