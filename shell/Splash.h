#pragma once
// The splash picture the main window shows while the program comes up: a borderless card in the
// middle of the screen, drawn from the texts of a splash file ("Corvane.spl", lines of
// key=value: Title, Subtitle, Note) and the version the program gives it. A missing or unreadable file shows nothing,
// and the start-up goes on without it.
#include <windows.h>

#include <string>

class Splash {
public:
    Splash() = default;
    ~Splash();
    Splash(const Splash&) = delete;
    Splash& operator=(const Splash&) = delete;

    struct Texts {
        std::string title, subtitle, version, note;
    };
    // Reads the splash file; false (and nothing to show) when it cannot be read or names no title.
    bool LoadFile(const std::string& path);
    // Puts the card on the screen and paints it at once (the start-up goes on without a pump).
    void ShowSplash(int mode);
    void HideSplash();
    void Unload();  // hidden, and the file forgotten
    void SetVersion(const std::string& text) { texts_.version = text; }

    bool Loaded() const { return loaded_; }
    bool Visible() const { return hwnd_ != nullptr && IsWindowVisible(hwnd_); }
    HWND hWnd() const { return hwnd_; }
    const Texts& Shown() const { return texts_; }

    static constexpr int kWidth = 440, kHeight = 230;
    static Texts Parse(const std::string& content);

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc) const;

    Texts texts_;
    bool loaded_ = false;
    HWND hwnd_ = nullptr;
};
