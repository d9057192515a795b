#include "shell/ScheduleSetting.h"

#include <cctype>
#include <vector>

#include "base/Clock.h"
#include "base/Launch.h"
#include "base/Modal.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "core/modMain.h"

namespace scheduleSetting {

namespace {

// A whole number of at most three digits, or -1.
int Number(const std::string& text) {
    const std::string t = base::Trim(text);
    if (t.empty() || t.size() > 3) return -1;
    int n = 0;
    for (char c : t) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

[[noreturn]] void Bad() { throw base::RuntimeError(5); }

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

long DayOfWeekBit(const std::string& field) {
    static const char* const days[] = {"1", "2", "3", "4", "5", "6"};
    for (int i = 0; i < 6; ++i)
        if (field == days[i]) return 2L << i;
    return 1;
}

ScheduleRequest ParseScheduleArgs(const std::string& args) {
    const std::vector<std::string> f = base::Split(args, '|');
    if (f.size() < 5) throw base::RuntimeError(9);
    ScheduleRequest r;
    const std::string& type = f[0];
    if (type == "never") {
        r.never = true;
        return r;
    }
    if (type == "daily") {
        r.triggerType = 1;
    } else if (type == "weekly") {
        r.triggerType = 2;
    } else if (type == "monthly") {
        r.triggerType = 3;
    } else {
        Bad();
    }
    const int hh = Number(f[1]);
    const int mm = Number(f[2]);
    const std::string half = base::UCase(base::Trim(f[3]));
    if (mm < 0 || mm > 59) Bad();
    if (half == "AM" || half == "PM") {
        if (hh < 0 || hh > 12) Bad();
        r.hour = hh % 12 + (half == "PM" ? 12 : 0);
    } else if (half.empty()) {
        if (hh < 0 || hh > 23) Bad();
        r.hour = hh;
    } else {
        Bad();
    }
    r.minute = mm;
    r.dayOfWeekBit = DayOfWeekBit(f[4]);
    if (r.triggerType == 3) {
        const int day = f.size() > 5 ? Number(f[5]) : -1;
        if (day < 1 || day > 31) Bad();
        r.monthDay = static_cast<short>(day);
    }
    return r;
}

void TaskSchedule::Open() {
    try {
        schedule_ = lateBound::Object::Create(kProgId);
        return;
    } catch (const base::RuntimeError& e) {
        if (e.number() != static_cast<long>(CO_E_CLASSSTRING) && e.number() != static_cast<long>(REGDB_E_CLASSNOTREG))
            throw;
    }
    // A registration whose helper could not even be started (a loaded machine) is tried once more.
    const std::string command = "regsvr32.exe /s \"" + modMain::FullPath_With_Filename("Vornak.dll") + "\"";
    if (!base::Launch(command, 60000).started) {
        Sleep(500);
        base::Launch(command, 60000);
    }
    schedule_ = lateBound::Object::Create(kProgId);
}

short TaskSchedule::GetTaskIndex(const std::string& name) {
    schedule_.Call("Refresh");
    const std::string wanted = Lower(name);
    const size_t count = schedule_.Items().size();
    for (size_t i = 1; i <= count && i <= 32767; ++i) {
        const auto job = schedule_.GetObject("Job", {lateBound::Variant::Short(static_cast<short>(i))});
        if (Lower(job.GetText("Name")) == wanted) return static_cast<short>(i);
    }
    return 0;
}

void TaskSchedule::Delete(short index) { schedule_.Call("Delete", {lateBound::Variant::Short(index)}); }

void TaskSchedule::CreateScan(const std::string& name, const std::string& program, const ScheduleRequest& request) {
    using lateBound::Variant;
    auto job = schedule_.GetObject("CreateTask", {Variant::Text(name)});
    job.Put("ApplicationName", Variant::Text(program));
    job.Put("Creator", Variant::Text(name));
    {
        auto triggers = job.GetObject("Triggers");
        auto trigger = triggers.GetObject("Add");
        trigger.Put("TriggerType", Variant::Long(request.triggerType));
        SYSTEMTIME today = base::Now();
        today.wHour = today.wMinute = today.wSecond = today.wMilliseconds = 0;
        DATE begin = 0;
        SystemTimeToVariantTime(&today, &begin);
        trigger.Put("BeginDay", Variant::Date(begin));
        const DATE start = (request.hour * 3600.0 + request.minute * 60.0) / 86400.0;
        switch (trigger.GetLong("TriggerType")) {
            case 1:
                trigger.Put("StartTime", Variant::Date(start));
                break;
            case 3:
                trigger.Put("Months", Variant::Long(4095));
                trigger.Put("StartTime", Variant::Date(start));
                trigger.Put("Day", Variant::Short(request.monthDay));
                break;
            case 2:
                trigger.Put("StartTime", Variant::Date(start));
                trigger.Put("DaysOfTheWeek", Variant::Long(request.dayOfWeekBit));
                break;
            default:
                break;
        }
    }
    job.Put("CommandLine", Variant::Text("/SCAN"));
    job.Call("Save", {Variant::Text("")});
}

void TaskSchedule::ShowProperties(short index) {
    auto job = schedule_.GetObject("Job", {lateBound::Variant::Short(index)});
    // The Task Scheduler's own property sheet is a modal step like any dialog of the program.
    base::modal::Run({"TaskProperties", job.GetText("Name"), "", 0}, [&] {
        job.Call("ShowProperties");
        return 1L;
    });
}

}  // namespace scheduleSetting
