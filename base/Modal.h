#pragma once
// The one seam every modal step goes through: plain message boxes, the skinned message box,
// modal forms, file and folder dialogs.
//
// In the program a step runs its real modal UI. Tests script the answers in order; once
// scripting is on, a step nobody scripted is reported to the unscripted handler (the test
// main makes that a test failure) and answered at once, so a test never hangs on a dialog.
#include <functional>
#include <string>
#include <vector>

namespace base::modal {

struct Step {
    std::string kind;   // "MsgBox", "frmMsgBox", "frmEnterPassword", "BrowseForFolder", ...
    std::string title;  // caption, when the step has one
    std::string text;   // prompt or message, when the step has one
    long flags = 0;     // buttons and icon of a message box, or the caller's own options
};

// A scripted answer: sees the step (a modal form is already shown when it runs) and returns
// what the step returns.
using Answer = std::function<long(const Step&)>;

// Runs one step: the next scripted answer when scripting is on, else `real`.
long Run(const Step& step, const std::function<long()>& real);

// Tests.
void EnableScripting(std::function<long(const Step&)> onUnscripted);
bool ScriptingEnabled();
void Expect(const std::string& kind, long answer);
void Expect(const std::string& kind, Answer answer);
size_t Pending();  // scripted answers not used yet
void ClearScript();
// The steps answered so far, in order (scripted and unscripted), for assertions.
const std::vector<Step>& Seen();

}  // namespace base::modal
