#include "core/Statistics.h"

#include <windows.h>

#include "base/Clock.h"
#include "base/Conversions.h"
#include "base/RuntimeError.h"
#include "base/Trap.h"
#include "core/SettingsStore.h"
#include "core/Wiring.h"

namespace modMain {
namespace {
constexpr const char* kStatistics = "Statistics";
constexpr const char* kResults = "Results";

struct Counter {
    const char* name;
    long* global;
};
const Counter kCounters[] = {
    {"gb_totalSpyCookiesRemoved", &gb_totalSpyCookiesRemoved},
    {"gb_totalSpyFilesRemoved", &gb_totalSpyFilesRemoved},
    {"gb_totalSpyFoldersRemoved", &gb_totalSpyFoldersRemoved},
    {"gb_totalSpyMemProcessRemoved", &gb_totalSpyMemProcessRemoved},
    {"gb_totalSpyRegistryKeysRemoved", &gb_totalSpyRegistryKeysRemoved},
    {"gb_totalSpywareFound", &gb_totalSpywareFound},
};

std::string MonthDayYear(const SYSTEMTIME& t) {
    char buf[64];
    int n = GetDateFormatA(LOCALE_USER_DEFAULT, 0, &t, "MMM dd, yyyy", buf, sizeof buf);
    if (n <= 0) base::Raise(base::errInvalidProcedureCall);
    return std::string(buf, n - 1);
}
}  // namespace

std::string getLastSystemScanDate() {
    return base::Trap("getLastSystemScanDate", std::string(), [] {
        return settings::GetSetting(kStatistics, "LAST SCAN DATE", wiring::GetMessage("1061", "Not Found"));
    });
}

void setLastSystemScanDate() {
    base::Trap("setLastSystemScanDate", [] {
        const SYSTEMTIME now = base::Now();
        settings::SaveSetting(kStatistics, "LAST SCAN DATE", MonthDayYear(now) + " @ " + base::TimeText(now));
    });
}

short getNumberOfScans() {
    return base::Trap("getNumberOfScans", short{0},
                      [] { return conv::CIntText(settings::GetSetting(kStatistics, "NUMBER OF SCANS", "0")); });
}

void setNumberOfScans() {
    base::Trap("setNumberOfScans", [] {
        const short n = getNumberOfScans();
        if (n == 32767) base::Raise(base::errOverflow);
        settings::SaveSetting(kStatistics, "NUMBER OF SCANS", std::to_string(n + 1));
    });
}

long getNumberOfObjectsRemoved() {
    return base::Trap("getNumberOfObjectsRemoved", 0L,
                      [] { return conv::CLngText(settings::GetSetting(kStatistics, "NUMBER OF OBJECTS", "0")); });
}

void setNumberOfObjectsRemoved(long& n) {
    base::Trap("setNumberOfObjectsRemoved", [&] {
        const long long sum = static_cast<long long>(n) + getNumberOfObjectsRemoved();
        if (sum > 2147483647LL || sum < -2147483648LL) base::Raise(base::errOverflow);
        n = static_cast<long>(sum);
        settings::SaveSetting(kStatistics, "NUMBER OF OBJECTS", std::to_string(n));
    });
}

void saveResultCounters() {
    for (const Counter& c : kCounters) settings::SaveSetting(kResults, c.name, std::to_string(*c.global));
}

void loadResultCounters() {
    for (const Counter& c : kCounters) *c.global = conv::CLngText(settings::GetSetting(kResults, c.name, "0"));
}

}  // namespace modMain
