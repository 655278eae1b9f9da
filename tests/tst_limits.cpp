// Resistance limits per device number: held by the register (the settings file's limits of earlier
// versions move there once), and shown in the record grid as a red resistance cell with the text
// "超过限值 N uΩ" for tool tip and screen reader. Without limits the grid looks as it always did.
#include "archive/ProgramArchive.h"
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "tests/support/TestSupport.h"
#include "ui/UDlgHistory.h"
#include "ui/UMain.h"

#include <QAccessible>
#include <QChart>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Grid rows: QF1 over its limit, QF1 under it, QF2 (no limit) high, and QF1 unparsable.
void FillRows(TFrmMain& window) {
    const QList<RecordGrid::Row> rows{
        {" 1", "26-01-10 09:00", "QF1", "", "", "100 A", "5 秒", "150.0 uΩ"},
        {" 2", "26-01-10 09:05", "QF1", "", "", "100 A", "5 秒", "50.0 uΩ"},
        {" 3", "26-01-10 09:10", "QF2", "", "", "100 A", "5 秒", "150.0 uΩ"},
        {" 4", "26-01-10 09:15", "QF1", "", "", "100 A", "5 秒", "150 mΩ"},
    };
    window.Grid()->setGridRowCount(int(rows.size()) + 1);
    for (int r = 1; r <= rows.size(); ++r)
        window.Grid()->setRow(r, rows.at(r - 1));
    giRecordCount = int(rows.size());
}

// A point inside the resistance cell of model row `row`, clear of its centred text.
QColor CellColour(TFrmMain& window, const QImage& image, int row) {
    const QRect cell = window.SGData->visualRect(window.SGData->model()->index(row, 7));
    return image.pixelColor(cell.left() + 3, cell.center().y());
}

QImage Grab(TFrmMain& window) {
    window.SGData->viewport()->update();
    QCoreApplication::processEvents();
    return window.SGData->viewport()->grab().toImage();
}

const QColor kRed(0xD0, 0x00, 0x00);

} // namespace

class TstLimits : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetSharedState(); }

    // A run that opened the history and set and cleared a limit writes the same first-run file as
    // a run that never had one.
    void firstRunFileStaysAsSpecified() {
        QByteArray plain;
        {
            TempProgramDir dir;
            { TFrmMain window; }
            plain = ReadAll(SettingsFilePath());
        }
        QVERIFY(plain.startsWith("[SetParam]\r\n"));
        TempProgramDir dir;
        {
            MessageRecorder messages;
            TFrmMain window;
            FillRows(window);
            TFrmHistory dialog(*window.Grid(), giRecordCount, QStringLiteral("QF1"));
            dialog.EdtLimit->setText(QStringLiteral("100"));
            dialog.BtnSetLimit->click();
            QCOMPARE(ProgramArchive::shared().registerLimit(QStringLiteral("qf1")), QStringLiteral("100"));
            QVERIFY(!QFile::exists(SettingsFilePath())); // the settings are written at exit
            dialog.BtnClearLimit->click();
        }
        QCOMPARE(ReadAll(SettingsFilePath()), plain);
    }

    // The limits an earlier version kept in the settings file go into the register at the first
    // start, as written; from then on the register alone holds them, and the file keeps what it had.
    // The history window shows and takes them as exactly as the register keeps them.
    void limitsMoveIntoTheRegisterOnce() {
        TempProgramDir dir;
        const QByteArray settings = "[Mine]\r\nkeep=1\r\n[DeviceLimits]\r\nQF1=100\r\n变压器甲=1677721.5\r\n"
                                    "QF3=0\r\nQF4=abc\r\nQF5=0.0004\r\nQF6=65.12345\r\n";
        WriteAll(SettingsFilePath(), settings);
        const auto limit = [](const char* device) {
            return ProgramArchive::shared().registerLimit(QString::fromUtf8(device));
        };
        {
            TFrmMain window;
            QCOMPARE(limit("qf1"), QStringLiteral("100"));
            QCOMPARE(limit("变压器甲"), QStringLiteral("1677721.5"));
            QCOMPARE(limit("qf5"), QStringLiteral("0.0004"));
            QCOMPARE(limit("qf6"), QStringLiteral("65.12345"));
            QVERIFY(limit("QF3").isEmpty() && limit("QF4").isEmpty());
            QVERIFY(ProgramArchive::shared().setRegisterLimit(QStringLiteral("QF1"), QString()));
            QVERIFY(ProgramArchive::shared().setRegisterLimit(QStringLiteral("A=B"), QStringLiteral("2.5")));

            MessageRecorder messages;
            FillRows(window);
            TFrmHistory history(*window.Grid(), giRecordCount, QStringLiteral("QF5"));
            QCOMPARE(history.EdtLimit->text(), QStringLiteral("0.0004"));
            history.EdtDevice->setText(QStringLiteral("QF2"));
            history.BtnQuery->click();
            for (const char* typed : {"0.00005", "1e308", "inf"}) {
                history.EdtLimit->setText(QString::fromLatin1(typed));
                history.BtnSetLimit->click();
            }
            QCOMPARE(messages.texts(), (QStringList{QStringLiteral("限值“1e308”不是普通的十进制数"),
                                                    QStringLiteral("限值“inf”不是普通的十进制数")}));
            QCOMPARE(limit("qf2"), QStringLiteral("0.00005"));
            QCOMPARE(history.Chart()->series().last()->name(), QStringLiteral("限值 0.00005 uΩ"));
        }
        QVERIFY(ReadAll(SettingsFilePath()).startsWith(settings));
        {
            TFrmMain window;
            QVERIFY(limit("QF1").isEmpty()); // moved once: cleared stays cleared
            QCOMPARE(limit("变压器甲"), QStringLiteral("1677721.5"));
            QCOMPARE(limit("a=b"), QStringLiteral("2.5"));
        }
    }

    void gridMarksRecordsAboveTheirLimit() {
        TempProgramDir dir;
        WriteAll(SettingsFilePath(), "[DeviceLimits]\r\nqf1=100\r\n");
        TFrmMain window;
        window.show();
        FillRows(window);
        const QImage image = Grab(window);
        QCOMPARE(CellColour(window, image, 0), kRed);
        const QColor base = window.SGData->palette().color(QPalette::Base);
        QCOMPARE(CellColour(window, image, 1), base); // under the limit
        QCOMPARE(CellColour(window, image, 2), base); // another device
        QCOMPARE(CellColour(window, image, 3), base); // not a reading in uΩ
        // Only the resistance cell: the load time beside it stays plain.
        const QRect loadTime = window.SGData->visualRect(window.SGData->model()->index(0, 6));
        QCOMPARE(image.pixelColor(loadTime.left() + 3, loadTime.center().y()), base);

        const QAbstractItemModel* model = window.SGData->model();
        QCOMPARE(model->index(0, 7).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("不合格：超过限值 100 uΩ"));
        QCOMPARE(model->index(1, 7).data(Qt::ToolTipRole).toString(), QStringLiteral("合格"));
        QVERIFY(model->index(2, 7).data(Qt::ToolTipRole).toString().isEmpty()); // no limit, no rule
        QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(window.SGData);
        QVERIFY(grid && grid->tableInterface());
        QAccessibleInterface* cell = grid->tableInterface()->cellAt(0, 7);
        QVERIFY(cell);
        QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("150.0 uΩ"));
        QCOMPARE(cell->text(QAccessible::Description), QStringLiteral("不合格：超过限值 100 uΩ"));
        QCOMPARE(grid->tableInterface()->cellAt(1, 7)->text(QAccessible::Description),
                 QStringLiteral("合格"));

        // A selected row keeps its highlight; the mark frames the resistance cell in red on it.
        const QColor highlight(0, 0, 160);
        QPalette palette = window.SGData->palette();
        palette.setColor(QPalette::Highlight, highlight);
        window.SGData->setPalette(palette);
        window.SGData->selectRow(0);
        const QImage selected = Grab(window);
        const QRect marked = window.SGData->visualRect(window.SGData->model()->index(0, 7));
        QCOMPARE(selected.pixelColor(marked.left() + 1, marked.center().y()), kRed);
        QCOMPARE(selected.pixelColor(marked.center().x(), marked.top() + 1), kRed);
        QCOMPARE(selected.pixelColor(marked.left() + 6, marked.center().y()), highlight);
        QCOMPARE(selected.pixelColor(loadTime.left() + 3, loadTime.center().y()), highlight);

        // A limit set while the grid is shown redraws it.
        QVERIFY(ProgramArchive::shared().setRegisterLimit(QStringLiteral("QF2"), QStringLiteral("149")));
        QCOMPARE(CellColour(window, Grab(window), 2), kRed);
    }

    // The settings go out in one write at exit: a file that cannot be written is told once, and
    // stays as it was.
    void settingsThatCannotBeWrittenAreToldOnce() {
        TempProgramDir dir;
        QByteArray original = "[SetParam]\r\niTestTime=9\r\n[Mine]\r\n";
        for (int i = 0; original.size() < 20000; ++i)
            original += "entry" + QByteArray::number(i) + "=kept as it is\r\n";
        WriteAll(SettingsFilePath(), original);
        MessageRecorder messages;
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        {
            TFrmMain window;
            strTestUser = QStringLiteral("李工");
            const rlimit small{4096, limit.rlim_max}; // the disk takes no more than this
            setrlimit(RLIMIT_FSIZE, &small);
        }
        setrlimit(RLIMIT_FSIZE, &limit);
        QCOMPARE(messages.texts(),
                 QStringList{QStringLiteral("Unable to write to %1").arg(SettingsFilePath())});
        QCOMPARE(ReadAll(SettingsFilePath()), original);
    }

    // Without limits, or with limits of devices the grid does not show, every pixel is the same.
    void gridWithoutMarksLooksAsBefore() {
        TempProgramDir dir;
        QImage without;
        {
            TFrmMain window;
            window.show();
            FillRows(window);
            without = Grab(window);
        }
        WriteAll(SettingsFilePath(), "[DeviceLimits]\r\nQF9=1\r\n");
        TFrmMain window;
        window.show();
        FillRows(window);
        QCOMPARE(Grab(window), without);
        QVERIFY(window.SGData->model()->index(0, 7).data(Qt::ToolTipRole).isNull());
    }
};

QTEST_MAIN(TstLimits)
#include "tst_limits.moc"
