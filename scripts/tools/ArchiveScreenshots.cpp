// Takes the README's pictures of the record archive's windows: the asset register, the station
// overview, a device's history with its bay's phases, a record grid with its verdicts, a test job,
// the due list and the audit trail, over a small archive of made-up tests. Run by
// scripts/archive-screenshots.sh.
#include "archive/AssetRegister.h"
#include "archive/ProgramArchive.h"
#include "archive/RecordArchive.h"
#include "archive/TestJobs.h"
#include "core/Platform.h"
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "report/ReportLayout.h"
#include "ui/DesktopLook.h"
#include "ui/DesktopSeams.h"
#include "ui/UDlgAudit.h"
#include "ui/UDlgDue.h"
#include "ui/UDlgHistory.h"
#include "ui/UDlgJobs.h"
#include "ui/UDlgOverview.h"
#include "ui/UDlgRegister.h"
#include "ui/UMain.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>

namespace {

TestRecord Record(const QString& device, const QString& time, const QString& step,
                  const QString& resistance) {
    return TestRecord::FromTexts({QStringLiteral(" 1"), time, device, QStringLiteral("李工"),
                                  QStringLiteral("东郊站"), step, QStringLiteral("10 秒"), resistance});
}

bool Save(QWidget* window, const QString& path) {
    window->show();
    QApplication::processEvents();
    const bool saved = window->grab().save(path);
    if (!saved)
        qWarning("cannot write %s", qPrintable(path));
    return saved;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2) {
        qWarning("usage: %s <output folder>", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QApplication::setFont(SongTiFont(9));
    InstallDesktopSeams();
    SetUpDesktopLook();
    QTemporaryDir program;
    SetExecutableDir(program.path());

    RecordArchive& archive = ProgramArchive::shared().archive();
    std::vector<Asset> assets;
    const QString kinds[] = {QStringLiteral("断路器"), QStringLiteral("隔离开关")};
    for (int bay = 0; bay < 3; ++bay) {
        for (int phase = 0; phase < 3; ++phase) {
            Asset asset;
            asset.device = QStringLiteral("DL%1%2").arg(101 + bay).arg(QChar('A' + phase));
            asset.station = bay < 2 ? QStringLiteral("东郊站") : QStringLiteral("西山站");
            asset.bay = QStringLiteral("%1号主变间隔").arg(bay + 1);
            asset.phase = QString(QChar('A' + phase));
            asset.kind = kinds[bay % 2];
            asset.maker = QStringLiteral("平高");
            asset.model = QStringLiteral("LW36-126");
            asset.factory = QStringLiteral("38");
            asset.limit = QStringLiteral("60");
            assets.push_back(asset);
        }
    }
    Outcome saved = SaveAssets(archive, assets);
    const QStringList readings[] = {{"37.5 uΩ", "39.1 uΩ", "38.2 uΩ"},
                                    {"40.2 uΩ", "47.9 uΩ", "61.3 uΩ"},
                                    {"36.4 uΩ", "37.0 uΩ", "56.8 uΩ"}};
    std::vector<TestRecord> records;
    for (int bay = 0; bay < 3; ++bay)
        for (int phase = 0; phase < 3; ++phase) {
            const QString device = QStringLiteral("DL%1%2").arg(101 + bay).arg(QChar('A' + phase));
            records.push_back(Record(device, QStringLiteral("25-04-10 09:%1").arg(10 + phase * 5 + bay),
                                     QStringLiteral("100 A"), QStringLiteral("36.9 uΩ")));
            records.push_back(Record(device, QStringLiteral("26-04-12 10:%1").arg(10 + phase * 5 + bay),
                                     QStringLiteral("100 A"), readings[bay].at(phase)));
        }
    if (const Result<int> stored = archive.store(records, QStringLiteral("upload")); !stored)
        qFatal("%s", qPrintable(stored.reason()));
    records.push_back(Record(QStringLiteral("MX7"), QStringLiteral("26-04-12 11:02"), QStringLiteral("200 A"),
                             QStringLiteral("12.4 uΩ")));
    if (const Result<int> stored = archive.store({records.back()}, QStringLiteral("upload")); !stored)
        qFatal("%s", qPrintable(stored.reason()));

    // A routine job of 东郊站's six breakers, recorded by one engineer and checked by another; a limit
    // changed afterwards leaves its trace in the audit trail.
    TestJobs jobs(archive);
    Instrument instrument;
    instrument.model = QStringLiteral("回路电阻测试仪");
    instrument.serial = QStringLiteral("5731");
    instrument.certificate = QStringLiteral("JZ2025-0412");
    instrument.calibratedOn = QDate(2025, 5, 20);
    instrument.validUntil = QDate(2026, 5, 19);
    TestJob job;
    job.station = QStringLiteral("东郊站");
    job.firstDay = job.lastDay = QDate(2026, 4, 12);
    job.number = jobs.proposeNumber(job.station, job.firstDay);
    job.kind = JobKinds().at(1);
    job.basis = JobBasisPresets().value(0);
    job.weather = QStringLiteral("晴");
    job.temperature = QStringLiteral("18");
    job.humidity = QStringLiteral("45");
    job.testers = QStringLiteral("张伟、刘强");
    job.conclusion = QStringLiteral("DL102C 超过限值，建议检修后复测");
    for (const Asset& asset : assets)
        if (asset.station == job.station)
            job.planned << asset.device;
    const bool signedIn = jobs.setSignature(QStringLiteral("张伟")).ok();
    const Result<QString> instrumentId = jobs.saveInstrument(instrument);
    job.instrument = instrumentId ? *instrumentId : QString();
    const Result<QString> jobId = jobs.save(job);
    const bool checked = jobId && jobs.addRecords(*jobId, job.planned, job.firstDay, job.lastDay) &&
                         jobs.submit(*jobId) && jobs.setSignature(QStringLiteral("李工")) &&
                         jobs.check(*jobId);
    assets[4].limit = QStringLiteral("55");
    if (saved)
        saved = SaveAssets(archive, {assets[4]});
    bool ok =
        signedIn && checked && saved && jobs.setInterval(IntervalScope::Kind, QStringLiteral("隔离开关"), 24);
    if (!ok)
        qWarning("cannot store the job: %s", qPrintable(jobId.reason() + saved.reason()));
    {
        TFrmRegister window;
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.resize(1180, 420);
        ok = Save(&window, out.filePath(QStringLiteral("register.png"))) && ok;
    }
    {
        TFrmOverview window;
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.resize(1100, 470);
        ok = Save(&window, out.filePath(QStringLiteral("overview.png"))) && ok;
    }
    {
        RecordGrid empty;
        TFrmHistory window(empty, 0, QStringLiteral("DL102B"));
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.resize(1000, 700);
        ok = Save(&window, out.filePath(QStringLiteral("bay-history.png"))) && ok;
    }
    {
        TFrmMain window;
        window.Grid()->setGridRowCount(int(records.size()) / 2 + 1);
        int row = 0;
        for (size_t i = 1; i < records.size(); i += 2) {
            TestRecord::Texts texts = records[i].texts;
            texts[0] = RowNumberText(++row);
            window.Grid()->setRow(row, texts);
        }
        giRecordCount = row;
        window.SGData->selectRow(0);
        ok = Save(&window, out.filePath(QStringLiteral("assessed-grid.png"))) && ok;
    }
    if (jobId) {
        TFrmJobs window;
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.ShowJob(*jobId);
        window.resize(1200, 820);
        ok = Save(&window, out.filePath(QStringLiteral("job.png"))) && ok;
    }
    {
        TFrmDue window;
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.CmbFilter->setCurrentIndex(window.CmbFilter->count() - 1); // 全部
        window.resize(1000, 420);
        ok = Save(&window, out.filePath(QStringLiteral("due-list.png"))) && ok;
    }
    {
        TFrmAudit window;
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.resize(1100, 480);
        ok = Save(&window, out.filePath(QStringLiteral("audit-trail.png"))) && ok;
    }
    return ok ? 0 : 1;
}
