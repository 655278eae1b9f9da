// Test jobs at their boundaries: a job filled by a real upload from the virtual instrument, the
// window's refusals, the approval steps, the lock of an approved revision against every writer,
// the instrument's calibration and the audit trail as files and as another program reads it.
#include "archive/AssetRegister.h"
#include "archive/JobExchange.h"
#include "archive/ProgramArchive.h"
#include "archive/RecordArchive.h"
#include "archive/TestJobs.h"
#include "core/UDataCenter.h"
#include "report/WorkbookReader.h"
#include "tests/support/ArchiveFile.h"
#include "tests/support/SimHarness.h"
#include "tests/support/TestSupport.h"
#include "ui/UDlgAudit.h"
#include "ui/UDlgDue.h"
#include "ui/UDlgJobs.h"
#include "ui/UDlgOverview.h"
#include "ui/UDlgRegister.h"
#include "ui/UMain.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTreeView>
#include <QtTest>

namespace {

TestRecord Record(const QString& device, const QString& time, const QString& resistance) {
    return TestRecord::FromTexts({QStringLiteral(" 1"), time, device, QStringLiteral("LI"),
                                  QStringLiteral("LAB"), QStringLiteral("100 A"), QStringLiteral("5 秒"),
                                  resistance});
}

// Registers devices of 东郊站 with their limits.
void Register(RecordArchive& archive, std::initializer_list<std::pair<const char*, const char*>> rows) {
    std::vector<Asset> assets;
    for (const auto& [device, limit] : rows) {
        Asset asset;
        asset.device = device;
        asset.station = "东郊站";
        asset.bay = "1号";
        asset.limit = limit;
        assets.push_back(asset);
    }
    const Outcome saved = SaveAssets(archive, assets);
    QVERIFY2(saved, qPrintable(saved.reason()));
}

TestJob Job(const QString& number, const QStringList& planned) {
    TestJob job;
    job.number = number;
    job.station = "东郊站";
    job.kind = "例行试验";
    job.firstDay = QDate(2024, 3, 15);
    job.lastDay = QDate(2024, 3, 16);
    job.planned = planned;
    return job;
}

// A job taken from draft to approval, signed by three people in turn.
void Approve(TestJobs& jobs, const QString& uuid) {
    QVERIFY(jobs.setSignature("张伟"));
    QVERIFY(jobs.submit(uuid));
    QVERIFY(jobs.setSignature("李工"));
    QVERIFY(jobs.check(uuid));
    QVERIFY(jobs.setSignature("王主任"));
    const Outcome approved = jobs.approve(uuid);
    QVERIFY2(approved, qPrintable(approved.reason()));
}

qint64 Count(const RecordArchive& archive, const QString& sql) {
    return ArchiveFile(archive.fileName()).count(sql);
}

QStringList Verdicts(const std::vector<JobRow>& rows) {
    QStringList texts;
    for (const JobRow& row : rows)
        texts << row.device + QLatin1Char(' ') +
                     (row.tested() ? VerdictText(row.assessment.verdict) : UntestedText());
    return texts;
}

int Tool(const QStringList& arguments, QString* out, QString* err = nullptr) {
    QProcess tool;
    tool.start(QStringLiteral(OHMARA_ARCHIVE_TOOL_PATH), arguments);
    if (!tool.waitForFinished(60000))
        return -1;
    *out = QString::fromUtf8(tool.readAllStandardOutput());
    if (err)
        *err = QString::fromUtf8(tool.readAllStandardError());
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

} // namespace

class TstJobs : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ResetSharedState();
        ProgramArchive::shared().reset();
    }

    // The current job takes the uploaded and live records of its assets and of devices not in the
    // register, not those of other registered devices; a planned asset without a result is 未测.
    void uploadFillsTheCurrentJob() {
        TempProgramDir dir;
        MessageRecorder messages;
        SimSetup setup;
        for (int k = 1; k <= 8; ++k) // QF1 .. QF4 twice; QF4 above its limit
            setup.records.append(SimRecord{QDateTime(QDate(2024, 3, 15), QTime(9, k)),
                                           QStringLiteral("QF%1").arg(1 + k % 4), QStringLiteral("LI"),
                                           QStringLiteral("LAB"), 1, 5, uint32_t(k % 4 == 3 ? 9000 : 500)}
                                     .frame());
        UsbSim usb(setup);
        usb.pointProgramAt();
        RecordArchive& archive = ProgramArchive::shared().archive();
        Register(archive, {{"QF1", "100"}, {"QF2", "100"}, {"QF4", "100"}});
        TestJobs jobs(archive);
        const Result<QString> job =
            jobs.save(Job(jobs.proposeNumber("东郊站", QDate(2024, 3, 15)), {"qf1", "QF4", "QF9"}));
        QVERIFY2(job, qPrintable(job.reason()));
        QCOMPARE(jobs.job(*job)->number, QStringLiteral("东郊站-20240315-01"));
        QCOMPARE(jobs.proposeNumber("东郊站", QDate(2024, 3, 15)), QStringLiteral("东郊站-20240315-02"));
        QVERIFY(jobs.setCurrent(*job));

        TFrmMain window;
        auto* label = window.StatusBar1->findChild<QLabel*>("LblCurrentJob");
        QCOMPARE(label->text(), QStringLiteral("当前任务：东郊站-20240315-01 第 1 版"));
        gbDeviceConnected = true;
        window.UpdateButtons();
        window.BtnSampleData->click();
        strDevice = QStringLiteral("qf9");
        strTestResult = QStringLiteral("60.0 uΩ");
        iCurrentStep = 1;
        window.AppendTestRow();
        QCOMPARE(messages.texts(), QStringList());

        const Result<std::vector<JobRow>> rows = jobs.rows(*job);
        QVERIFY(rows);
        // QF2 is registered and not planned; QF3 is not in the register.
        QCOMPARE(Verdicts(*rows), QStringList({"QF1 合格", "QF1 合格", "QF3 无判据", "QF3 合格", "QF4 不合格",
                                               "QF4 不合格", "qf9 无判据"}));
        const JobSummary summary = Summarize(*rows);
        QCOMPARE(summary.text(), QStringLiteral("最差：不合格；不合格 2，合格 3，无判据 2"));

        auto* jobsWindow = new TFrmJobs(&window);
        QAbstractItemModelTester rowsTester(jobsWindow->Rows(),
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester listTester(jobsWindow->Jobs(),
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(jobsWindow->ShownJob(), *job); // the current job opens
        QCOMPARE(jobsWindow->Rows()->rowCount(), 7);
        QCOMPARE(jobsWindow->lblSummary->text(), summary.text());
        // Planned but without a result: 未测.
        QCOMPARE(jobsWindow->EdtPlanned->toPlainText(), QStringLiteral("qf1\nQF4\nQF9"));
        jobsWindow->EdtPlanned->setPlainText("qf1\nQF4\nQF9\nQF7");
        QVERIFY(jobsWindow->BtnSaveClick());
        QCOMPARE(jobsWindow->Rows()->index(7, 7).data().toString(), UntestedText());
        QCOMPARE(jobsWindow->lblSummary->text(),
                 QStringLiteral("最差：不合格；不合格 2，合格 3，无判据 2，未测 1"));
        delete jobsWindow;
    }

    void badInputIsRefusedWhole_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message"); // "" when it is taken
        QTest::newRow("temperature low") << "temperature"
                                         << "-50.5"
                                         << "温度“-50.5”应为 −50 到 60 °C 之间的数。";
        QTest::newRow("temperature high") << "temperature"
                                          << "61"
                                          << "温度“61”应为 −50 到 60 °C 之间的数。";
        QTest::newRow("temperature text") << "temperature"
                                          << "暖"
                                          << "温度“暖”应为 −50 到 60 °C 之间的数。";
        QTest::newRow("temperature lowest") << "temperature"
                                            << "−50"
                                            << "";
        QTest::newRow("temperature highest") << "temperature"
                                             << "60"
                                             << "";
        QTest::newRow("humidity high") << "humidity"
                                       << "100.1"
                                       << "湿度“100.1”应为 0 到 100 % 之间的数。";
        QTest::newRow("humidity negative") << "humidity"
                                           << "-1"
                                           << "湿度“-1”应为 0 到 100 % 之间的数。";
        QTest::newRow("humidity full") << "humidity"
                                       << "100"
                                       << "";
        QTest::newRow("number used") << "number"
                                     << "J-1"
                                     << "任务编号“J-1”已被另一个任务使用。";
        QTest::newRow("number empty") << "number"
                                      << " "
                                      << "任务编号不能为空。";
        QTest::newRow("dates reversed") << "lastDay"
                                        << "2024-03-14"
                                        << "结束日期（2024-03-14）早于开始日期（2024-03-15）。";
    }

    // Through the window: a refused job leaves nothing in the archive, neither the job, nor its
    // planned assets, nor a line of the audit trail.
    void badInputIsRefusedWhole() {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, message);
        TempProgramDir dir;
        MessageRecorder messages;
        RecordArchive& archive = ProgramArchive::shared().archive();
        QVERIFY(TestJobs(archive).save(Job("J-1", {})));
        const qint64 audit = Count(archive, "SELECT count(*) FROM audit");
        auto* window = new TFrmJobs;
        window->BtnNewClick();
        window->EdtNumber->setText(field == "number" ? value : "J-2");
        window->EdtFirstDay->setDate(QDate(2024, 3, 15));
        window->EdtLastDay->setDate(field == "lastDay" ? QDate::fromString(value, Qt::ISODate)
                                                       : QDate(2024, 3, 15));
        window->EdtTemperature->setText(field == "temperature" ? value : "");
        window->EdtHumidity->setText(field == "humidity" ? value : "");
        window->EdtPlanned->setPlainText("QF1");
        QCOMPARE(window->BtnSaveClick(), message.isEmpty());
        QCOMPARE(messages.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(Count(archive, "SELECT count(*) FROM jobs"), message.isEmpty() ? 2 : 1);
        QCOMPARE(Count(archive, "SELECT count(*) FROM job_assets"), message.isEmpty() ? 1 : 0);
        if (!message.isEmpty())
            QCOMPARE(Count(archive, "SELECT count(*) FROM audit"), audit);
        delete window;
    }

    void checkerIsNotTheRecorder_data() {
        QTest::addColumn<QString>("checker");
        QTest::addColumn<QString>("approver");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("checked by the recorder") << "张伟"
                                                 << "王主任"
                                                 << "审核人不能是编制人（张伟）。";
        QTest::newRow("approved by the recorder") << "李工"
                                                  << "张伟"
                                                  << "批准人不能是编制人（张伟）。";
        QTest::newRow("three people") << "李工"
                                      << "王主任"
                                      << "";
    }

    void checkerIsNotTheRecorder() {
        QFETCH(QString, checker);
        QFETCH(QString, approver);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        RecordArchive archive;
        QCOMPARE(archive.open(dir.filePath(kArchiveFileName)), ArchiveState::Open);
        TestJobs jobs(archive);
        const QString uuid = *jobs.save(Job("J-1", {}));
        QCOMPARE(jobs.submit(uuid).reason(), QStringLiteral("请先填写本机签名。"));
        QVERIFY(jobs.setSignature("张伟"));
        QVERIFY(jobs.submit(uuid));
        QVERIFY(jobs.setSignature(checker));
        const Outcome checked = jobs.check(uuid);
        QVERIFY(jobs.setSignature(approver));
        const Outcome approved = checked ? jobs.approve(uuid) : checked;
        QCOMPARE(approved.reason(), refusal);
        const TestJob job = *jobs.job(uuid);
        QCOMPARE(job.state, refusal.isEmpty() ? JobState::Approved : JobState::Checking);
        QCOMPARE(job.approvedBy, refusal.isEmpty() ? approver : QString());
        if (!refusal.isEmpty()) { // back to 编制中 only with a reason
            QCOMPARE(jobs.sendBack(uuid, " ").reason(), QStringLiteral("退回时请写明原因。"));
            QVERIFY(jobs.sendBack(uuid, "温度未填"));
            QCOMPARE(jobs.job(uuid)->state, JobState::Draft);
            QCOMPARE(jobs.job(uuid)->returnedWhy, QStringLiteral("温度未填"));
        }
    }

    // An approved revision keeps its records, fields and verdicts against the window, a register
    // import that changes the limits, the tool and another program writing the file; a correction
    // is a new revision, the earlier stays readable.
    void approvedJobIsLocked() {
        TempProgramDir dir;
        MessageRecorder messages;
        RecordArchive& archive = ProgramArchive::shared().archive();
        Register(archive, {{"QF1", "100"}});
        QCOMPARE(ValueOrFailed(archive.store(
                     {Record("QF1", "24-03-15 09:00", "80.0 uΩ"), Record("QF1", "24-03-20 09:00", "81.0 uΩ")},
                     "upload")),
                 2);
        TestJobs jobs(archive);
        const QString uuid = *jobs.save(Job("J-1", {"QF1"}));
        QCOMPARE(*jobs.addRecords(uuid, {"qf1"}, QDate(2024, 3, 15), QDate(2024, 3, 16)), 1);
        Approve(jobs, uuid);
        QCOMPARE(Verdicts(*jobs.rows(uuid)), QStringList{"QF1 合格"});

        auto* window = new TFrmJobs;
        window->ShowJob(uuid);
        QVERIFY(!window->BtnSave->isEnabled());
        window->EdtTemperature->setText("20");
        QVERIFY(!window->BtnSaveClick());
        QCOMPARE(messages.texts(), QStringList{"任务“J-1”已批准，不能修改。"});
        // The register's import lowers the limit: the approved job keeps the verdict it had.
        const QString file = dir.filePath("台账.csv");
        std::vector<Asset> assets = LoadAssets(archive);
        assets[0].limit = "50";
        QVERIFY(ExportAssets(assets, file));
        auto* registerWindow = new TFrmRegister;
        QVERIFY(registerWindow->ImportFrom(file));
        registerWindow->BtnSaveClick();
        delete registerWindow;
        QCOMPARE(LoadAsset(archive, "QF1")->limit, QStringLiteral("50"));
        QCOMPARE(Verdicts(*jobs.rows(uuid)), QStringList{"QF1 合格"});
        const Result<int> added = jobs.addRecords(uuid, {"QF1"}, {}, {});
        QCOMPARE(added.reason(),
                 QStringLiteral("任务已提交审核或已批准，不能修改（only a draft job changes）。"));
        QCOMPARE(added.kind(), FailureKind::Conflict);
        QCOMPARE(jobs.approve(uuid).kind(), FailureKind::Conflict);
        // Another program (a sync, another laptop's copy of the file) cannot change it either.
        {
            const ArchiveFile other(archive.fileName());
            for (const char* sql : {"UPDATE jobs SET conclusion = 'x'", "DELETE FROM job_records",
                                    "UPDATE job_verdicts SET verdict = 3", "DELETE FROM jobs",
                                    "UPDATE audit SET new = 'x'", "DELETE FROM audit"}) {
                QVERIFY2(!other.query().exec(QString::fromLatin1(sql)), sql);
            }
            QVERIFY(other.query().exec("UPDATE jobs SET pushed = 1")); // the sync's mark still goes on
        }
        QString listed;
        QCOMPARE(Tool({"--archive", archive.fileName(), "jobs"}, &listed), 0);
        const QStringList lines = listed.trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[1].split('\t').mid(0, 10),
                 QStringList({"J-1", "1", "东郊站", "例行试验", "已批准", "2024-03-15", "2024-03-16", "合格",
                              "1", "0"}));

        // The correction: 第 2 版, judged by today's limit; 第 1 版 unchanged.
        QCOMPARE(jobs.revise(uuid, "").reason(), QStringLiteral("新的版本请写明更正了什么。"));
        QVERIFY(jobs.setCurrent(uuid));
        const Result<QString> second = jobs.revise(uuid, "补充 20 日的复测");
        QVERIFY(second);
        QCOMPARE(jobs.current(), *second);
        QCOMPARE(jobs.job(*second)->title(), QStringLiteral("J-1 第 2 版"));
        QCOMPARE(*jobs.addRecords(*second, {"QF1"}, QDate(2024, 3, 20), QDate(2024, 3, 20)), 1);
        QCOMPARE(Verdicts(*jobs.rows(*second)), QStringList({"QF1 不合格", "QF1 不合格"}));
        QCOMPARE(Verdicts(*jobs.rows(uuid)), QStringList{"QF1 合格"});
        QCOMPARE(jobs.job(uuid)->state, JobState::Approved);
        delete window;
    }

    // The tool's exit code follows what stopped a job file's import: a file that is not a job file
    // is the command's argument (2), a number another job here uses is refused data (7).
    void importJobExitsByKind_data() {
        QTest::addColumn<QString>("here");    // the number of a job this laptop has, or ""
        QTest::addColumn<QByteArray>("file"); // the file's bytes, or "" for the other laptop's job
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("jobs"); // here afterwards
        QTest::newRow("new job") << "" << QByteArray() << 0 << "" << 1;
        QTest::newRow("number used here")
            << "J-1" << QByteArray() << 7 << "任务编号“J-1”已被本机另一个任务使用。" << 1;
        QTest::newRow("not a job file") << "" << QByteArray(R"({"format": "other"})") << 2
                                        << "不是试验任务文件（format 不是“ohmara-job”）。" << 0;
    }

    void importJobExitsByKind() {
        QFETCH(QString, here);
        QFETCH(QByteArray, file);
        QFETCH(int, code);
        QFETCH(QString, message);
        QFETCH(int, jobs);
        QTemporaryDir dir;
        const QString fileName = dir.filePath("任务.json");
        {
            QVERIFY(QDir(dir.path()).mkpath("甲"));
            RecordArchive other;
            QCOMPARE(other.open(dir.filePath("甲/" + kArchiveFileName)), ArchiveState::Open);
            const Result<QString> uuid = TestJobs(other).save(Job("J-1", {}));
            QVERIFY(uuid);
            QVERIFY(ExportJobFile(other, *uuid, fileName));
        }
        if (!file.isEmpty()) {
            QFile written(fileName);
            QVERIFY(written.open(QIODevice::WriteOnly) && written.write(file) == file.size());
        }
        const QString archiveName = dir.filePath(kArchiveFileName);
        {
            RecordArchive archive;
            QCOMPARE(archive.open(archiveName), ArchiveState::Open);
            if (!here.isEmpty())
                QVERIFY(TestJobs(archive).save(Job(here, {})));
        }
        QString out, err;
        QCOMPARE(Tool({"--archive", archiveName, "import-job", fileName}, &out, &err), code);
        QCOMPARE(err.trimmed(), message);
        RecordArchive archive;
        QCOMPARE(archive.open(archiveName), ArchiveState::Open);
        QCOMPARE(Count(archive, "SELECT count(*) FROM jobs"), qint64(jobs));
    }

    void expiredCalibrationIsFlagged_data() {
        QTest::addColumn<QDate>("validUntil");
        QTest::addColumn<bool>("expired");
        QTest::newRow("valid past the job") << QDate(2024, 3, 17) << false;
        QTest::newRow("valid on the last day") << QDate(2024, 3, 16) << false;
        QTest::newRow("ran out during the job") << QDate(2024, 3, 15) << true;
    }

    // The connected instrument's serial number selects the instrument (added when asked); a test
    // day after its calibration warns, and going on anyway is signed.
    void expiredCalibrationIsFlagged() {
        QFETCH(QDate, validUntil);
        QFETCH(bool, expired);
        TempProgramDir dir;
        MessageRecorder messages;
        RecordArchive& archive = ProgramArchive::shared().archive();
        TestJobs jobs(archive);
        const QString uuid = *jobs.save(Job("J-1", {}));
        QVERIFY(jobs.setCurrent(uuid));
        SimSetup setup;
        setup.usbSerialString = QStringLiteral("SN-042");
        UsbSim usb(setup);
        usb.pointProgramAt();
        TFrmMain main;
        messages.answers.push_back(MsgResult::Yes);
        QVERIFY(main.ConnectDevice()); // not in the register yet: offered, and added
        QCOMPARE(messages.messages.size(), 1);
        Instrument instrument = *jobs.instrumentBySerial("SN-042");
        QCOMPARE(jobs.job(uuid)->instrument, instrument.uuid);
        instrument.validUntil = validUntil;
        QVERIFY(jobs.saveInstrument(instrument));
        QVERIFY(main.ConnectDevice()); // known and chosen already: nothing asked
        QCOMPARE(messages.messages.size(), 1);

        auto* window = new TFrmJobs;
        const QString warning =
            expired
                ? QStringLiteral("仪器“SN-042”的校准有效期至 2024-03-15，试验日期 2024-03-16 已超过有效期。")
                : QString();
        QCOMPARE(window->lblWarning->text(), warning);
        QVERIFY(jobs.setSignature("张伟"));
        QCOMPARE(jobs.submit(uuid).reason(), expired ? warning + "确认继续后才能提交审核。" : QString());
        if (expired) {
            window->EdtSignature->setText("张伟");
            window->BtnGoOn->click();
            QCOMPARE(jobs.job(uuid)->expiredBy, QStringLiteral("张伟"));
            QVERIFY(window->lblWarning->text().startsWith(warning + "（张伟 于 "));
            QVERIFY(jobs.submit(uuid));
        }
        delete window;
    }

    void dueDatesFollowTheIntervals_data() {
        QTest::addColumn<int>("kindMonths");      // 0: none of its own
        QTest::addColumn<int>("assetMonths");     // 0: none of its own
        QTest::addColumn<QDate>("due");           // QF1's, tested last on 2024-02-29 like QF3
        QTest::addColumn<QStringList>("overdue"); // ten days before QF1 is due
        QTest::addColumn<QStringList>("soon");
        const QStringList all{"QF1", "QF2", "QF3"};
        QTest::newRow("three years for all") << 0 << 0 << QDate(2027, 2, 28) << QStringList{"QF2"} << all;
        QTest::newRow("a year for the kind, from a leap day")
            << 12 << 0 << QDate(2025, 2, 28) << QStringList{"QF2"} << all;
        QTest::newRow("the asset's own over its kind's")
            << 12 << 6 << QDate(2024, 8, 29) << QStringList{"QF2"} << QStringList{"QF1", "QF2"};
        QTest::newRow("the asset's own, no kind's")
            << 0 << 48 << QDate(2028, 2, 29) << QStringList{"QF2", "QF3"} << all;
    }

    // The next test is the last plus the narrowest interval; the filter counts from the day, and
    // the station's due assets (a device never tested is due now) make a new job in one step.
    void dueDatesFollowTheIntervals() {
        QFETCH(int, kindMonths);
        QFETCH(int, assetMonths);
        QFETCH(QDate, due);
        QFETCH(QStringList, overdue);
        QFETCH(QStringList, soon);
        TempProgramDir dir;
        MessageRecorder messages;
        RecordArchive& archive = ProgramArchive::shared().archive();
        std::vector<Asset> assets(3);
        for (int k = 0; k < 3; ++k) {
            assets[size_t(k)].device = QStringLiteral("QF%1").arg(k + 1);
            assets[size_t(k)].station = k < 2 ? "东郊站" : "西站";
            assets[size_t(k)].kind = "断路器";
        }
        QVERIFY(SaveAssets(archive, assets));
        QCOMPARE(ValueOrFailed(archive.store({Record("QF1", "23-05-01 09:00", "50.0 uΩ"),
                                              Record("QF1", "24-02-29 09:00", "50.0 uΩ"),
                                              Record("QF3", "24-02-29 09:00", "50.0 uΩ")},
                                             "upload")),
                 3);
        TestJobs jobs(archive);
        QVERIFY(jobs.setInterval(IntervalScope::Asset, "qf1", 3)); // replaced below, or removed
        QVERIFY(jobs.setInterval(IntervalScope::Kind, "断路器",
                                 kindMonths ? std::optional(kindMonths) : std::nullopt));
        QVERIFY(jobs.setInterval(IntervalScope::Asset, "qf1",
                                 assetMonths ? std::optional(assetMonths) : std::nullopt));
        QCOMPARE(jobs.setInterval(IntervalScope::All, "", 0).reason(),
                 QStringLiteral("试验周期“0”应为 1 到 240 个月。"));

        auto* window = new TFrmDue;
        QAbstractItemModelTester tester(window->Shown(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(window->Due()->index(0, 7).data().toString(), due.toString(Qt::ISODate));
        QCOMPARE(window->Due()->index(1, 7).data().toString(), QStringLiteral("未试验"));
        const auto shown = [&] {
            QStringList devices;
            for (int row = 0; row < window->Shown()->rowCount(); ++row)
                devices << window->Shown()->index(row, 0).data().toString();
            devices.sort();
            return devices;
        };
        window->SetToday(due.addDays(-10));
        window->CmbFilter->setCurrentIndex(int(DueFilter::Overdue));
        QCOMPARE(shown(), overdue);
        window->CmbFilter->setCurrentIndex(int(DueFilter::Soon));
        QCOMPARE(shown(), soon);
        window->CmbFilter->setCurrentIndex(int(DueFilter::All));
        QCOMPARE(shown().size(), 3);
        const TestJob job =
            jobs.jobForDue("东郊站", window->Due()->values(), DueFilter::Soon, due.addDays(-10));
        QCOMPARE(job.planned, QStringList({"QF1", "QF2"}));
        QCOMPARE(job.kind, QStringLiteral("例行试验"));
        QVERIFY(jobs.save(job));
        QCOMPARE(messages.texts(), QStringList());
        delete window;

        // The overview shows the same next tests and filters by them; the chosen station's due
        // assets open as a new job.
        auto* overview = new TFrmOverview;
        const QAbstractItemModel* tree = overview->Shown();
        QAbstractItemModelTester overviewTester(overview->Shown(),
                                                QAbstractItemModelTester::FailureReportingMode::QtTest);
        overview->SetToday(due.addDays(-10));
        const auto listed = [tree](int column) {
            QStringList cells;
            for (int s = 0; s < tree->rowCount(); ++s)
                for (int b = 0; b < tree->rowCount(tree->index(s, 0)); ++b) {
                    const QModelIndex bay = tree->index(b, 0, tree->index(s, 0));
                    for (int d = 0; d < tree->rowCount(bay); ++d)
                        cells << tree->index(d, OverviewModel::Name, bay).data().toString() + ' ' +
                                     tree->index(d, column, bay).data().toString();
                }
            cells.sort();
            return cells;
        };
        QVERIFY2(listed(OverviewModel::NextTest).contains("QF1 " + due.toString(Qt::ISODate)),
                 qPrintable(listed(OverviewModel::NextTest).join(", ")));
        QVERIFY(listed(OverviewModel::NextTest).contains(QStringLiteral("QF2 未试验")));
        const auto devices = [&] {
            QStringList names = listed(OverviewModel::Name);
            for (QString& name : names)
                name = name.section(' ', 0, 0);
            return names;
        };
        overview->CBDue->setCurrentIndex(overview->CBDue->findData(int(DueFilter::Overdue)));
        QCOMPARE(devices(), overdue);
        overview->CBDue->setCurrentIndex(overview->CBDue->findData(int(DueFilter::Soon)));
        QCOMPARE(devices(), soon);
        for (int s = 0; s < tree->rowCount(); ++s)
            if (tree->index(s, 0).data().toString() == "东郊站")
                overview->TreeOverview->setCurrentIndex(tree->index(s, 0));
        overview->BtnNewJobClick();
        auto* planned = overview->findChild<TFrmJobs*>();
        QVERIFY(planned);
        QStringList east = soon;
        east.removeAll("QF3");
        QCOMPARE(planned->TypedJob().planned, east);
        QCOMPARE(planned->TypedJob().station, QStringLiteral("东郊站"));
        QCOMPARE(messages.texts(), QStringList());
        delete overview;
    }

    // Who changed which field from what to what, for the register, the rules, the instruments and
    // the jobs; filtered in its window and exported as another program reads it.
    void auditTrailKeepsOldAndNew() {
        TempProgramDir dir;
        MessageRecorder messages;
        FolderRecorder folders;
        RecordArchive& archive = ProgramArchive::shared().archive();
        TestJobs jobs(archive);
        QVERIFY(jobs.setSignature("张伟"));
        Register(archive, {{"QF1", "50"}});
        Register(archive, {{"QF1", "60"}});
        QVERIFY(SaveFactors(archive, {"1.3", "0.2", "0.5"}));
        Instrument instrument;
        instrument.serial = "SN-1";
        instrument.validUntil = QDate(2025, 1, 1);
        instrument.uuid = *jobs.saveInstrument(instrument);
        instrument.validUntil = QDate(2026, 1, 1);
        QVERIFY(jobs.saveInstrument(instrument));
        TestJob job = Job("J-1", {});
        job.temperature = "18";
        job.uuid = *jobs.save(job);
        job.temperature = "19.5";
        job.instrument = instrument.uuid;
        QVERIFY(jobs.save(job));
        const std::vector<AuditEntry> entries = *jobs.audit();
        const auto used = std::find_if(entries.begin(), entries.end(),
                                       [](const AuditEntry& entry) { return entry.field == "仪器"; });
        QVERIFY(used != entries.end());
        QCOMPARE(used->newValue, QStringLiteral("SN-1")); // by its serial number, not its key

        auto* window = new TFrmAudit;
        QAbstractItemModelTester tester(window->Shown(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        const auto shown = [&] {
            QStringList rows;
            for (int row = 0; row < window->Shown()->rowCount(); ++row) {
                QStringList cells;
                for (int column = 1; column < 7; ++column)
                    cells << window->Shown()->index(row, column).data().toString();
                rows << cells.join('|');
            }
            return rows;
        };
        window->EdtFilter->setText("限值");
        QCOMPARE(shown(),
                 QStringList({"张伟|设备台账|QF1|限值(uΩ)|50|60", "张伟|设备台账|QF1|限值(uΩ)||50"}));
        window->EdtFilter->setText("基准倍数");
        QCOMPARE(shown(), QStringList{"张伟|判据|全部设备|基准倍数|1.2|1.3"});
        window->EdtFilter->setText("有效期");
        QCOMPARE(shown(), QStringList({"张伟|仪器台账|SN-1|有效期至|2025-01-01|2026-01-01",
                                       "张伟|仪器台账|SN-1|有效期至||2025-01-01"}));
        window->EdtFilter->setText("温度");
        QCOMPARE(shown(), QStringList({"张伟|试验任务|J-1 第 1 版|温度(°C)|18|19.5",
                                       "张伟|试验任务|J-1 第 1 版|温度(°C)||18"}));
        const QString file = dir.filePath("修改记录.csv");
        QVERIFY(window->ExportTo(file));
        WorkbookLimits limits;
        limits.columns = 7;
        SheetCells cells;
        QVERIFY(ReadCsvCells(file, limits, &cells));
        QStringList read;
        for (const SheetCell& cell : cells.cells())
            if (cell.row == 2 && cell.column > 1)
                read << cell.text;
        QCOMPARE(read.join('|'), shown().first());
        QCOMPARE(messages.texts(), QStringList());
        delete window;
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    TstJobs test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_jobs.moc"
