#pragma once
// A readable account of a cookie file for the scan log.
#include <string>

namespace modMain {

// One block per cookie the file holds: an empty line, then "Cookie Type:" and the cookie's
// name, "Cookie Value:" and its value, "Cookie Source:" and the site, "Cookie Name:" and the
// file's name, each line ended by CR LF. The reading stops at the first record with fewer than
// eight lines or without a site. A missing file gives the text of message 1124. A file that
// cannot be read raises its base::RuntimeError to the caller, whose trap logs it.
std::string GetCookieDetails(const std::string& path);

}  // namespace modMain
