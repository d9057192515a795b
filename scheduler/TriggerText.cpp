#include "scheduler/TriggerText.h"

namespace vornak {

namespace {

const char* const kDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kWeekNames[5] = {"first", "second", "third", "fourth", "last"};

std::string TimeText(WORD hour, WORD minute) {
    SYSTEMTIME st{};
    st.wYear = 2000;
    st.wMonth = 1;
    st.wDay = 1;
    st.wHour = hour;
    st.wMinute = minute;
    char buffer[64] = {};
    if (GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, buffer, sizeof buffer) == 0)
        wsprintfA(buffer, "%02u:%02u", hour, minute);
    return buffer;
}

std::string DateText(WORD year, WORD month, WORD day) {
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    char buffer[64] = {};
    if (GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buffer, sizeof buffer) == 0)
        wsprintfA(buffer, "%u-%02u-%02u", year, month, day);
    return buffer;
}

std::string List(DWORD bits, int count, const char* const* names) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (!(bits & (DWORD{1} << i))) continue;
        if (!text.empty()) text += ", ";
        text += names[i];
    }
    return text.empty() ? "no day" : text;
}

std::string DaysOfMonth(DWORD bits) {
    std::string text;
    for (int day = 1; day <= 31; ++day) {
        if (!(bits & (DWORD{1} << (day - 1)))) continue;
        if (!text.empty()) text += ", ";
        text += std::to_string(day);
    }
    return text.empty() ? "no day" : text;
}

std::string Months(WORD bits) {
    if ((bits & 0x0FFF) == 0x0FFF) return "every month";
    return List(bits, 12, kMonthNames);
}

std::string Every(unsigned count, const char* one, const char* many) {
    if (count <= 1) return std::string("every ") + one;
    return "every " + std::to_string(count) + " " + many;
}

std::wstring Widen(const std::string& text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), w.data(), n);
    return w;
}

}  // namespace

std::wstring DescribeTrigger(const TASK_TRIGGER& r) {
    std::string at = "At " + TimeText(r.wStartHour, r.wStartMinute);
    std::string starting = ", starting " + DateText(r.wBeginYear, r.wBeginMonth, r.wBeginDay);
    std::string text;
    switch (r.TriggerType) {
        case TASK_TIME_TRIGGER_ONCE:
            text = at + " on " + DateText(r.wBeginYear, r.wBeginMonth, r.wBeginDay);
            break;
        case TASK_TIME_TRIGGER_DAILY:
            text = at + " " + Every(r.Type.Daily.DaysInterval, "day", "days") + starting;
            break;
        case TASK_TIME_TRIGGER_WEEKLY:
            text = at + " every " + List(r.Type.Weekly.rgfDaysOfTheWeek, 7, kDayNames) + " of " +
                   Every(r.Type.Weekly.WeeksInterval, "week", "weeks") + starting;
            break;
        case TASK_TIME_TRIGGER_MONTHLYDATE:
            text = at + " on day " + DaysOfMonth(r.Type.MonthlyDate.rgfDays) + " of " +
                   Months(r.Type.MonthlyDate.rgfMonths) + starting;
            break;
        case TASK_TIME_TRIGGER_MONTHLYDOW: {
            WORD week = r.Type.MonthlyDOW.wWhichWeek;
            std::string which = week >= 1 && week <= 5 ? kWeekNames[week - 1] : "week " + std::to_string(week);
            text = at + " on the " + which + " " + List(r.Type.MonthlyDOW.rgfDaysOfTheWeek, 7, kDayNames) + " of " +
                   Months(r.Type.MonthlyDOW.rgfMonths) + starting;
            break;
        }
        case TASK_EVENT_TRIGGER_ON_IDLE:
            text = "When the computer is idle";
            break;
        case TASK_EVENT_TRIGGER_AT_SYSTEMSTART:
            text = "At system startup";
            break;
        case TASK_EVENT_TRIGGER_AT_LOGON:
            text = "At logon";
            break;
        default:
            text = "Trigger of unknown type " + std::to_string(static_cast<int>(r.TriggerType));
            break;
    }
    if (r.rgFlags & TASK_TRIGGER_FLAG_DISABLED) text += " (disabled)";
    return Widen(text);
}

}  // namespace vornak
