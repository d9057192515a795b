#include "base/Clock.h"

#include <optional>

namespace base {
namespace {
std::optional<SYSTEMTIME> g_fixed;
}

SYSTEMTIME Now() {
    if (g_fixed) return *g_fixed;
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return t;
}

void SetClock(const SYSTEMTIME& now) { g_fixed = now; }
void ResetClock() { g_fixed.reset(); }

std::string ShortDateText(const SYSTEMTIME& t) {
    char buf[128];
    int n = GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &t, nullptr, buf, sizeof buf);
    return n > 0 ? std::string(buf, n - 1) : std::string();
}

std::string TimeText(const SYSTEMTIME& t) {
    char buf[128];
    int n = GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &t, nullptr, buf, sizeof buf);
    return n > 0 ? std::string(buf, n - 1) : std::string();
}

}  // namespace base
