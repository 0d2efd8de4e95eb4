#pragma once

#include <string>

class QLocale;

// Date and time texts from automation dates: days since 30 December 1899, with the time of day
// as the fraction. Below zero the whole days count back from that day while the fraction still
// counts forward into the day, so -1.25 is 29 December 1899, 06:00.
//
// The patterns use the Windows pictures: d dd ddd dddd, M MM MMM MMMM, y yy yyyy (date) and
// h hh (12-hour) H HH (24-hour) m mm s ss t tt (time); text in single quotes is copied, a doubled
// quote gives one quote, every other character is copied as it is. A pattern of two characters
// or fewer gives an empty part; force24Hour turns h and hh into the 24-hour clock. The result is
// the date part followed directly by the time part, or the empty text when the moment is not a
// date between the years 100 and 9999.
std::string DateTimeText(double moment, const std::string& datePattern,
                         const std::string& timePattern, bool force24Hour);
std::string DateTimeText(double moment, const std::string& datePattern,
                         const std::string& timePattern, bool force24Hour, const QLocale& locale);

// The current local date and time as an automation date.
double CurrentAutomationDate();
