#pragma once
// What the archive benchmarks share: the made-up devices and tests they fill an archive with, and
// a step's wall time.
#include "core/TestRecord.h"
#include "core/UDataCenter.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>
#include <functional>

namespace bench {

inline QString Device(int d) {
    return QStringLiteral("QF%1").arg(d, 5, 10, QLatin1Char('0'));
}

// Tests of a device a day apart from 2020 on, at 100 A mostly and 200 A now and then.
inline TestRecord::Texts Texts(int device, int test, int row) {
    const QDateTime when =
        QDateTime(QDate(2020, 1, 1), QTime(8, 0)).addDays(test).addSecs(60 * (device % 600));
    const int step = test % 10 == 9 ? 2 : 1;
    return {RowNumberText(row),
            FormatTestTime(when),
            Device(device),
            QStringLiteral("张工"),
            QStringLiteral("站%1").arg(device / 100),
            CurrentStepText(unsigned(step)),
            LoadTimeText(5),
            QStringLiteral("%1 uΩ").arg(40.0 + (device * 13 + test * 7) % 300 * 0.1, 0, 'f', 1)};
}

inline double Ms(const std::function<void()>& step) {
    QElapsedTimer timer;
    timer.start();
    step();
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace bench
