#pragma once
// A record's display texts read back as numbers for the trend. Only the forms the program itself
// writes are read; anything else is not guessed at.
#include <QDateTime>
#include <QString>
#include <optional>

// A resistance text taken apart: sign, whole and fractional digits, unit (see below).
struct ResistanceText {
    bool negative = false;
    QString whole;
    QString fraction;
    bool ohms = false; // "Ω" rather than "uΩ"
};
std::optional<ResistanceText> SplitResistanceText(const QString& text);

// "%.1f uΩ" (how every resistance is shown), or "%.1f Ω" (a live reading above one ohm), in µΩ.
// Blanks around the text are ignored; any other unit or form gives nothing.
std::optional<double> ResistanceMicroOhms(const QString& text);

// "YY-MM-DD hh:mm" as the grid shows a test time, read as a local time of the years 2000..2099
// (the instrument keeps the year within the century); nothing when it is not a real date and time.
std::optional<QDateTime> RecordTime(const QString& text);

// A limit or a change written for people: "150", "150.5" (no exponent, no trailing zeros).
QString MicroOhmText(double microOhms);
