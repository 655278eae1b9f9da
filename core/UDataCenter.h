#pragma once
// The core module: the process-wide shared state, the settings file and every rule that turns
// an instrument value or a setting into the text a record shows.
#include "core/Outcome.h"

#include <QDateTime>
#include <QMap>
#include <QString>
#include <cstdint>

class ProfileFile;

// ---- Shared state (one instance each, GUI thread only) ----
extern int32_t iTestTime;      // load time of a live test, seconds ([SetParam])
extern int32_t iCurrentStep;   // current-step code 1..22 chosen in the live test dialog, 0 before
extern QString strCurrentStep; // text of the last chosen step, such as "100 A" ([SetParam])
extern QString strTestResult;  // resistance text of the last saved live test
extern QString strTestUser;    // tester, at most 20 GBK bytes ([RestParam])
extern QString strTestAdd;     // test location, at most 20 GBK bytes ([RestParam])
extern QString strDevice;      // device under test, at most 20 GBK bytes ([RestParam])
extern uint32_t ghUsbDevice;   // USB device handle, used only inside a USB exchange
extern int32_t giRecordCount;  // records in the record grid (rows 1..giRecordCount)
extern int32_t giDeviceType;   // instrument model: 0 none, 1 "5731", 2 "qmvr"
extern bool gbDeviceConnected; // a connect succeeded
extern int32_t giCommStyle;    // 0 USB, anything else the serial link ([Communication])
extern int32_t giCommPort;     // COM port number ([Communication])
extern int32_t giBaudRate;     // index into the baud-rate list ([Communication])
// COM numbers the user pointed at a device in the link settings dialog during this run, with
// the device path; the serial link opens them at once, SaveSettings writes them to [SerialPorts].
extern QMap<int, QString> gSerialPortAssignments;

// The program's title, in the chosen language: every window and message box carries it.
QString AppTitle();
inline const QString kSettingsFileName = QStringLiteral("SystemFile.ini");
constexpr int kShortTextBytes = 20;

// Full path of SystemFile.ini: beside the executable, or in the user's configuration folder
// where the executable's folder cannot be written (core/ProgramPlaces.h).
QString SettingsFilePath();
// The settings file as read: the user's own, or while there is none, the one beside the executable.
ProfileFile ReadSettingsFile();
// Reads the eight persisted variables (defaults for anything missing or unreadable).
void LoadSettings();
// Writes them back in one write; a failure (the file cannot be written) has been told to the user.
Outcome SaveSettings();
// Puts every shared variable back to its value at process start (tests).
void ResetSharedState();

// ---- Texts of a test record ----
QString FormatTestTime(const QDateTime& when);  // YY-MM-DD hh:mm
QString FormatFileStamp(const QDateTime& when); // YY-MM-DD hh-mm-ss
int CurrentStepAmperes(unsigned code);          // 0 for codes outside 1..22
QString CurrentStepText(unsigned code);         // "100 A", or empty
QString OfferedStepText(uint8_t flag, unsigned code);
int CurrentStepCode(const QString& text); // always 1..22
// Five-byte scaled reading (signed big-endian mantissa, decimal exponent); kind 1 A, 2 V, 3 Ω.
QString FormatReading(const uint8_t* bytes, int kind);
float ScaledValue(const uint8_t* bytes);
QString SymbolCodeText(const uint8_t* bytes); // eight symbol-code bytes
// Instrument clock from BCD bytes: "YY-MM-DD hh:mm" of their hexadecimal digits.
QString InstrumentTimeText(uint8_t year, uint8_t month, uint8_t day, uint8_t hour, uint8_t minute);
// Three big-endian bytes in tenths of a micro-ohm: "%.1f uΩ".
QString UploadedResistanceText(uint8_t high, uint8_t mid, uint8_t low);
QString LoadTimeText(int seconds);               // "%d 秒"
QString RowNumberText(int row);                  // "%2d"
QString ByteTraceLine(int offset, uint8_t byte); // "(%2d)--" + two upper-case hex digits

// ---- Small text and timing helpers ----
// Waits ms milliseconds while the event loop keeps dispatching, so windows stay alive.
void Delay(uint16_t ms);
QString LeftText(const QString& text, int count);
QString RightText(const QString& text, int count);
// Removes leading and trailing characters of code 32 and below (blanks and control characters).
QString TrimText(const QString& text);
// The value of a hexadecimal digit (either case), or -1.
int HexDigitValue(QChar c);
