#pragma once
// ExtraTimer ("Corvane.ExtraTimer"): a timer for long intervals. An inner one-second timer
// counts ticks; after Interval units of seconds, minutes, hours or days the control raises its
// Timer event. The counting is window-free; the window that holds the control gives the inner
// tick (its one-second timer calls Timer1_Timer) and follows Enabled.
#include <functional>
#include <map>
#include <string>

namespace downloader {

class ExtraTimer {
public:
    // Property bag entries, as stored.
    using PropertyBag = std::map<std::string, std::string>;

    ExtraTimer() { UserControl_InitProperties(); }

    void Timer1_Timer();
    void UserControl_InitProperties();
    void UserControl_ReadProperties(const PropertyBag& bag);
    void UserControl_Resize();
    long Interval() const { return interval_; }
    void SetInterval(long New_Interval);
    long IntervalUnit() const { return unit_; }
    void SetIntervalUnit(long New_IntervalUnit);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool New_Enabled);
    void UserControl_WriteProperties(PropertyBag& bag) const;

    long TickCount() const { return ticks_; }
    // The container's size of the control (it keeps 300 x 300).
    long width = 300, height = 300;

    std::function<void()> Timer;                              // the event
    std::function<void(const std::string&)> PropertyChanged;  // "Interval", "IntervalUnit", "Enabled"
    std::function<void(bool)> InnerTimerEnabled;              // the holder switches its 1 s timer

    static constexpr const char* kIntervalHelp =
        "Returns/Sets the number of (Seconds, Minutes, Hours or Days)\r\nbetween calls to the controls timer event.";
    static constexpr const char* kIntervalUnitHelp =
        "Returns/Sets a value that determines the unit used in \r\nsetting the controls interval";
    static constexpr const char* kEnabledHelp =
        "Returns/Sets a value that determines \r\nwhether the control can respond to user\r\ngenerated events.";

private:
    long interval_ = 1;
    long unit_ = 0;
    long ticks_ = 0;
    bool enabled_ = false;
};

}  // namespace downloader
