#pragma once
// The options as the options page of the main movie carries them, and the program's autostart
// entry: window-free, so the options window, the main window and the tests share them.
#include <functional>
#include <string>
#include <vector>

namespace optionTable {

// How a global crosses as movie text.
enum class Encoding {
    B,     // "-1" / "0"; read back as any text the runtime takes as a Boolean
    B1,    // "1" / "0"
    Bt,    // "true" / "false"
    N,     // a 16-bit number
    S,     // text as it is
    NotB,  // as B, negated both ways
};

struct OptionVar {
    const char* name;  // the movie variable
    Encoding encoding;
    bool* flag = nullptr;
    short* number = nullptr;
    std::string* text = nullptr;
};

// Every option variable of the page, in the order both directions walk them.
const std::vector<OptionVar>& OptionVars();

using SetVariableFn = std::function<void(const std::string& name, const std::string& value)>;
using GetVariableFn = std::function<std::string(const std::string& name)>;

void SetOptionsToFlash(const SetVariableFn& set);
// Reads every variable first and changes the globals only when all of them convert: a value
// the conversion does not take raises its runtime error (13 or 6) and leaves every global as
// it was.
void GetOptionsFromFlash(const GetVariableFn& get);

// The runtime's text-to-Boolean conversion: "true"/"false" in any case, or a number (not 0 is
// true); anything else raises error 13.
bool CBoolText(const std::string& text);

// The Run value "CORVANE" for the pair of start-up options; "" when it is to be removed. The
// program's path is quoted, so a folder with blanks never starts another program.
std::string AutostartCommand(bool runStartup, bool useDelayedStartup);
// Writes or removes the Run value to match the pair.
void ApplyAutostart(bool runStartup, bool useDelayedStartup);

// The proxy port field: a text that is no number, or below 1, becomes "80".
std::string ProxyPortText(const std::string& text);

// The fixed drives for the page's drive choice: their count and, for each, its path ("C:"),
// "\", its volume label and "|".
struct FixedDrives {
    int count = 0;
    std::string names;
};
FixedDrives ListFixedDrives();

// The fields of a "|"-separated text (the drive names, the drive flags); the empty field after
// a closing "|" is not one.
std::vector<std::string> BarFields(const std::string& text);
// The sixteen drive flags when nothing is remembered: the first two drives.
inline constexpr const char* kDefaultDriveFlags =
    "true|true|false|false|false|false|false|false|false|false|false|false|false|false|false|false";

}  // namespace optionTable
