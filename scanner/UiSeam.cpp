// SEAM body (see UiSeam.h).
#include "scanner/UiSeam.h"

namespace uiseam {

std::string getMessage(const std::string&, const std::string& defaultText) { return defaultText; }

}  // namespace uiseam
