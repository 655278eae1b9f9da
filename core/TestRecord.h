#pragma once
// One test as a value: the eight display texts the grid, the files and the report show, and beside
// them the values they were made from, where those are known. A record decoded from an instrument
// reply carries every value (and the reply bytes); a record read from a file carries its texts and
// whatever of them reads back by the forms the program writes. Nothing is guessed.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// A reading as the instrument scales it: ohms = mantissa / 10^exponent. Kept as the two integers
// so no digit is lost; an uploaded resistance of 1234.5 µΩ is 12345 / 10^7.
struct ScaledReading {
    int64_t mantissa = 0;
    int exponent = 0;
    double value() const;     // in the reading's own unit (ohms for a resistance)
    double microOhms() const; // value() × 10^6
    bool operator==(const ScaledReading&) const = default;
};

struct TestRecord {
    static constexpr int ColumnCount = 8;
    using Texts = std::array<QString, ColumnCount>;
    // Columns 0..7: number, time, device number, tester, location, current step, load time,
    // resistance, exactly as shown.
    Texts texts;

    std::optional<QDateTime> testTime; // local time, to the minute
    QString device;                    // the field texts (the same as texts 2..4, trimmed)
    QString tester;
    QString location;
    std::optional<int> stepCode;    // 1..22
    std::optional<int> stepAmperes; // 30..600
    std::optional<int> loadSeconds;
    std::optional<ScaledReading> resistance;
    std::optional<double> microOhms;
    QByteArray rawReply; // the instrument's reply, for an uploaded record

    // A record read back from its texts (a file, a workbook, the grid).
    static TestRecord FromTexts(const Texts& texts);

    // A test measured from the PC, numbered as row `row`: the texts as the live test dialog leaves
    // them, with the values they were made from. The resistance reading is kept when the text is
    // the one the reading shows; a text typed over it is kept as text only.
    struct LiveTest {
        QDateTime when;
        QString device;
        QString tester;
        QString location;
        int stepCode = 0;
        int loadSeconds = 0;
        QString resistanceText;
        std::optional<ScaledReading> resistance;
        QString resistanceShown; // the text the reading was shown as
        QByteArray pollReply;
    };
    static TestRecord FromLiveTest(int row, const LiveTest& test);

    // The same test met anywhere (an upload, a backup, a .txt, a workbook) has the same identity:
    // 40 hexadecimal digits derived from time, device number, step, load time and resistance at
    // the precision the texts show. The row number does not take part.
    QByteArray identity() const;
    // The test time as "yyyy-MM-ddThh:mm" (how the archive keeps and compares it); null when the
    // time text does not read.
    QString timeKey() const;
};
