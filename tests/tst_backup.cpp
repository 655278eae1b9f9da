// Automatic backups: every upload, complete or cut short, lands in 测试记录/自动备份 as the very
// bytes "保存" writes for those rows; every saved live test is added to the day's file; a backup
// that cannot be written is told once, after the flow, and never stops it.
#include "core/GbkText.h"
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "history/AutoBackup.h"
#include "report/DataFile.h"
#include "tests/support/SimHarness.h"
#include "tests/support/TestSupport.h"
#include "ui/UDlgTest.h"
#include "ui/UMain.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

namespace {

QList<QByteArray> Records(int count) {
    QList<QByteArray> records;
    for (int k = 1; k <= count; ++k)
        records.append(SimRecord{QDateTime(QDate(2024, 3, 15), QTime(9, k)), QStringLiteral("QF%1").arg(k),
                                 QStringLiteral("LI"), QStringLiteral("LAB"), uint8_t(1 + k % 3), 5,
                                 uint32_t(1000 + k)}
                           .frame());
    return records;
}

QStringList BackupFiles() {
    return QDir(BackupFolder()).entryList(QDir::Files, QDir::Name);
}

// What "保存" writes for the window's grid as it stands, through the save command's own path.
QByteArray SavedBytes(TFrmMain& window, const QString& path) {
    FolderRecorder folders;
    window.SaveToTextFile(path);
    return FileBytes(path);
}

// A plain file where the backup folder should be: the folder cannot be created.
void BlockBackupFolder() {
    QDir().mkpath(EnsureDataFolder());
    QFile blocker(BackupFolder());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
}

void Connected(TFrmMain& window) {
    gbDeviceConnected = true;
    window.UpdateButtons();
}

} // namespace

class TstBackup : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetSharedState(); }

    void uploadIsBackedUpAsTheSaveWritesIt_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("dieAfter"); // requests answered; -1: all
        QTest::addColumn<int>("backedUp"); // records in the backup; 0: no backup file
        QTest::newRow("complete, 12 records") << 12 << -1 << 12;
        QTest::newRow("cut short at record 5 of 10") << 10 << 5 << 4;
        QTest::newRow("first record fails: nothing received") << 10 << 1 << 0;
    }

    void uploadIsBackedUpAsTheSaveWritesIt() {
        QFETCH(int, stored);
        QFETCH(int, dieAfter);
        QFETCH(int, backedUp);
        TempProgramDir dir;
        SimSetup setup;
        setup.records = Records(stored);
        setup.faults.dieAfter = dieAfter;
        UsbSim usb(setup);
        usb.pointProgramAt();
        MessageRecorder messages;
        FolderRecorder folders;
        TFrmMain window;
        Connected(window);
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        window.BtnSampleData->click();
        const QDateTime after = QDateTime::currentDateTime().addSecs(1);
        QCOMPARE(messages.texts(), dieAfter < 0 ? QStringList() : QStringList{QStringLiteral("通讯失败！")});
        QVERIFY(folders.folders.isEmpty()); // no folder opened
        const QStringList files = BackupFiles();
        if (backedUp == 0) {
            QVERIFY(files.isEmpty());
            return;
        }
        QCOMPARE(files.size(), 1);
        const QRegularExpression name(
            QStringLiteral("^上传 (\\d\\d-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d)\\.txt$"));
        const QRegularExpressionMatch match = name.match(files.first());
        QVERIFY2(match.hasMatch(), qPrintable(files.first()));
        const QDateTime stamp = QDateTime::fromString(QStringLiteral("20") + match.captured(1),
                                                      QStringLiteral("yyyy-MM-dd hh-mm-ss"));
        QVERIFY(stamp >= before && stamp <= after);
        const QByteArray backup = FileBytes(BackupFolder() + QLatin1Char('/') + files.first());
        // Exactly the rows read: a save of a grid holding only them writes the same bytes.
        window.Grid()->setGridRowCount(backedUp + 1);
        giRecordCount = backedUp;
        QCOMPARE(backup, SavedBytes(window, dir.filePath(QStringLiteral("saved.txt"))));
        QVERIFY(backup.contains(Gbk::encode(QStringLiteral("设备编号=QF%1\r\n").arg(backedUp))));
        QVERIFY(!backup.contains(Gbk::encode(QStringLiteral("设备编号=QF%1\r\n").arg(backedUp + 1))));
        QVERIFY(backup.startsWith(QByteArray("\xD0\xF2\xBA\xC5=1\r\n"))); // 序号=1 in GBK
        QCOMPARE(backup.count(QByteArray("\xD0\xF2\xBA\xC5=")), backedUp);
    }

    void twoUploadsInOneSecondKeepBoth() {
        TempProgramDir dir;
        TFrmMain window;
        window.Grid()->setGridRowCount(2);
        window.Grid()->setRow(
            1, RecordGrid::Row{" 1", "24-03-15 09:41", "A", "", "", "100 A", "5 秒", "1.0 uΩ"});
        const QDateTime when(QDate(2026, 12, 9), QTime(10, 31, 7));
        QVERIFY(BackUpUpload(*window.Grid(), 1, when));
        QVERIFY(BackUpUpload(*window.Grid(), 1, when));
        QCOMPARE(BackupFiles(), (QStringList{QStringLiteral("上传 26-12-09 10-31-07 (2).txt"),
                                             QStringLiteral("上传 26-12-09 10-31-07.txt")}));
    }

    // Saved live tests from the dialog, on the virtual instrument: the day's file holds them as
    // the save of those rows would, and an older day's file with other blocks grows by them.
    void liveTestSavesAreAddedToTheDayFile() {
        TempProgramDir dir;
        MessageRecorder messages;
        SimSetup setup;
        setup.stepFlags = SimSetup::steps({1, 7});
        setup.testMicroOhmTenths = 1200;
        UsbSim usb(setup);
        usb.pointProgramAt();
        TFrmMain window;
        QPointer<TFrmTest> dialog = new TFrmTest(&window);
        dialog->show();
        dialog->EdtDeviceNum->setText(QStringLiteral("QF-101"));
        dialog->EdtTestUser->setText(QStringLiteral("李工"));
        dialog->EdtTestAdd->setText(QStringLiteral("一号站"));
        dialog->BtnTest->click();
        while (dialog->Timer1->isActive())
            dialog->Timer1Timer();
        dialog->BtnOK->click();
        dialog->BtnOK->click();
        delete dialog;
        QVERIFY(messages.messages.isEmpty());
        QCOMPARE(giRecordCount, 2);
        const QString dayFile =
            BackupFolder() + QStringLiteral("/测试 %1.txt").arg(QDate::currentDate().toString("yyyy-MM-dd"));
        QCOMPARE(BackupFiles(), QStringList{QFileInfo(dayFile).fileName()});
        const QByteArray day = FileBytes(dayFile);
        QCOMPARE(day.count(Gbk::encode(QStringLiteral("测试电阻=120.0 uΩ\r\n"))), 2);
        QCOMPARE(day, SavedBytes(window, dir.filePath(QStringLiteral("saved.txt"))));

        // A later save continues the numbering of the file, whatever row it takes in the grid.
        window.ClearGrid();
        strDevice = QStringLiteral("QF-102");
        strTestResult = QStringLiteral("99.0 uΩ");
        iCurrentStep = 7;
        window.AppendTestRow();
        const QByteArray grown = FileBytes(dayFile);
        QVERIFY(grown.startsWith(day));
        window.Grid()->setCell(0, 1, QStringLiteral(" 3"));
        const QByteArray third = DataFileBytes(*window.Grid(), 1);
        QCOMPARE(grown.mid(day.size()), third);
        QVERIFY(third.startsWith(QByteArray("\xD0\xF2\xBA\xC5=3\r\n")));
    }

    // A record with characters GBK lacks, saved after a plain one: the whole day's file still reads
    // back to both records as they were typed.
    void dayFileKeepsOneEncoding() {
        TempProgramDir dir;
        MessageRecorder messages;
        TFrmMain window;
        const QStringList devices{QStringLiteral("一号主变"), QStringLiteral("€ 😀 ḿ")};
        for (const QString& device : devices) {
            strDevice = device;
            strTestResult = QStringLiteral("12.5 uΩ");
            window.AppendTestRow();
        }
        QVERIFY(messages.messages.isEmpty());
        const QString dayFile = dir.filePath(
            QStringLiteral("测试记录/自动备份/测试 %1.txt").arg(QDate::currentDate().toString("yyyy-MM-dd")));
        const Result<DataFileRecords> read = ReadDataFile(dayFile);
        QVERIFY(read && !read->blank);
        QCOMPARE(read->recordCount, 2);
        for (int k = 0; k < 2; ++k) {
            QCOMPARE(read->rows.at(size_t(k)).at(2), devices.at(k));
            QCOMPARE(read->rows.at(size_t(k)).at(0).trimmed(), QString::number(k + 1));
        }
    }

    // Something else under the day file's name is never overwritten by a backup.
    void dayFileThatIsNotADataFileIsLeftAlone() {
        TempProgramDir dir;
        QDir().mkpath(BackupFolder());
        const QString dayFile =
            BackupFolder() + QStringLiteral("/测试 %1.txt").arg(QDate::currentDate().toString("yyyy-MM-dd"));
        const QByteArray foreign("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16);
        {
            QFile file(dayFile);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(foreign);
        }
        MessageRecorder messages;
        TFrmMain window;
        strDevice = QStringLiteral("QF1");
        window.AppendTestRow();
        QCOMPARE(giRecordCount, 1);
        QCOMPARE(FileBytes(dayFile), foreign);
        QCOMPARE(messages.texts().size(), 1);
        QVERIFY(messages.texts().first().contains(QFileInfo(dayFile).fileName()));
    }

    void failedBackupIsToldOnceAfterTheFlow_data() {
        QTest::addColumn<int>("dieAfter");
        QTest::addColumn<QString>("first"); // the flow's own message, if any
        QTest::newRow("complete upload") << -1 << QString();
        QTest::newRow("upload cut short") << 3 << QStringLiteral("通讯失败！");
    }

    void failedBackupIsToldOnceAfterTheFlow() {
        QFETCH(int, dieAfter);
        QFETCH(QString, first);
        TempProgramDir dir;
        SimSetup setup;
        setup.records = Records(4);
        setup.faults.dieAfter = dieAfter;
        UsbSim usb(setup);
        usb.pointProgramAt();
        BlockBackupFolder();
        MessageRecorder messages;
        TFrmMain window;
        Connected(window);
        window.BtnSampleData->click();
        QStringList texts = messages.texts();
        if (!first.isEmpty())
            QCOMPARE(texts.takeFirst(), first);
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts.first().contains(QDir::toNativeSeparators(BackupFolder() + QStringLiteral("/上传 "))),
                 qPrintable(texts.first()));
        QCOMPARE(messages.messages.last().caption, AppTitle());
        QCOMPARE(window.Grid()->cell(2, 1), QStringLiteral("QF1")); // the records are there all the same
        QCOMPARE(giRecordCount, dieAfter < 0 ? 4 : dieAfter - 1);
    }

    // The day's file grows by the very blocks "保存" writes for the saved rows, whatever the device
    // numbers hold: what is in the file is never read back as records and written again.
    void dayFileGrowsByTheBlocksAsSaved() {
        TempProgramDir dir;
        MessageRecorder messages;
        TFrmMain window;
        for (const char* device : {"时间1", "序号7", "测试档位=600 A", "[试验结果]", "QF1"}) {
            strDevice = QString::fromUtf8(device);
            strTestResult = QStringLiteral("12.5 uΩ");
            window.AppendTestRow();
        }
        QVERIFY(messages.messages.isEmpty());
        const QString dayFile =
            BackupFolder() + QStringLiteral("/测试 %1.txt").arg(QDate::currentDate().toString("yyyy-MM-dd"));
        QCOMPARE(FileBytes(dayFile), SavedBytes(window, dir.filePath(QStringLiteral("saved.txt"))));
    }

    void writeThatDoesNotReachTheDiskFails_data() {
        QTest::addColumn<QString>("what");
        QTest::newRow("保存 over an older file") << "save";
        QTest::newRow("upload backup") << "upload";
        QTest::newRow("live test added to the day's file") << "day";
    }

    // A write the system refuses part-way (here the file size limit, as a full disk does) fails
    // with the system's reason, leaves the old file as it was and leaves nothing else behind.
    void writeThatDoesNotReachTheDiskFails() {
        QFETCH(QString, what);
        TempProgramDir dir;
        MessageRecorder messages;
        FolderRecorder folders;
        TFrmMain window;
        Rows rows;
        for (int k = 1; k <= 60; ++k)
            rows << QStringList{QString::number(k),
                                "24-03-15 09:41",
                                QStringLiteral("QF%1").arg(k),
                                "李工",
                                "一号站",
                                "100 A",
                                "5 秒",
                                "120.0 uΩ"};
        FillGrid(*window.Grid(), rows);
        giRecordCount = int(rows.size());
        const QByteArray old = DataFileBytes(*window.Grid(), giRecordCount);
        QVERIFY(old.size() > 4096 && old.size() < 16384); // more than the limit, less than a buffer
        QDir().mkpath(BackupFolder());
        const QString oldFile =
            what == "save" ? dir.filePath(QStringLiteral("saved.txt"))
            : what == "day"
                ? BackupFolder() +
                      QStringLiteral("/测试 %1.txt").arg(QDate::currentDate().toString("yyyy-MM-dd"))
                : QString();
        if (!oldFile.isEmpty()) {
            QFile file(oldFile);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(old);
        }
        const QStringList filesBefore = QDir(BackupFolder()).entryList(QDir::Files | QDir::Hidden);
        const QString reason = QString::fromLocal8Bit(std::strerror(EFBIG));

        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit small{4096, limit.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
        QString failure;
        // The record archive shares the disk: when it cannot store either, it says so in a box of
        // its own, apart from the file's.
        const auto fileMessages = [&messages] {
            QStringList texts = messages.texts();
            texts.removeIf([](const QString& text) { return text.startsWith(QStringLiteral("记录库")); });
            return texts;
        };
        if (what == "save") {
            window.SaveToTextFile(oldFile);
            failure = fileMessages().value(0);
        } else if (what == "upload") {
            failure = BackUpUpload(*window.Grid(), giRecordCount, QDateTime::currentDateTime()).reason();
        } else {
            strDevice = QStringLiteral("QF61");
            window.AppendTestRow();
            failure = fileMessages().value(0);
        }
        setrlimit(RLIMIT_FSIZE, &limit);

        QVERIFY2(failure.endsWith(reason), qPrintable(failure));
        QCOMPARE(fileMessages().size(), what == "upload" ? 0 : 1);
        if (!oldFile.isEmpty())
            QCOMPARE(FileBytes(oldFile), old);
        QCOMPARE(QDir(BackupFolder()).entryList(QDir::Files | QDir::Hidden), filesBefore);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 what == "save" ? QStringList{"saved.txt"} : QStringList{});
        QVERIFY(folders.folders.isEmpty());
    }

    void backupsNeverFollowALink_data() {
        QTest::addColumn<bool>("dayFile");
        QTest::newRow("the day's file") << true;
        QTest::newRow("an upload's file") << false;
    }

    // A link at a backup's name, even one that points nowhere yet, is never written through.
    void backupsNeverFollowALink() {
        QFETCH(bool, dayFile);
        TempProgramDir dir;
        QTemporaryDir outside;
        const QString target = outside.filePath(QStringLiteral("elsewhere.txt"));
        QDir().mkpath(BackupFolder());
        MessageRecorder messages;
        TFrmMain window;
        const QDateTime when = QDateTime::currentDateTime();
        const QString link =
            BackupFolder() + (dayFile ? QStringLiteral("/测试 %1.txt").arg(when.date().toString("yyyy-MM-dd"))
                                      : QStringLiteral("/上传 %1.txt").arg(FormatFileStamp(when)));
        QVERIFY(QFile::link(target, link));
        strDevice = QStringLiteral("QF1");
        strTestResult = QStringLiteral("1.0 uΩ");
        window.AppendTestRow(); // also the day's file
        if (dayFile) {
            QCOMPARE(messages.texts().size(), 1);
            QVERIFY(messages.texts().first().contains(QFileInfo(link).fileName()));
        } else {
            const Result<QString> backup = BackUpUpload(*window.Grid(), 1, when);
            QVERIFY(backup);
            QVERIFY(backup->endsWith(QStringLiteral(" (2).txt")));
        }
        QVERIFY(QFileInfo(link).isSymLink());
        QVERIFY(!QFileInfo::exists(target));
    }

    void failedLiveTestBackupKeepsTheRow() {
        TempProgramDir dir;
        BlockBackupFolder();
        MessageRecorder messages;
        TFrmMain window;
        strDevice = QStringLiteral("QF1");
        strTestResult = QStringLiteral("1.0 uΩ");
        window.AppendTestRow();
        QCOMPARE(giRecordCount, 1);
        QCOMPARE(window.Grid()->cell(2, 1), QStringLiteral("QF1"));
        QCOMPARE(messages.texts().size(), 1);
        QVERIFY(messages.texts().first().contains(
            QStringLiteral("测试 %1.txt").arg(QDate::currentDate().toString("yyyy-MM-dd"))));
        QVERIFY(messages.texts().first().contains(QStringLiteral("无法创建文件夹")));
    }
};

QTEST_MAIN(TstBackup)
#include "tst_backup.moc"
