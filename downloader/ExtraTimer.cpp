#include "downloader/ExtraTimer.h"

#include <cstdlib>

namespace downloader {

void ExtraTimer::Timer1_Timer() {
    ++ticks_;
    static const long long kFactor[] = {1, 60, 3600, 86400};
    if (unit_ < 0 || unit_ > 3) return;  // another unit never raises the event
    if (ticks_ >= static_cast<long long>(interval_) * kFactor[unit_]) {
        ticks_ = 0;
        if (Timer) Timer();
    }
}

void ExtraTimer::UserControl_InitProperties() {
    interval_ = 1;
    unit_ = 0;
    ticks_ = 0;
}

void ExtraTimer::UserControl_ReadProperties(const PropertyBag& bag) {
    auto read = [&](const char* name, long fallback) {
        auto it = bag.find(name);
        return it == bag.end() ? fallback : std::strtol(it->second.c_str(), nullptr, 10);
    };
    interval_ = read("Interval", 1);
    SetEnabled(read("Enabled", 0) != 0);
    unit_ = read("IntervalUnit", 0);
}

void ExtraTimer::UserControl_Resize() {
    if (height != 300) height = 300;
    if (width != 300) width = 300;
}

void ExtraTimer::SetInterval(long v) {
    interval_ = v;
    if (PropertyChanged) PropertyChanged("Interval");
}

void ExtraTimer::SetIntervalUnit(long v) {
    unit_ = v;
    if (PropertyChanged) PropertyChanged("IntervalUnit");
}

void ExtraTimer::SetEnabled(bool v) {
    enabled_ = v;
    if (InnerTimerEnabled) InnerTimerEnabled(v);
    if (PropertyChanged) PropertyChanged("Enabled");
}

void ExtraTimer::UserControl_WriteProperties(PropertyBag& bag) const {
    bag.erase("Interval");
    bag.erase("Enabled");
    bag.erase("IntervalUnit");
    if (interval_ != 1) bag["Interval"] = std::to_string(interval_);
    if (enabled_) bag["Enabled"] = "-1";
    if (unit_ != 0) bag["IntervalUnit"] = std::to_string(unit_);
}

}  // namespace downloader
