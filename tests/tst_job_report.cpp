// The signed report of a test job and the job file, at their boundaries: the PDF the command-line
// tool writes as poppler reads it back (every page's header and footer, the criteria, the verdicts,
// the end mark, the draft watermark, embedded fonts), the user's template and a broken one, hostile
// texts, and a job exported from one archive and imported into a fresh one, validated against the
// published schema.
#include "archive/AssetRegister.h"
#include "archive/ProgramArchive.h"
#include "archive/RecordArchive.h"
#include "archive/TestJobs.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"
#include "report/JobReport.h"
#include "report/UDlgPreview.h"
#include "tests/support/ArchiveFile.h"
#include "tests/support/TestSupport.h"
#include "tests/tst_report_pdf.h"
#include "ui/UDlgJobs.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSqlQuery>
#include <QToolButton>
#include <QtTest>

namespace {

// Hostile texts: markup and entities print as they are.
const QString kStation = QStringLiteral("东<郊>&\"站\"");
const QString kTesters = QStringLiteral("张伟 <b>&amp;</b>");

struct ToolRun {
    int code = -1;
    QString out, err;
};

// The tool in a locale naming no language: it speaks Chinese unless told "--lang en".
ToolRun Tool(const QString& archive, const QStringList& arguments) {
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        environment.insert(QLatin1String(name), QStringLiteral("C.UTF-8"));
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral(OHMARA_ARCHIVE_TOOL_PATH), QStringList{"--archive", archive} + arguments);
    ToolRun run;
    if (!tool.waitForFinished(120000))
        return run;
    run.out = QString::fromUtf8(tool.readAllStandardOutput());
    run.err = QString::fromUtf8(tool.readAllStandardError());
    run.code = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    return run;
}

TestRecord Record(const QString& device, const QString& time, const QString& resistance) {
    return TestRecord::FromTexts({QStringLiteral(" 1"), time, device, QStringLiteral("LI"),
                                  QStringLiteral("LAB"), QStringLiteral("100 A"), QStringLiteral("5 秒"),
                                  resistance});
}

// Two bays of three phases and a planned breaker not tested; QF1C above its limit, QF2 B far above
// its sister phases; earlier tests give the changes. The job number.
QString MakeJob(RecordArchive& archive, bool approve) {
    std::vector<Asset> assets;
    for (const char* bay : {"1", "2"})
        for (const char* phase : {"A", "B", "C"}) {
            Asset asset;
            asset.device = QStringLiteral("QF%1%2").arg(QLatin1String(bay), QLatin1String(phase));
            asset.station = kStation;
            asset.bay = QStringLiteral("%1号间隔").arg(QLatin1String(bay));
            asset.phase = QLatin1String(phase);
            asset.limit = QStringLiteral("80");
            asset.factory = QStringLiteral("40");
            assets.push_back(asset);
        }
    [&] {
        const Outcome saved = SaveAssets(archive, assets);
        QVERIFY2(saved, qPrintable(saved.reason()));
    }();
    std::vector<TestRecord> records;
    for (const Asset& asset : assets) {
        const bool high = asset.device == QLatin1String("QF1C");
        const bool odd = asset.device == QLatin1String("QF2B");
        records.push_back(Record(asset.device, "23-03-15 09:00", "40.0 uΩ"));
        records.push_back(Record(asset.device, "24-03-15 09:00",
                                 high  ? "95.0 uΩ"
                                 : odd ? "70.0 uΩ"
                                       : "42.0 uΩ"));
    }
    [&] { QCOMPARE(ValueOrFailed(archive.store(records, QStringLiteral("upload"))), int(records.size())); }();

    TestJobs jobs(archive);
    Instrument instrument;
    instrument.model = QStringLiteral("HLY-100");
    instrument.serial = QStringLiteral("SN-7731");
    instrument.certificate = QStringLiteral("JZ-2024-118");
    instrument.calibratedOn = QDate(2023, 6, 1);
    instrument.validUntil = QDate(2024, 3, 1); // run out before the test: the report warns
    TestJob job;
    job.number = QStringLiteral("东郊-20240315-01");
    job.station = kStation;
    job.customer = QStringLiteral("东郊运维<站>");
    job.kind = QStringLiteral("例行试验");
    job.basis = JobBasisPresets().at(1);
    job.firstDay = job.lastDay = QDate(2024, 3, 15);
    job.temperature = QStringLiteral("18");
    job.humidity = QStringLiteral("45");
    job.testers = kTesters;
    job.instrument = *jobs.saveInstrument(instrument);
    job.conclusion = QStringLiteral("QF1C 回路电阻超过限值，应检修。");
    for (const Asset& asset : assets)
        job.planned << asset.device;
    job.planned << QStringLiteral("QF9");
    const Result<QString> uuid = jobs.save(job);
    [&] { QVERIFY2(uuid, qPrintable(uuid.reason())); }();
    QStringList devices = job.planned;
    [&] { QCOMPARE(*jobs.addRecords(*uuid, devices, QDate(2024, 3, 15), QDate(2024, 3, 15)), 6); }();
    if (approve) {
        [&] {
            QVERIFY(jobs.setSignature("张伟"));
            QVERIFY(jobs.goOnWithExpired(*uuid));
            QVERIFY(jobs.submit(*uuid));
            QVERIFY(jobs.setSignature("李工"));
            QVERIFY(jobs.check(*uuid));
            QVERIFY(jobs.setSignature("王主任"));
            QVERIFY(jobs.approve(*uuid));
        }();
    }
    return job.number;
}

QString PlainText(const QString& pdf, int page) {
    const QString n = QString::number(page);
    return ReportPdf::Run(QStringLiteral("pdftotext"),
                          {QStringLiteral("-f"), n, QStringLiteral("-l"), n, pdf, QStringLiteral("-")});
}

// Every font of the file is embedded (the fourth column from the right of pdffonts says "yes").
bool FontsEmbedded(const QString& pdf, QString* listing) {
    *listing = ReportPdf::Run(QStringLiteral("pdffonts"), {pdf});
    const QStringList lines = listing->split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
    if (lines.isEmpty())
        return false;
    for (const QString& line : lines) {
        const QStringList fields = line.simplified().split(QLatin1Char(' '));
        if (fields.size() < 6 || fields.at(fields.size() - 5) != QLatin1String("yes"))
            return false;
    }
    return true;
}

QJsonObject Comparable(QJsonObject file) {
    file.remove(QStringLiteral("exported_at"));
    QJsonObject job = file.value(QStringLiteral("job")).toObject();
    job.remove(QStringLiteral("changed_at"));
    file.insert(QStringLiteral("job"), job);
    QJsonArray records;
    for (const QJsonValue& value : file.value(QStringLiteral("records")).toArray()) {
        QJsonObject record = value.toObject();
        record.remove(QStringLiteral("added_at"));
        record.remove(QStringLiteral("added_by"));
        records.append(record);
    }
    file.insert(QStringLiteral("records"), records);
    return file;
}

QJsonObject ReadJson(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
}

// The English report: header, footer, end mark and headings in English, no Chinese character but
// the job's own data.
void CheckEnglishReport(const QString& pdf, const QString& number) {
    const int pages = ReportPdf::PageCount(pdf);
    QString all;
    for (int page = 1; page <= pages; ++page) {
        const QString text = PlainText(pdf, page);
        QVERIFY2(text.contains(QStringLiteral("Report no.: ") + number), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Page %1 of %2").arg(page).arg(pages)), qPrintable(text));
        QCOMPARE(text.contains(QStringLiteral("(The rest of this page is intentionally blank)")),
                 page == pages);
        all += text;
    }
    const QString flat = QString(all).remove(QRegularExpression(QStringLiteral("\\s")));
    for (const char* expected :
         {"ContactResistanceTestReport", "Criteria", "Notabove1.2timesthefactoryvalue", "Conclusion",
          "Attention", "Fail", "Untested", "Appendix:trendcharts", "Testedby:", "exceedsthelimitof80uΩ"})
        QVERIFY2(flat.contains(QString::fromUtf8(expected)),
                 qPrintable(QString::fromUtf8(expected) + "\n" + all));
    // The job's own texts stay as typed: the station, bays, people, number, basis and conclusion.
    QString rest = flat;
    for (const QString& data :
         {number, QStringLiteral("东<郊>&\"站\""), QStringLiteral("1号间隔"), QStringLiteral("2号间隔"),
          QStringLiteral("张伟<b>&amp;</b>"), QStringLiteral("东郊运维<站>"), QStringLiteral("张伟"),
          QStringLiteral("李工"), QStringLiteral("王主任"),
          QString(JobBasisPresets().at(1)).remove(QLatin1Char(' ')),
          QStringLiteral("QF1C回路电阻超过限值，应检修。")})
        rest.remove(data);
    static const QRegularExpression chinese(
        QStringLiteral("[\\x{3000}-\\x{303f}\\x{4e00}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
    const QRegularExpressionMatch left = chinese.match(rest);
    QVERIFY2(!left.hasMatch(), qPrintable(rest.mid(qMax(0, int(left.capturedStart()) - 30), 60)));
}

} // namespace

class TstJobReport : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ResetSharedState();
        ProgramArchive::shared().reset();
    }

    // "报告…" of the job window shows in the print preview the pages the PDF file has.
    void previewWindow() {
        TempProgramDir dir;
        MessageRecorder messages;
        RecordArchive& archive = ProgramArchive::shared().archive();
        QCOMPARE(archive.state(), ArchiveState::Open);
        const QString number = MakeJob(archive, false);
        const Result<QString> uuid = FindJob(archive, number);
        QVERIFY(uuid);
        const Result<JobReportContent> content =
            LoadJobReportContent(archive, *uuid, EnsureDataFolder(), true);
        QVERIFY(content);
        const QString pdf = dir.filePath(QStringLiteral("报告.pdf"));
        QVERIFY(WriteJobReportPdf(*content, LoadReportTemplate(EnsureDataFolder()), pdf));
        TFrmJobs window;
        window.ShowJob(*uuid);
        window.ChkTrends->setChecked(true);
        window.BtnReport->click();
        QPointer<TFrmPreview> preview = window.findChild<TFrmPreview*>();
        QVERIFY(preview);
        QCOMPARE(preview->QRPreview1->pageCount(), ReportPdf::PageCount(pdf));
        QVERIFY2(preview->StatusText().contains(QStringLiteral("总 %1 页").arg(ReportPdf::PageCount(pdf))),
                 qPrintable(preview->StatusText()));
        // Its PDF is written on a worker thread while the window goes on, page for page the same.
        FolderRecorder folders;
        const QString saved = dir.filePath(QStringLiteral("预览.pdf"));
        const qsizetype told = messages.texts().size();
        QTimer::singleShot(0, [&] {
            QFileDialog* chooser = nullptr;
            QTRY_VERIFY((chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())));
            chooser->selectFile(saved);
            static_cast<QDialog*>(chooser)->accept();
        });
        preview->tbExportPdf->click();
        QVERIFY(preview->findChild<QProgressDialog*>(QStringLiteral("ExportProgress")));
        QTRY_COMPARE_WITH_TIMEOUT(folders.folders.size(), 1, 60000);
        QCOMPARE(ReportPdf::PageCount(saved), ReportPdf::PageCount(pdf));
        QCOMPARE(messages.texts().size(), told);
        preview->close();
    }

    void report_data() {
        QTest::addColumn<bool>("approved");
        QTest::addColumn<bool>("charts");
        QTest::addColumn<bool>("english");
        QTest::newRow("draft") << false << false << false;
        QTest::newRow("approved, with trend charts") << true << true << false;
        // A draft: its verdicts and their grounds are judged now, in the language of the report.
        QTest::newRow("draft, with trend charts, in English") << false << true << true;
    }

    // Every page holds the report number and "第 n 页 共 N 页" (and "草稿" while not approved); the
    // criteria with their numbers, every verdict, the reasons, the hostile texts as typed and the
    // signers; "（以下空白）" on the last page; the fonts are embedded. In English (the built-in English
    // template and the translated texts) no Chinese character is left but the job's own data.
    void report() {
        QFETCH(bool, approved);
        QFETCH(bool, charts);
        QFETCH(bool, english);
        TempProgramDir dir;
        const QString path = dir.filePath(QStringLiteral("记录库.sqlite"));
        QString number;
        {
            RecordArchive archive;
            QCOMPARE(archive.open(path), ArchiveState::Open);
            number = MakeJob(archive, approved);
        }
        QImage signature(120, 40, QImage::Format_RGB32);
        signature.fill(Qt::white);
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("签名")));
        QVERIFY(signature.save(dir.filePath(QStringLiteral("签名/王主任.png"))));

        const QString pdf = dir.filePath(QStringLiteral("报告.pdf"));
        QStringList arguments{QStringLiteral("report"), number, QStringLiteral("--pdf"), pdf};
        if (charts)
            arguments << QStringLiteral("--charts");
        if (english)
            arguments << QStringLiteral("--lang") << QStringLiteral("en");
        const ToolRun run = Tool(path, arguments);
        QVERIFY2(run.code == 0, qPrintable(run.err));
        if (english)
            return CheckEnglishReport(pdf, number);

        const int pages = ReportPdf::PageCount(pdf);
        QVERIFY2(pages >= 2, qPrintable(QString::number(pages)));
        QString all;
        for (int page = 1; page <= pages; ++page) {
            const QString text = PlainText(pdf, page);
            QVERIFY2(text.contains(QStringLiteral("报告编号：") + number), qPrintable(text));
            QVERIFY2(text.contains(QStringLiteral("第 %1 页 共 %2 页").arg(page).arg(pages)),
                     qPrintable(text));
            // The watermark is drawn aslant: its two characters come out one by one.
            QCOMPARE(text.contains(QStringLiteral("草")) && text.contains(QStringLiteral("稿")), !approved);
            QCOMPARE(text.contains(QStringLiteral("（以下空白）")), page == pages);
            all += text;
        }
        const QString flat = QString(all).remove(QRegularExpression(QStringLiteral("\\s")));
        for (const QString& expected :
             {QStringLiteral("回路电阻试验报告"), QStringLiteral("不大于出厂值的1.2倍"),
              QStringLiteral("较上次增长不超过20%"), QStringLiteral("三相最大值不超过最小值的1.5倍"),
              QStringLiteral("不合格"), QStringLiteral("注意"), QStringLiteral("合格"),
              QStringLiteral("未测"), QStringLiteral("QF9"), QStringLiteral("+75%"),
              QStringLiteral("SN-7731"), QStringLiteral("JZ-2024-118"), QStringLiteral("东<郊>&\"站\""),
              QStringLiteral("张伟<b>&amp;</b>"), QStringLiteral("东郊运维<站>"),
              QStringLiteral("已超过有效期")})
            QVERIFY2(flat.contains(expected), qPrintable(expected + QStringLiteral(" missing in\n") + all));
        QCOMPARE(flat.contains(QStringLiteral("批准：王主任")), approved);
        QCOMPARE(flat.contains(QStringLiteral("附录趋势图")), charts);
        QString fonts;
        QVERIFY2(FontsEmbedded(pdf, &fonts), qPrintable(fonts));
        const QString images = ReportPdf::Run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
        QCOMPARE(images.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size() > 2, approved);
    }

    void userTemplate_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("message");
        QTest::newRow("changed") << "委托单位"
                                 << "客户：东郊供电公司"
                                 << "客户：东郊供电公司"
                                 << "";
        QTest::newRow("unknown field") << "<th>试验依据</th><td colspan=\"3\">{{basis}}</td>"
                                       << "<th>试验依据</th><td>{{client}}</td>"
                                       << "委托单位"
                                       << "第 %1 行";
        QTest::newRow("unpaired braces") << "{{kind}}"
                                         << "{{kind}"
                                         << "委托单位"
                                         << "第 %1 行";
        QTest::newRow("no bay section") << "<!-- section bay -->"
                                        << "<!-- section bays -->"
                                        << "委托单位"
                                        << "第 %1 行";
    }

    // The data folder's template is used as it is, without a rebuild; a broken one gives a message
    // naming its line and the built-in template.
    void userTemplate() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, shown);
        QFETCH(QString, message);
        TempProgramDir dir;
        const QString path = dir.filePath(QStringLiteral("记录库.sqlite"));
        QString number;
        {
            RecordArchive archive;
            QCOMPARE(archive.open(path), ArchiveState::Open);
            number = MakeJob(archive, false);
        }
        const QString builtIn = BuiltInTemplateText();
        QVERIFY(builtIn.contains(from));
        const int line = int(builtIn.left(builtIn.indexOf(from)).count(QLatin1Char('\n'))) + 1;
        QFile own(UserTemplatePath(dir.path()));
        QVERIFY(own.open(QIODevice::WriteOnly));
        own.write(QString(builtIn).replace(from, to).toUtf8());
        own.close();

        const QString pdf = dir.filePath(QStringLiteral("报告.pdf"));
        const ToolRun run = Tool(path, {QStringLiteral("report"), number, QStringLiteral("--pdf"), pdf});
        QCOMPARE(run.code, message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QVERIFY2(run.err.contains(QStringLiteral("报告模板")) && run.err.contains(message.arg(line)),
                     qPrintable(run.err));
        }
        QVERIFY2(PlainText(pdf, 1).contains(shown), qPrintable(PlainText(pdf, 1)));
    }

    // A job exported from one archive imports into another as the same job, its file valid
    // against the published schema, also over a draft of it there whose every field was emptied;
    // importing it again doubles nothing, and a changed file does not change the approved revision.
    void exportImport() {
        TempProgramDir dir;
        const QString first = dir.filePath(QStringLiteral("甲/记录库.sqlite"));
        const QString second = dir.filePath(QStringLiteral("乙/记录库.sqlite"));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("甲")) &&
                QDir(dir.path()).mkpath(QStringLiteral("乙")));
        QString number;
        {
            RecordArchive archive;
            QCOMPARE(archive.open(first), ArchiveState::Open);
            number = MakeJob(archive, true);
        }
        const QString exported = dir.filePath(QStringLiteral("任务.json"));
        ToolRun run = Tool(first, {QStringLiteral("export-job"), number, exported});
        QVERIFY2(run.code == 0, qPrintable(run.err));

        QProcess validator;
        validator.start(QStringLiteral("python3"),
                        {QStringLiteral("-c"),
                         QStringLiteral("import json, sys, jsonschema\n"
                                        "schema = json.load(open(sys.argv[1], encoding='utf-8'))\n"
                                        "jsonschema.Draft202012Validator.check_schema(schema)\n"
                                        "jsonschema.Draft202012Validator(schema).validate("
                                        "json.load(open(sys.argv[2], encoding='utf-8')))\n"),
                         QStringLiteral(OHMARA_SOURCE_DIR "/docs/job-file.schema.json"), exported});
        QVERIFY(validator.waitForFinished(60000));
        QVERIFY2(validator.exitCode() == 0, validator.readAllStandardError().constData());

        // The job as a draft there, every field of it then emptied.
        QJsonObject draft = ReadJson(exported);
        QJsonObject draftJob = draft.value(QStringLiteral("job")).toObject();
        draftJob.insert(QStringLiteral("state"), QStringLiteral("draft"));
        QJsonObject notSigned = draftJob.value(QStringLiteral("approval")).toObject();
        for (const QString& key : notSigned.keys())
            notSigned.insert(key, QString());
        draftJob.insert(QStringLiteral("approval"), notSigned);
        draft.insert(QStringLiteral("job"), draftJob);
        const QString draftFile = dir.filePath(QStringLiteral("草稿.json"));
        QFile written(draftFile);
        QVERIFY(written.open(QIODevice::WriteOnly));
        written.write(QJsonDocument(draft).toJson());
        written.close();
        run = Tool(second, {QStringLiteral("import-job"), draftFile});
        QVERIFY2(run.code == 0, qPrintable(run.err));
        {
            RecordArchive archive;
            QCOMPARE(archive.open(second), ArchiveState::Open);
            TestJob emptied;
            emptied.uuid = draftJob.value(QStringLiteral("uuid")).toString();
            emptied.number = number;
            QVERIFY(TestJobs(archive).save(emptied));
        }

        QString jobs;
        for (int round = 0; round < 2; ++round) {
            run = Tool(second, {QStringLiteral("import-job"), exported});
            QVERIFY2(run.code == 0, qPrintable(run.err));
            QCOMPARE(run.out.contains(QStringLiteral("更新了试验任务")), round == 0);
            const QString again = dir.filePath(QStringLiteral("再导出.json"));
            QVERIFY(Tool(second, {QStringLiteral("export-job"), number, again}).code == 0);
            QCOMPARE(Comparable(ReadJson(again)), Comparable(ReadJson(exported)));
            QCOMPARE(Tool(second, {QStringLiteral("jobs")}).out, Tool(first, {QStringLiteral("jobs")}).out);
        }
        QVERIFY2(run.out.contains(QStringLiteral("新增记录 0 条")), qPrintable(run.out));

        QJsonObject changed = ReadJson(exported);
        QJsonObject job = changed.value(QStringLiteral("job")).toObject();
        job.insert(QStringLiteral("conclusion"), QStringLiteral("改过的结论"));
        job.insert(QStringLiteral("changed_at"), QStringLiteral("2099-01-01T00:00:00.000Z"));
        changed.insert(QStringLiteral("job"), job);
        QFile file(exported);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(changed).toJson());
        file.close();
        QVERIFY(Tool(second, {QStringLiteral("import-job"), exported}).code == 0);
        const ArchiveFile archive(second);
        QSqlQuery query = archive.query();
        QVERIFY(query.exec(QStringLiteral("SELECT count(*), max(conclusion) FROM jobs")) && query.next());
        QCOMPARE(query.value(0).toInt(), 1);
        QCOMPARE(query.value(1).toString(), QStringLiteral("QF1C 回路电阻超过限值，应检修。"));
    }
};

QTEST_MAIN(TstJobReport)
#include "tst_job_report.moc"
