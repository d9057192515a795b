#pragma once
// The bad-site check: an outside connection monitor reports each new connection to the message window
// ("CORVANE_GET_MESSAGE_WINDOW") and waits for a verdict, which goes back through an outside verdict
// channel. A connection to a site of the bad-site list (from the definitions) is blocked.
#include <functional>
#include <string>
#include <vector>

namespace monitors::badsite {

inline constexpr char kMessageWindowCaption[] = "CORVANE_GET_MESSAGE_WINDOW";
inline constexpr int kAllow = 1;
inline constexpr int kBlock = 2;
inline constexpr size_t kMaxReport = 255;  // bytes of a report; the rest is cut

// Where verdicts go. The default binds the outside libraries by name from the program folder at the
// first call (Saxtrel.dll for verdicts, Brennock.dll for refused reports, each exporting
// ProcessReturn with one 32-bit integer). Each call answers true when the verdict was delivered.
class VerdictChannel {
public:
    virtual ~VerdictChannel() = default;
    virtual bool Verdict(int verdict) = 0;  // Saxtrel's ProcessReturn
    virtual bool Refused(int verdict) = 0;  // Brennock's ProcessReturn
};
VerdictChannel* SetVerdictChannel(VerdictChannel* channel);  // nullptr puts the default back
VerdictChannel& Channel();

struct ScamSite {
    std::string name;
    std::string site;  // lower case, without "www." and "http://"
};
// Index 0 is an empty entry; the loaded entries follow from index 1.
std::vector<ScamSite>& ScamSiteList();

// Fills the list from the definitions' section "PLINK" (keys PLINKT<i> and PLINKD<i>, i = 1 ... 10000),
// stopping at the first number whose name or site is empty. `lookup` gives a key's decoded value or "";
// `pump` runs once per entry.
void LoadScamList(const std::function<std::string(const std::string& section, const std::string& key)>& lookup,
                  const std::function<void()>& pump = {});

// The n-th field (from 1) of text split at delimiter; "" when there is none.
std::string getField(const std::string& text, const std::string& delimiter, int n);

// The verdict on one report. Returns the text to show the user ("<site> is a bad site and we Blocked
// it") when the connection was blocked and the block was delivered; "" otherwise.
std::string NewConnectionDetected(const std::string& report);

// The message window's state between a report (WM_SETTEXT) and its trigger (WM_COPYDATA).
class ConnectionReports {
public:
    // WM_SETTEXT: at most kMaxReport bytes of `bytes` (up to `length`, and up to a NUL) are taken.
    void OnSetText(const char* bytes, size_t length);
    // WM_COPYDATA: judges or refuses the stored report. Returns what NewConnectionDetected returned.
    // The caller then sets the window's caption back, which arrives as an empty OnSetText.
    std::string OnTrigger();
    const std::string& Report() const { return report_; }
    bool Refused() const { return refused_; }

private:
    std::string report_;
    bool refused_ = false;
};

}  // namespace monitors::badsite
