#pragma once
// The movie host: our stand-in for the Flash control that is the face of every window.
//
// The control's window is the player window itself, a direct child of the form whose class
// name contains "MacromediaFlashPlayer" (the context-menu hooks look for it). It plays our
// own text movies (*.scw, docs/MOVIES.md): per frame it shows texts bound to variables,
// buttons that send a command, input fields and check boxes bound to variables and lists on
// the Flash list protocol, all as native child windows. The program talks to it as it talks
// to the Flash control: LoadMovie, SetVariable, GetVariable, GotoFrame, TPlay, and the
// FSCommand event.
//
// Like the real player, it opens a context menu of its own on a right button press, on the
// context-menu key and on WM_CONTEXTMENU; the menu is a modal step ("FlashPlayerMenu"). The
// right button's release and every key are the movie's: they never reach DefWindowProc.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "components/flash/Movie.h"
#include "ui/Control.h"

namespace movie {

inline constexpr const char* kPlayerClass = "CorvaneMacromediaFlashPlayer";

class ShockwaveFlash : public ui::Control {
public:
    ShockwaveFlash(ui::Form& form, std::string name);
    ~ShockwaveFlash() override;

    void LoadMovie(int layer, const std::string& path);
    void SetVariable(const std::string& name, const std::string& value);
    std::string GetVariable(const std::string& name) const;  // "" for a variable never set
    void GotoFrame(long frame);
    void TPlay(const std::string& target);
    long CurrentFrame() const { return frame_; }

    // Raised when the movie sends a command (a button, a list row, a drag area).
    std::function<void(const std::string& command, const std::string& args)> FSCommand;

    // What tests and tools read or drive.
    const std::string& MoviePath() const { return path_; }
    bool MovieLoaded() const { return loaded_; }
    const Movie& LoadedMovie() const { return movie_; }
    void InjectCommand(const std::string& command, const std::string& args = {});
    bool ClickButton(const std::string& command);              // presses the face's button that sends it
    std::string ShownText(const std::string& variable) const;  // the face's text bound to it
    bool HasButton(const std::string& command) const;
    bool ButtonEnabled(const std::string& command) const;  // the face's button that sends it can be pressed
    std::vector<std::string> ListRowTexts(const std::string& list) const;  // fields joined by tabs
    bool SelectListRow(const std::string& list, int index0);
    int MenusOpened() const { return menusOpened_; }
    int RightButtonReleases() const { return rightReleases_; }
    const std::vector<WPARAM>& KeysDown() const { return keysDown_; }
    const std::vector<std::string>& PlayedClips() const { return played_; }

protected:
    HWND CreateWindowFor(HWND parent) override;
    void AfterCreate() override;
    void BeforeDestroy() override;
    void ResetToDesign() override;

private:
    struct FaceItem {
        const Item* item;
        HWND hwnd;
        COLORREF back;
    };
    static LRESULT CALLBACK PlayerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    bool OnFrame(const Item& it) const { return it.frame < 0 || it.frame == frame_; }
    RECT Scaled(const RECT& stage) const;
    void BuildFace();
    void ClearFace();
    void LayoutFace();
    void Paint(HDC dc);
    void UpdateBound(const std::string& name);
    void RebuildList(const std::string& list);
    void FillListBox(const FaceItem& f);
    void RaiseCommand(const std::string& command, const std::string& args);
    void ShowPlayerMenu(POINT screen);
    HFONT Font(const std::string& kind);
    HBRUSH Brush(COLORREF c);
    void FreeGdi();
    const FaceItem* FaceFor(HWND child) const;

    Movie movie_;
    std::string path_;
    bool loaded_ = false;
    long frame_ = 0;
    std::map<std::string, std::string, NoCase> vars_;
    std::map<std::string, std::vector<std::string>, NoCase> lists_;
    std::vector<FaceItem> face_;
    std::map<std::string, HFONT> fonts_;
    std::map<COLORREF, HBRUSH> brushes_;
    bool updating_ = false;
    int menusOpened_ = 0;
    int rightReleases_ = 0;
    std::vector<WPARAM> keysDown_;
    std::vector<std::string> played_;
};

}  // namespace movie
