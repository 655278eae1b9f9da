#pragma once
// The rules of the live test dialog that need no window: which steps the instrument offers and
// which one is preselected, the list of test times, how a typed number is read, and the texts
// of the input checks.
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

constexpr int kMinTestTime = 5;
constexpr int kMaxTestTime = 60;
// The step that is preselected when the saved one is not offered.
inline const QString kDefaultStepText = QStringLiteral("100 A");

// Reads a whole number: an optional sign followed by decimal digits, or by hexadecimal digits
// after "$", "x" or "0x". Nothing may come before or after; values beyond 32 bits fail.
std::optional<int> ParseWholeNumber(const QString& text);
// The trimmed text as a test time, if it is a whole number from 5 to 60.
std::optional<int> ParseTestTime(const QString& text);

// The texts of the offered steps (flag exactly 1) in ascending current.
QStringList OfferedSteps(const std::array<uint8_t, 22>& flags);
// The entry to select: the saved step, else "100 A", else the first; -1 for an empty list.
int PreselectedStep(const QStringList& steps, const QString& savedStep);
// "5" … "60".
QStringList TestTimeTexts();

// Whether a trimmed text fits the 20-byte GBK limit of the three "其它参数" fields.
bool FitsShortText(const QString& trimmed);

// Messages of the input checks.
QString TestTimeMessage();
QString StepMessage();
QString ShortTextMessage(const QString& fieldName); // fieldName: a column header
