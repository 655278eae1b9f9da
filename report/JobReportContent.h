#pragma once
// What the signed report of a test job shows, read from the archive as typed values: the job and
// its instrument, the criteria with their numbers, each bay's results with its phases side by side,
// the reasons of every 注意/不合格, the signatures and, on request, each asset's trend. Drawing it
// is JobReport's business; nothing here needs a window.
#include "archive/Assessment.h"
#include "archive/TestJobs.h"
#include "core/Outcome.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class RecordArchive;

inline QString JobReportTitle() {
    return QCoreApplication::translate("JobReport", "回路电阻试验报告");
}

// One column of a bay's table: a record of one asset, or a planned asset without a result.
struct ReportColumn {
    QString device;
    QString phase;
    QString testTime; // "yyyy-MM-dd hh:mm"
    QString step;     // amperes, or ""
    QString resistance;
    QString limit;                  // the asset's limit, or its baseline ("出厂 50"), or ""
    QString change;                 // against the previous test at the same step: "+12.5 %", or ""
    std::optional<Verdict> verdict; // none: 未测
    QStringList reasons;
    QString verdictText() const { return verdict ? VerdictText(*verdict) : UntestedText(); }
};

struct ReportBay {
    QString station;
    QString bay; // the device number for a device without a bay
    std::vector<ReportColumn> columns;
};

struct ReportCriterion {
    QString number; // "1"
    QString text;   // "不大于出厂值的 1.2 倍"
    QString rule;   // the verdict it leads to: "超过为“注意”"
};

struct ReportSigner {
    QString role; // "试验", "审核", "批准"
    QString name;
    QString day;   // "yyyy-MM-dd" (local), or ""
    QString image; // a registered image of the handwritten signature, or ""
};

struct ReportTrend {
    QString device;
    std::optional<double> limit; // µΩ
    struct Series {
        int stepAmperes = 0;
        std::vector<std::pair<QDateTime, double>> points; // in time order
    };
    std::vector<Series> series;
};

struct JobReportContent {
    TestJob job;
    std::optional<Instrument> instrument;
    QString calibrationWarning; // "" when the instrument was calibrated for the test days
    std::vector<ReportCriterion> criteria;
    std::vector<ReportBay> bays;
    JobSummary summary;
    std::vector<ReportSigner> signers; // 试验, 审核, 批准
    std::vector<ReportTrend> trends;   // the appendix, empty without it

    QString reportNumber() const; // the job number, with the revision from the second on
    bool draft() const { return job.state != JobState::Approved; }
};

// The folder below the data folder holding the images of handwritten signatures: "<name>.png".
QString SignatureFolder(const QString& dataFolder);

// Reads the job's report from the archive; trends only when asked for.
Result<JobReportContent> LoadJobReportContent(RecordArchive& archive, const QString& uuid,
                                              const QString& dataFolder, bool trends);
// The job a command line names: its uuid, or its number (the newest revision).
Result<QString> FindJob(RecordArchive& archive, const QString& numberOrUuid);
