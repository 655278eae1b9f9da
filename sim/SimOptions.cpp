#include "sim/SimOptions.h"

#include "core/ProfileFile.h"

#include <QFile>
#include <QRegularExpression>

namespace {

bool Fail(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}

std::optional<int> Number(const QString& text) {
    return ProfileFile::parseInteger(text.trimmed());
}

std::optional<QByteArray> Hex(const QString& text) {
    const QString digits = text.trimmed().remove(QLatin1Char(' '));
    static const QRegularExpression hex(QStringLiteral("^([0-9A-Fa-f]{2})*$"));
    if (!hex.match(digits).hasMatch())
        return std::nullopt;
    return QByteArray::fromHex(digits.toLatin1());
}

bool ParseRecord(const QString& value, SimSetup& setup, QString* error) {
    const QStringList f = value.split(QLatin1Char(','));
    const QDateTime when = QDateTime::fromString(f.value(0).trimmed(), QStringLiteral("yy-MM-dd HH:mm"));
    const auto step = Number(f.value(4));
    const auto seconds = Number(f.value(5));
    const auto tenths = Number(f.value(6));
    if (f.size() != 7 || !when.isValid() || !step || !seconds || !tenths)
        return Fail(error, QStringLiteral("record needs: YY-MM-DD hh:mm,device,tester,location,step,"
                                          "seconds,tenths of a micro-ohm"));
    if (setup.records.size() >= 255)
        return Fail(error, QStringLiteral("the instrument keeps at most 255 records"));
    setup.records.append(SimRecord{when.addYears(100 * (when.date().year() < 2000)), f[1].trimmed(),
                                   f[2].trimmed(), f[3].trimmed(), uint8_t(*step), uint8_t(*seconds),
                                   uint32_t(*tenths) & 0xFFFFFF}
                             .frame());
    return true;
}

} // namespace

bool ApplyFault(const QString& fault, SimFaults& faults, QString* error) {
    const QString name = fault.section(QLatin1Char('='), 0, 0).trimmed().toLower();
    const QString value = fault.section(QLatin1Char('='), 1);
    const auto number = Number(value);
    if (name == QLatin1String("none")) {
        faults = {};
    } else if (name == QLatin1String("no-reply")) {
        faults.noReply = true;
    } else if (name == QLatin1String("short") && number && *number >= 0) {
        faults.shortReply = *number;
    } else if ((name == QLatin1String("stray") || name == QLatin1String("surplus")) && Hex(value)) {
        (name == QLatin1String("stray") ? faults.strayBefore : faults.surplusAfter) = *Hex(value);
    } else if (name == QLatin1String("status") && number && (*number == 0x81 || *number == 0x82)) {
        faults.pollStatus = uint8_t(*number);
    } else if (name == QLatin1String("die-after") && number && *number >= 0) {
        faults.dieAfter = *number;
    } else if (name == QLatin1String("only") && number && *number >= 0 && *number <= 0xFF) {
        faults.onlyCode = uint8_t(*number);
    } else {
        return Fail(error, QStringLiteral("unknown fault \"%1\"").arg(fault));
    }
    return true;
}

bool ApplySetupEntry(const QString& key, const QString& value, SimSetup& setup, QString* error) {
    const QString k = key.trimmed().toLower();
    const auto number = Number(value);
    if (k == QLatin1String("record"))
        return ParseRecord(value, setup, error);
    if (k == QLatin1String("records")) {
        if (value.trimmed() == QLatin1String("demo"))
            setup.records = DemoRecords();
        else if (number && *number >= 0 && *number <= 255)
            setup.records = GeneratedRecords(*number);
        else
            return Fail(error, QStringLiteral("records: \"demo\" or 0..255"));
        return true;
    }
    if (k == QLatin1String("identity") && number && *number >= 0 && *number <= 255) {
        setup.identity = uint8_t(*number);
        return true;
    }
    if (k == QLatin1String("serial")) {
        const auto bytes = Hex(value);
        if (!bytes || bytes->size() != 8)
            return Fail(error, QStringLiteral("serial: 16 hexadecimal digits"));
        std::copy(bytes->begin(), bytes->end(), setup.serial.begin());
        return true;
    }
    if (k == QLatin1String("usb-serial")) {
        setup.usbSerialString = value.trimmed();
        return true;
    }
    if (k == QLatin1String("steps")) {
        if (value.trimmed() == QLatin1String("all")) {
            setup.stepFlags = SimSetup::allSteps();
            return true;
        }
        setup.stepFlags = {};
        for (const QString& part : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const auto code = Number(part);
            if (!code || *code < 1 || *code > 22)
                return Fail(error, QStringLiteral("steps: codes 1..22 or \"all\""));
            setup.stepFlags[size_t(*code - 1)] = 1;
        }
        return true;
    }
    if (k == QLatin1String("fault"))
        return ApplyFault(value, setup.faults, error);
    return Fail(error, QStringLiteral("cannot use \"%1=%2\"").arg(key, value));
}

bool LoadSetupFile(const QString& path, SimSetup& setup, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return Fail(error, QStringLiteral("cannot read %1").arg(path));
    int lineNumber = 0;
    while (!file.atEnd()) {
        ++lineNumber;
        const QString line = QString::fromUtf8(file.readLine()).section(QLatin1Char('#'), 0, 0).trimmed();
        if (line.isEmpty())
            continue;
        QString why;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0 || !ApplySetupEntry(line.left(eq), line.mid(eq + 1), setup, &why))
            return Fail(
                error, QStringLiteral("%1:%2: %3").arg(path).arg(lineNumber).arg(why.isEmpty() ? line : why));
    }
    return true;
}

QList<QByteArray> GeneratedRecords(int count) {
    static const char* const testers[] = {"ZHANG", "LI", "WANG", "ZHAO"};
    static const char* const places[] = {"SUB1", "SUB2", "LAB1", "GIS"};
    QList<QByteArray> records;
    const QDateTime start(QDate(2024, 3, 1), QTime(8, 0));
    for (int i = 0; i < std::clamp(count, 0, 255); ++i) {
        const SimRecord r{start.addSecs(qint64(i) * 1740),
                          QStringLiteral("QF%1").arg(100 + i),
                          QString::fromLatin1(testers[i % 4]),
                          QString::fromLatin1(places[i / 16 % 4]),
                          uint8_t(i % 22 + 1),
                          uint8_t(5 + i % 12 * 5),
                          uint32_t(800 + (i * 7919) % 30000)};
        records.append(r.frame());
    }
    return records;
}

bool WriteSerialPortMapping(const QString& iniPath, int port, const QString& device) {
    ProfileFile ini(iniPath);
    static_cast<void>(ini.load()); // a file that cannot be read is not written over
    ini.setValue(QStringLiteral("SerialPorts"), QStringLiteral("COM%1").arg(port), device);
    return ini.save().ok();
}
