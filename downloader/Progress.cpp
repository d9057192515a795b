#include "downloader/Progress.h"

#include <cmath>
#include <cstdio>

namespace downloader {
namespace {

// Two decimals, halves rounded away from zero as the runtime's Format does.
std::string Fixed2(double v, bool grouped) {
    char b[64];
    std::snprintf(b, sizeof b, "%.2f", std::floor(v * 100 + 0.5) / 100);
    std::string s = b;
    if (!grouped) return s;
    const size_t dot = s.find('.');
    for (long i = static_cast<long>(dot) - 3; i > 0; i -= 3) s.insert(static_cast<size_t>(i), ",");
    return s;
}

}  // namespace

std::string ByteConversion(double x) {
    if (x >= 1048576) return Fixed2(x / 1048576, true) + " MB";
    if (x >= 1024) return Fixed2(x / 1024, false) + " KB";
    char b[32];
    std::snprintf(b, sizeof b, "%.0f", std::floor(x < 0 ? 0 : x));
    return std::string(b) + " Bytes";
}

std::string ConvertTime(double t) {
    const long long all = t > 0 ? static_cast<long long>(std::floor(t)) : 0;
    char b[32];
    std::snprintf(b, sizeof b, "%02lld:%02lld:%02lld", all / 3600, (all / 60) % 60, all % 60);
    return b;
}

RateTick ComputeRate(std::uint64_t received, std::uint64_t previous, double seconds, std::uint64_t total) {
    RateTick r;
    if (seconds <= 0 || received < previous) return r;  // a new transfer began: no rate yet
    r.bytesPerSecond = static_cast<double>(received - previous) / seconds;
    if (r.bytesPerSecond > 0 && total >= received) {
        r.hasEstimate = true;
        r.remainingSeconds = static_cast<double>(total - received) / r.bytesPerSecond;
    }
    return r;
}

int Percent(std::uint64_t received, std::uint64_t total) {
    if (total == 0) return 100;
    if (received >= total) return 100;
    return static_cast<int>(static_cast<double>(received) / static_cast<double>(total) * 100.0);
}

}  // namespace downloader
