#include "core/UDataCenter.h"

#include "core/GbkText.h"
#include "core/Platform.h"
#include "core/ProfileFile.h"
#include "core/ProgramPlaces.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>
#include <cmath>

int32_t iTestTime = 5;
int32_t iCurrentStep = 0;
QString strCurrentStep = QStringLiteral("100 A");
QString strTestResult;
QString strTestUser;
QString strTestAdd;
QString strDevice;
uint32_t ghUsbDevice = 0;
int32_t giRecordCount = 0;
int32_t giDeviceType = 1;
bool gbDeviceConnected = false;
int32_t giCommStyle = 0;
int32_t giCommPort = 3;
int32_t giBaudRate = 6;
QMap<int, QString> gSerialPortAssignments;

namespace {

const QString kSetParam = QStringLiteral("SetParam");
const QString kRestParam = QStringLiteral("RestParam");
const QString kCommunication = QStringLiteral("Communication");

// The desktop profile API hands back at most 255 bytes of a value.
QString ReadShortText(const ProfileFile& ini, const QString& key) {
    const QString whole = ini.readString(kRestParam, key, QString());
    return Gbk::cutToBytes(Gbk::cutToBytes(whole, 255), kShortTextBytes);
}

QString TwoHexDigits(uint8_t byte) {
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QString AppTitle() {
    return QCoreApplication::translate("Ohmara", "回路电阻测试仪2.1");
}

QString SettingsFilePath() {
    return CurrentProgramPlaces().settingsFile;
}

ProfileFile ReadSettingsFile() {
    const ProgramPlaces places = CurrentProgramPlaces();
    ProfileFile ini(places.settingsFile);
    // A user who has no settings file yet starts from the seed.
    if (ini.load() && !QFileInfo::exists(ini.path()) && !places.settingsSeed.isEmpty()) {
        QFile seed(places.settingsSeed);
        if (seed.size() <= ProfileFile::kLargestFile && seed.open(QIODevice::ReadOnly))
            ini.parse(seed.readAll());
    }
    return ini;
}

void LoadSettings() {
    const ProfileFile ini = ReadSettingsFile();
    strCurrentStep = ini.readString(kSetParam, QStringLiteral("strCurrentStep"), QStringLiteral("100 A"));
    iTestTime = ini.readInteger(kSetParam, QStringLiteral("iTestTime"), 5);
    strTestUser = ReadShortText(ini, QStringLiteral("strTestUser"));
    strTestAdd = ReadShortText(ini, QStringLiteral("strTestAdd"));
    strDevice = ReadShortText(ini, QStringLiteral("strDevice"));
    giCommStyle = ini.readInteger(kCommunication, QStringLiteral("giCommStyle"), 0);
    giCommPort = ini.readInteger(kCommunication, QStringLiteral("giCommPort"), 3);
    giBaudRate = ini.readInteger(kCommunication, QStringLiteral("giBaudRate"), 6);
}

Outcome SaveSettings() {
    ProfileFile ini = ReadSettingsFile();
    ini.setValue(kSetParam, QStringLiteral("strCurrentStep"), strCurrentStep);
    ini.setInteger(kSetParam, QStringLiteral("iTestTime"), iTestTime);
    ini.setValue(kRestParam, QStringLiteral("strTestUser"), Gbk::cutToBytes(strTestUser, kShortTextBytes));
    ini.setValue(kRestParam, QStringLiteral("strTestAdd"), Gbk::cutToBytes(strTestAdd, kShortTextBytes));
    ini.setValue(kRestParam, QStringLiteral("strDevice"), Gbk::cutToBytes(strDevice, kShortTextBytes));
    ini.setInteger(kCommunication, QStringLiteral("giCommStyle"), giCommStyle);
    ini.setInteger(kCommunication, QStringLiteral("giCommPort"), giCommPort);
    ini.setInteger(kCommunication, QStringLiteral("giBaudRate"), giBaudRate);
    for (auto it = gSerialPortAssignments.cbegin(); it != gSerialPortAssignments.cend(); ++it)
        ini.setValue(QStringLiteral("SerialPorts"), QStringLiteral("COM%1").arg(it.key()), it.value());
    // The user's configuration folder may not exist yet. A file that exists but could not be read
    // is not written over: its contents are unknown.
    QDir().mkpath(QFileInfo(ini.path()).absolutePath());
    Outcome saved = ini.save();
    if (!saved)
        ShowMessage(QStringLiteral("Unable to write to %1").arg(ini.path()), AppTitle(), MsgIcon::Error);
    return saved;
}

void ResetSharedState() {
    iTestTime = 5;
    iCurrentStep = 0;
    strCurrentStep = QStringLiteral("100 A");
    strTestResult.clear();
    strTestUser.clear();
    strTestAdd.clear();
    strDevice.clear();
    ghUsbDevice = 0;
    giRecordCount = 0;
    giDeviceType = 1;
    gbDeviceConnected = false;
    giCommStyle = 0;
    giCommPort = 3;
    giBaudRate = 6;
    gSerialPortAssignments.clear();
}

QString FormatTestTime(const QDateTime& when) {
    const QDate d = when.date();
    const QTime t = when.time();
    return QString::asprintf("%02d-%02d-%02d %02d:%02d", d.year() % 100, d.month(), d.day(), t.hour(),
                             t.minute());
}

QString FormatFileStamp(const QDateTime& when) {
    const QDate d = when.date();
    const QTime t = when.time();
    return QString::asprintf("%02d-%02d-%02d %02d-%02d-%02d", d.year() % 100, d.month(), d.day(), t.hour(),
                             t.minute(), t.second());
}

int CurrentStepAmperes(unsigned code) {
    if (code >= 1 && code <= 6)
        return int(code) * 100;
    if (code >= 7 && code <= 13)
        return (int(code) - 4) * 10;
    if (code >= 14 && code <= 22)
        return (int(code) - 3) * 10;
    return 0;
}

QString CurrentStepText(unsigned code) {
    const int amperes = CurrentStepAmperes(code);
    return amperes ? QString::asprintf("%d A", amperes) : QString();
}

QString OfferedStepText(uint8_t flag, unsigned code) {
    return flag == 1 ? CurrentStepText(code) : QString();
}

int CurrentStepCode(const QString& text) {
    const qsizetype mark = text.indexOf(QLatin1String(" A"));
    const QString number = TrimText(mark < 0 ? QString() : text.left(mark));
    // Leading integer: optional blanks and sign, then digits up to the first non-digit.
    qsizetype i = 0;
    while (i < number.size() && number.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < number.size() && (number.at(i) == QLatin1Char('-') || number.at(i) == QLatin1Char('+'))) {
        negative = number.at(i) == QLatin1Char('-');
        ++i;
    }
    long long value = 0;
    while (i < number.size() && number.at(i) >= QLatin1Char('0') && number.at(i) <= QLatin1Char('9')) {
        value = std::min<long long>(value * 10 + (number.at(i).unicode() - '0'), 1'000'000'000LL);
        ++i;
    }
    if (negative)
        value = -value;
    for (unsigned code = 1; code <= 22; ++code)
        if (CurrentStepAmperes(code) == value)
            return int(code);
    return 1;
}

float ScaledValue(const uint8_t* bytes) {
    const int32_t mantissa = int32_t(uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 |
                                     uint32_t(bytes[2]) << 8 | uint32_t(bytes[3]));
    const int exponent = bytes[4];
    return float(double(mantissa) / std::pow(10.0, exponent));
}

QString FormatReading(const uint8_t* bytes, int kind) {
    const double value = ScaledValue(bytes);
    switch (kind) {
    case 1:
        return QString::asprintf("%.1f A", value);
    case 2:
        return value > 1.0 ? QString::asprintf("%.1f V", value)
                           : QString::asprintf("%.1f mV", value * 1000.0);
    case 3:
        return value > 1.0 ? QString::asprintf("%.1f Ω", value)
                           : QString::asprintf("%.1f uΩ", value * 1000000.0);
    default:
        return {};
    }
}

QString SymbolCodeText(const uint8_t* bytes) {
    QString text;
    for (int i = 0; i < 8; ++i) {
        const uint8_t b = bytes[i];
        if (b <= 9)
            text += QChar('0' + b);
        else if (b <= 35)
            text += QChar(b + 55);
        else if (b <= 61)
            text += QChar(b + 61);
    }
    return text;
}

QString InstrumentTimeText(uint8_t year, uint8_t month, uint8_t day, uint8_t hour, uint8_t minute) {
    return QStringLiteral("%1-%2-%3 %4:%5")
        .arg(TwoHexDigits(year), TwoHexDigits(month), TwoHexDigits(day), TwoHexDigits(hour),
             TwoHexDigits(minute));
}

QString UploadedResistanceText(uint8_t high, uint8_t mid, uint8_t low) {
    const uint32_t tenths = uint32_t(high) << 16 | uint32_t(mid) << 8 | uint32_t(low);
    return QString::asprintf("%.1f uΩ", tenths / 10.0);
}

QString LoadTimeText(int seconds) {
    return QString::asprintf("%d 秒", seconds);
}

QString RowNumberText(int row) {
    return QString::asprintf("%2d", row);
}

QString ByteTraceLine(int offset, uint8_t byte) {
    return QString::asprintf("(%2d)--", offset) + TwoHexDigits(byte);
}

void Delay(uint16_t ms) {
    if (!QCoreApplication::instance()) {
        QThread::msleep(ms);
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(std::chrono::milliseconds(ms), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

QString LeftText(const QString& text, int count) {
    return count <= 0 ? QString() : text.left(count);
}

QString RightText(const QString& text, int count) {
    return count <= 0 ? QString() : text.right(count);
}

QString TrimText(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

int HexDigitValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}
