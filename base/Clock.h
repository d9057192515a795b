#pragma once
// The program's clock and the system's date and time texts. Tests set the clock.
#include <windows.h>

#include <string>

namespace base {

SYSTEMTIME Now();                      // local time, or the time a test set
void SetClock(const SYSTEMTIME& now);  // tests: freeze the clock at this local time
void ResetClock();                     // back to the real clock

// The runtime's conversions of a date or time value to text: the user's short date format
// and the user's time format (GetDateFormatA / GetTimeFormatA).
std::string ShortDateText(const SYSTEMTIME& t);
std::string TimeText(const SYSTEMTIME& t);

}  // namespace base
