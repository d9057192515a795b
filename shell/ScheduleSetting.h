#pragma once
// The scheduled scan: the one Task Scheduler work item of the program, named after the
// application title and running Corvane.exe with "/SCAN". Window-free: the options window
// holds one TaskSchedule while it is loaded and calls these.
//
// The work item is reached through Vornak's Schedule object by its ProgID and late binding,
// as a scripting client would.
#include <string>

#include "shell/LateBound.h"

namespace scheduleSetting {

inline constexpr const char* kProgId = "TaskScheduler.Schedule";

// The six fields of the options page's schedule text, "type|hh|mm|ampm|weekday|monthday".
struct ScheduleRequest {
    bool never = false;
    long triggerType = 0;  // 1 daily, 2 weekly, 3 monthly
    int hour = 0;          // 0..23
    int minute = 0;
    long dayOfWeekBit = 1;  // Sunday 1, Monday 2 .. Saturday 64
    short monthDay = 1;
};

// Raises error 9 (subscript out of range) for fewer than five fields, before anything else.
// Raises error 5 for a field the schedule cannot take (an unknown type, an hour, minute or
// half of the day that is no time, a day of the month outside 1..31), so that a bad text never
// replaces a working schedule with a half-made one.
ScheduleRequest ParseScheduleArgs(const std::string& args);

// Day-of-week bit of the weekday field: "1" Monday .. "6" Saturday, anything else Sunday.
long DayOfWeekBit(const std::string& field);

class TaskSchedule {
public:
    // Creates the Schedule object; when its ProgID is not registered yet, registers Vornak.dll
    // from the program folder with regsvr32 (as the installer would) and tries once more.
    void Open();
    void Close() { schedule_ = {}; }
    bool IsOpen() const { return static_cast<bool>(schedule_); }

    // The 1-based position of the work item of that name (letter case ignored) after a fresh
    // read of the service, or 0.
    short GetTaskIndex(const std::string& name);
    void Delete(short index);
    // Creates the work item `name` running `program` with "/SCAN" on the request's trigger.
    void CreateScan(const std::string& name, const std::string& program, const ScheduleRequest& request);
    // Opens the work item's property sheet (modal step "TaskProperties", titled with its name).
    void ShowProperties(short index);

    lateBound::Object& Object() { return schedule_; }

private:
    lateBound::Object schedule_;
};

}  // namespace scheduleSetting
