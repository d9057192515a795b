#include "base/MsgBox.h"

#include "base/Modal.h"
#include "base/ProgramFolder.h"

namespace base {

long MsgBox(const std::string& prompt, long buttons, const std::string& title) {
    const std::string caption = title.empty() ? AppTitle() : title;
    return modal::Run({"MsgBox", caption, prompt, buttons}, [&]() -> long {
        return MessageBoxA(GetActiveWindow(), prompt.c_str(), caption.c_str(), static_cast<UINT>(buttons));
    });
}

}  // namespace base
