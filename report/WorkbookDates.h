#pragma once
// Numbers that a workbook shows as dates or times come back as the text a person sees, written as
// a Chinese desktop writes a date and time value: "2025/3/14 10:30:00". A date format gives the
// date and, when the value has one, the time of day ("2025/3/14" at midnight); a format of times
// alone gives a value below one day as the time "10:30:00", and a longer one like a date format.
#include <QString>

enum class DateStyle { None, Date, Time };

// The kind of a number format by its id (the built-in date and time formats, those of Chinese
// locales included) or, for custom ids, by its code: y, d or a lone m make a date, h or s a time;
// quoted text, escaped characters and bracketed colours do not count.
DateStyle DateStyleOfFormat(int formatId, const QString& formatCode);

// The text of a serial day number in the 1900 (or 1904) date system; empty when the number lies
// outside the days a workbook can show (before day 0 or after 9999-12-31).
QString SerialDateText(double serial, DateStyle style, bool date1904);
