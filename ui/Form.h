#pragma once
// The form: one top-level window with its controls, and the lifetime every window of the
// program shares. Each form class has one global instance that lives for the whole run;
// Load creates the window and its controls, Unload destroys them and puts the form back to
// its design state, and the object itself stays valid, so code still running on a form that
// was unloaded under it (from a timer or a movie command) touches a live object that simply
// has no window until it is loaded again.
//
// Forms are named as the program names them and their instance carries the same name:
//     class frmMsgBox : public ui::Form { ... };
//     inline class frmMsgBox frmMsgBox;   // frmMsgBox.msgbox(...) reads as the program says it
// Inside the program the type is then spelled `class frmMsgBox`.
#include <windows.h>

#include <string>
#include <vector>

#include "base/Modal.h"

namespace ui {

class Control;

inline constexpr int vbModeless = 0;
inline constexpr int vbModal = 1;

// Test seam: a form named in this environment variable gets no window when it loads, as when
// CreateWindow fails, so that tests see what the real program does then.
inline constexpr char kTestSeamNoWindowEnv[] = "CORVANE_TEST_SEAM_NO_WINDOW";

enum class BorderStyle { None, Fixed, Sizable };
enum class StartUpPosition { Manual, CenterScreen };

class Form {
public:
    explicit Form(std::string name);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& Name() const { return name_; }
    std::string Tag;  // language key of the form's own title

    bool Loaded() const { return hwnd_ != nullptr; }
    HWND hWnd() const { return hwnd_; }  // nullptr while not loaded

    // Creates the window and the controls, then runs Form_Load. Does nothing when loaded.
    void Load();
    // Loads when needed and shows. Modal: returns when the form is hidden or unloaded; the
    // step goes through the modal seam, and the other forms take no input meanwhile.
    // Showing modally a form that is already visible raises error 400.
    void Show(int modal = vbModeless, Form* owner = nullptr);
    void Hide();
    // Runs Form_Unload (which may cancel), destroys the window and the controls and resets
    // the form to its design state. Returns false when Form_Unload cancelled.
    bool Unload();

    std::string Caption() const;
    void SetCaption(const std::string& text);
    bool Enabled() const;
    void SetEnabled(bool on);
    bool Visible() const;
    void SetVisible(bool on);

    // Position and size in twips, as the program states them. A form placed inside another
    // window (SetParent) reports its position relative to that window's client area.
    long Left() const;
    long Top() const;
    long Width() const;
    long Height() const;
    void SetLeft(long twips);
    void SetTop(long twips);
    void SetWidth(long twips);
    void SetHeight(long twips);
    void Move(long left, long top, long width, long height);

    void Refresh();  // repaints at once when loaded

    // Design settings; take effect at the next Load.
    void SetBorderStyle(BorderStyle style) { border_ = style; }
    void SetStartUpPosition(StartUpPosition p) { startUp_ = p; }

    // The form's controls in the order they were declared (the language pack walks them).
    const std::vector<Control*>& Controls() const { return controls_; }

    // Runs while a modal show of this form is in progress (tests, and nested modal loops).
    bool InModalShow() const { return modalDepth_ > 0; }

    static Form* FromHandle(HWND hwnd);
    static const std::vector<Form*>& All();  // every form object of the program

protected:
    // Events. They run inside the window procedure's fence when a message raises them.
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual void Form_Resize() {}
    virtual void Form_Unload(int& Cancel) {}
    // Resets the form's own fields when it unloads (its controls reset themselves).
    virtual void ResetFormState() {}
    // Any other message: return true and set `result` to handle it.
    virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) { return false; }

    // The modal step this form's modal show reports to the seam.
    virtual base::modal::Step ModalStep() const;
    // A scripted answer left the form shown: act on it (the default hides the form).
    virtual void OnScriptedAnswer(long answer);

private:
    friend class Control;
    struct Design {
        std::string caption;
        long left = 0, top = 0, width = 4800, height = 3600;  // twips
        bool enabled = true;
    };

    void Register(Control* c);
    void Unregister(Control* c);
    void CreateControls();
    void DestroyWindowAndControls();
    void ShowModal(Form* owner);
    void RunModalLoop();
    void SetOwner(Form* owner);
    void PlaceAtStartUp();
    LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    std::string name_;
    HWND hwnd_ = nullptr;
    bool loading_ = false;
    bool unloading_ = false;
    bool designKept_ = false;
    int modalDepth_ = 0;
    BorderStyle border_ = BorderStyle::None;
    StartUpPosition startUp_ = StartUpPosition::CenterScreen;
    Design state_;   // while not loaded
    Design design_;  // what Unload goes back to
    std::vector<Control*> controls_;
};

// Drags a borderless form with the mouse (ui::DragWindow); with `snapToBorder`, a form dragged
// past a screen edge is put back against it.
void DragForm(Form& form, bool snapToBorder);

}  // namespace ui
