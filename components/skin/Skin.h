#pragma once
// Skins: our stand-in for the skin control. A skin file (*.skn, our own text format, see
// docs/SKINS.md) names elements with their shapes; applying an element to a window gives the
// window that shape (SetWindowRgn), scaled to the window's size.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace skin {

struct Shape {
    enum class Kind { Rect, RoundRect, Ellipse, Polygon } kind = Kind::Rect;
    bool cut = false;          // subtract from the shape so far, else add to it
    std::vector<long> values;  // l t r b [ew eh] | x y x y ...
};

struct Element {
    std::string name;
    int width = 0, height = 0;
    std::vector<Shape> shapes;
};

class Skin {
public:
    // Reads a skin file; false when it cannot be read or holds no element (the skin is then
    // empty). Problems with single lines are listed in Errors() and those lines skipped.
    bool LoadSkin(const std::string& path);
    bool LoadSkinText(const std::string& text);
    bool Loaded() const { return !elements_.empty(); }
    const std::string& Name() const { return name_; }
    const std::vector<std::string>& Errors() const { return errors_; }
    const Element* Find(const std::string& element) const;

    // Gives the window the shape of the named element, scaled to the window's size.
    // False (and the window left as it was) when the skin has no such element.
    bool ApplyMask(HWND window, const std::string& element) const;
    // The element's region at the given size (the caller owns it); nullptr when unknown.
    HRGN MakeRegion(const std::string& element, int width, int height) const;

private:
    struct NoCase {
        bool operator()(const std::string& a, const std::string& b) const {
            return lstrcmpiA(a.c_str(), b.c_str()) < 0;
        }
    };
    std::string name_;
    std::map<std::string, Element, NoCase> elements_;
    std::vector<std::string> errors_;
};

}  // namespace skin
