#pragma once
// Our own movie format (*.scw): a small text file that says, per frame, what a window's face
// shows and what it sends. The format is described in docs/MOVIES.md.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace movie {

struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const { return lstrcmpiA(a.c_str(), b.c_str()) < 0; }
};

enum class ItemKind { Box, Text, Button, Input, Check, List, Drag };

struct Item {
    ItemKind kind = ItemKind::Text;
    int frame = -1;       // -1: every frame
    RECT rect{};          // stage pixels
    std::string var;      // bound variable (text, button caption, input, check); list name
    std::string text;     // literal text or caption when no variable is bound
    std::string command;  // buttons, lists, drag areas
    std::string args;     // buttons
    std::string label;    // check boxes: the variable holding the caption; empty caption, no box
    std::string enabled;  // buttons: the variable that says whether it can be pressed ("" always)
    std::string font = "body";
    char align = 'l';              // 'l', 'c', 'r'
    COLORREF color = CLR_INVALID;  // text colour, box fill
    COLORREF back = CLR_INVALID;   // text background (default: the box below, else the stage)
    bool password = false;
    int line = 0;
};

// What TPlay(<clip>) does: set variables and/or go to a frame.
struct ClipAction {
    std::string var, value;
    long gotoFrame = -1;
};

struct Movie {
    int width = 400, height = 300;
    COLORREF background = RGB(255, 255, 255);
    COLORREF foreground = RGB(0, 0, 0);
    std::vector<std::pair<std::string, std::string>> vars;  // initial values, in file order
    std::map<std::string, std::vector<ClipAction>, NoCase> clips;
    // Variables the movie composes from others when they are read: the parts' values joined by
    // the separator, or "" while the first part is empty.
    struct Join {
        std::string separator;
        std::vector<std::string> parts;
    };
    std::map<std::string, Join, NoCase> joins;
    std::vector<Item> items;
    std::vector<std::string> errors;  // "line <n>: <what>"; the line is skipped
};

Movie ParseMovie(const std::string& text);
// False when the file cannot be read (the movie is then empty).
bool ReadMovieFile(const std::string& path, Movie& movie);

}  // namespace movie
