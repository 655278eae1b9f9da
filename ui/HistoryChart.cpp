#include "ui/HistoryChart.h"

#include "archive/AssetRegister.h"
#include "core/RecordColumns.h"
#include "core/RecordValues.h"
#include "core/UDataCenter.h"
#include "core/WholeFile.h"
#include "core/WorkControl.h"

#include <QBuffer>
#include <QChart>
#include <QCoreApplication>
#include <QDateTimeAxis>
#include <QFont>
#include <QGraphicsScene>
#include <QImage>
#include <QLineSeries>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QValueAxis>
#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <numeric>

namespace {

constexpr double kTextPoints = 9;
constexpr double kTitlePoints = 14;
constexpr int kPageDpi = 96;
constexpr int kImageWidth = 1200;
constexpr size_t kMaxPngRows = 200;
constexpr int kChartHeight = 480;
constexpr int kRowHeight = 22;
constexpr int kMargin = 24;
constexpr int kTitleHeight = 40;
constexpr qint64 kOneDayMs = 24LL * 3600 * 1000;
constexpr double kAxisHeadroom = 0.1;
const QColor kLimitColour(0xD0, 0x00, 0x00);
// Relative widths of the table's columns on a page.
constexpr std::array<int, 10> kColumnWeights{12, 7, 7, 9, 8, 8, 20, 7, 7, 15};

// A Song face asked for by name (fontconfig does not map 宋体); its character map gives PDF
// readers the very texts drawn, digits and all.
QFont SongTiFont(double points, bool bold = false) {
    QFont font;
    font.setFamilies({QStringLiteral("AR PL UMing CN"), QStringLiteral("宋体"), QStringLiteral("SimSun"),
                      QStringLiteral("Noto Serif CJK SC")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QString ChartTitle(const DeviceHistory& history) {
    return QCoreApplication::translate("HistoryChart", "设备历史 %1").arg(history.device);
}

// Draws the title, then the chart drawn ahead, then the table rows from `first` on as far as the
// page goes; returns the index of the first row left over.
size_t PaintPage(QPainter& painter, const QRect& area, const DeviceHistory& history, const QPicture& chart,
                 size_t first) {
    int y = area.top();
    if (first == 0) {
        painter.setFont(SongTiFont(kTitlePoints, true));
        painter.drawText(QRect(area.left(), y, area.width(), kTitleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         ChartTitle(history));
        y += kTitleHeight;
        painter.drawPicture(area.left(), y, chart);
        y += kChartHeight + kRowHeight;
    }
    const int totalWeight = std::accumulate(kColumnWeights.begin(), kColumnWeights.end(), 0);
    auto drawRow = [&](const QStringList& texts, bool bold) {
        painter.setFont(SongTiFont(kTextPoints, bold));
        int x = area.left();
        for (int c = 0; c < texts.size(); ++c) {
            const int width = area.width() * kColumnWeights[size_t(c)] / totalWeight;
            painter.drawText(QRect(x + 2, y, width - 4, kRowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                             painter.fontMetrics().elidedText(texts.at(c), Qt::ElideMiddle, width - 4));
            x += width;
        }
        painter.drawLine(area.left(), y + kRowHeight, area.right(), y + kRowHeight);
        y += kRowHeight;
    };
    drawRow(HistoryColumnHeaders(), true);
    size_t row = first;
    while (row < history.entries.size() && y + kRowHeight <= area.bottom())
        drawRow(HistoryRowTexts(history.entries[row++]), false);
    return row;
}

} // namespace

QString LimitSeriesName(const QString& limit) {
    return QCoreApplication::translate("HistoryChart", "限值 %1 uΩ").arg(limit);
}

QChart* BuildTrendChart(const DeviceHistory& history, const QString& limitText) {
    const std::optional<double> limit = ParseMicroOhms(limitText);
    auto* chart = new QChart();
    chart->setTitle(ChartTitle(history));
    chart->setTitleFont(SongTiFont(kTitlePoints, true));
    chart->legend()->setFont(SongTiFont(kTextPoints));
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto* timeAxis = new QDateTimeAxis(chart);
    timeAxis->setFormat(QStringLiteral("yy-MM-dd"));
    timeAxis->setTitleText(QCoreApplication::translate("HistoryChart", "测试时间"));
    timeAxis->setLabelsFont(SongTiFont(kTextPoints));
    timeAxis->setTitleFont(SongTiFont(kTextPoints));
    auto* valueAxis = new QValueAxis(chart);
    valueAxis->setTitleText(RecordColumnOf(RecordColumn::Resistance).caption() + QStringLiteral(" (µΩ)"));
    valueAxis->setLabelsFont(SongTiFont(kTextPoints));
    valueAxis->setTitleFont(SongTiFont(kTextPoints));
    valueAxis->setLabelFormat(QStringLiteral("%.1f"));
    chart->addAxis(timeAxis, Qt::AlignBottom);
    chart->addAxis(valueAxis, Qt::AlignLeft);

    qint64 earliest = std::numeric_limits<qint64>::max();
    qint64 latest = std::numeric_limits<qint64>::min();
    double low = limit.value_or(std::numeric_limits<double>::max());
    double high = limit.value_or(std::numeric_limits<double>::lowest());
    for (const TrendSeries& trend : history.trend()) {
        auto* series = new QLineSeries(chart);
        series->setName(trend.step.isEmpty() ? QCoreApplication::translate("HistoryChart", "(无档位)")
                                             : trend.step);
        series->setPointsVisible(true);
        for (const auto& [when, value] : trend.points) {
            const qint64 ms = when.toMSecsSinceEpoch();
            series->append(double(ms), value);
            earliest = std::min(earliest, ms);
            latest = std::max(latest, ms);
            low = std::min(low, value);
            high = std::max(high, value);
        }
        chart->addSeries(series);
        series->attachAxis(timeAxis);
        series->attachAxis(valueAxis);
    }
    if (earliest > latest) {
        latest = QDateTime::currentDateTime().toMSecsSinceEpoch();
        earliest = latest;
    }
    if (earliest == latest) {
        earliest -= kOneDayMs;
        latest += kOneDayMs;
    }
    timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(earliest), QDateTime::fromMSecsSinceEpoch(latest));
    if (low > high) {
        low = 0;
        high = 1;
    }
    const double headroom = std::max((high - low) * kAxisHeadroom, 1.0);
    valueAxis->setRange(std::max(0.0, low - headroom), high + headroom);
    valueAxis->applyNiceNumbers();
    if (limit) {
        auto* line = new QLineSeries(chart);
        line->setName(LimitSeriesName(TrimText(limitText)));
        QPen pen(kLimitColour);
        pen.setStyle(Qt::DashLine);
        pen.setWidth(2);
        line->setPen(pen);
        line->append(double(earliest), *limit);
        line->append(double(latest), *limit);
        chart->addSeries(line);
        line->attachAxis(timeAxis);
        line->attachAxis(valueAxis);
    }
    return chart;
}

const QStringList& HistoryColumnHeaders() {
    static const QStringList headers{RecordColumnOf(RecordColumn::Time).caption(),
                                     RecordColumnOf(RecordColumn::Step).caption(),
                                     RecordColumnOf(RecordColumn::LoadTime).caption(),
                                     RecordColumnOf(RecordColumn::Resistance).caption(),
                                     RecordColumnOf(RecordColumn::Tester).caption(),
                                     RecordColumnOf(RecordColumn::Location).caption(),
                                     QCoreApplication::translate("HistoryChart", "文件"),
                                     QCoreApplication::translate("HistoryChart", "较首次"),
                                     QCoreApplication::translate("HistoryChart", "较上次"),
                                     QCoreApplication::translate("HistoryChart", "备注")};
    return headers;
}

QString ChangeText(const std::optional<double>& percent) {
    return percent ? QString::asprintf("%+.1f%%", *percent) : QString();
}

QStringList HistoryRowTexts(const HistoryEntry& entry) {
    QString note;
    if (!entry.when && !entry.microOhms)
        note = QCoreApplication::translate("HistoryChart", "时间和电阻无法识别，未计入曲线");
    else if (!entry.when)
        note = QCoreApplication::translate("HistoryChart", "时间无法识别，未计入曲线");
    else if (!entry.microOhms)
        note = QCoreApplication::translate("HistoryChart", "电阻无法识别，未计入曲线");
    const QString file =
        entry.file.isEmpty() ? QCoreApplication::translate("HistoryChart", "当前表格") : entry.file;
    return {entry.time,
            entry.step,
            entry.loadTime,
            entry.resistance,
            entry.tester,
            entry.location,
            file,
            ChangeText(entry.changeFromFirst),
            ChangeText(entry.changeFromPrevious),
            note};
}

namespace {

// "无法写入文件", with the file's own reason where there is one, of its kind.
Outcome CannotWrite(const Outcome& failure) {
    return Outcome::Failure(
        failure.kind(),
        failure.reason().isEmpty()
            ? QCoreApplication::translate("HistoryChart", "无法写入文件")
            : QCoreApplication::translate("HistoryChart", "无法写入文件（%1）").arg(failure.reason()),
        failure.detail());
}

void SetUpPdf(QPdfWriter& writer, const QString& title) {
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageOrientation(QPageLayout::Landscape);
    writer.setResolution(kPageDpi);
    writer.setTitle(title);
}

// The width a PDF page gives to painting, known before a file is written.
int PdfPageWidth() {
    QBuffer nowhere;
    QPdfWriter writer(&nowhere);
    SetUpPdf(writer, {});
    return writer.width();
}

Outcome WritePdf(const QString& fileName, const HistoryExport& prepared, const WorkControl& control) {
    const DeviceHistory& history = prepared.history;
    const qint64 total = qint64(history.entries.size());
    WholeFile file(fileName);
    if (const Outcome opened = file.open(); !opened)
        return CannotWrite(opened);
    bool drawn = false;
    {
        QPdfWriter writer(&file.device());
        SetUpPdf(writer, ChartTitle(history));
        QPainter painter;
        if (!painter.begin(&writer))
            return Outcome::Failure(FailureKind::Io,
                                    QCoreApplication::translate("HistoryChart", "无法写入文件"));
        const QRect area = painter.viewport().adjusted(kMargin, kMargin, -kMargin, -kMargin);
        size_t next = PaintPage(painter, area, history, prepared.chart, 0);
        while (next < history.entries.size() && !control.stopped()) {
            control.report(qint64(next), total);
            writer.newPage();
            next = PaintPage(painter, area, history, prepared.chart, next);
        }
        drawn = painter.end();
    }
    if (control.stopped())
        return Outcome::Failure(FailureKind::Cancelled, {}); // the old file stays
    const Outcome committed = drawn ? file.commit() : Outcome::Failure(FailureKind::Io, QString());
    return committed ? committed : CannotWrite(committed);
}

Outcome WritePng(const QString& fileName, const HistoryExport& prepared, const WorkControl& control) {
    // A picture of bounded size: the chart and the first part of the table; the whole table goes
    // to PDF pages.
    const DeviceHistory& history = prepared.history;
    const int rows = int(std::min(history.entries.size(), kMaxPngRows));
    const int height = kMargin * 2 + kTitleHeight + kChartHeight + kRowHeight * (rows + 3);
    QImage image(kImageWidth, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        PaintPage(painter, image.rect().adjusted(kMargin, kMargin, -kMargin, -kMargin), history,
                  prepared.chart, 0);
    }
    WholeFile file(fileName);
    Outcome written = file.open();
    if (written && !image.save(&file.device(), "PNG"))
        written = Outcome::Failure(FailureKind::Io, QString());
    if (control.stopped())
        return Outcome::Failure(FailureKind::Cancelled, {}); // the old file stays
    if (written)
        written = file.commit();
    return written ? written : CannotWrite(written);
}

} // namespace

QString HistoryExportName(const QString& device, const QDateTime& when, const QString& suffix) {
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    QString safe = device;
    for (QChar& c : safe) {
        if (forbidden.contains(c) || c.unicode() < 32)
            c = QLatin1Char('_');
    }
    return QCoreApplication::translate("HistoryChart", "设备历史 %1 %2.%3")
        .arg(safe, FormatFileStamp(when), suffix);
}

HistoryExport PrepareHistoryExport(const QString& fileName, const DeviceHistory& history,
                                   const QString& limit) {
    HistoryExport prepared;
    prepared.history = history;
    prepared.png = fileName.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive);
    const int width = (prepared.png ? kImageWidth : PdfPageWidth()) - 2 * kMargin;
    const std::unique_ptr<QChart> chart(BuildTrendChart(history, limit));
    QGraphicsScene scene;
    scene.addItem(chart.get());
    chart->resize(width, kChartHeight);
    QPainter painter(&prepared.chart);
    if (prepared.png)
        painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, QRectF(0, 0, width, kChartHeight), QRectF(0, 0, width, kChartHeight));
    painter.end();
    scene.removeItem(chart.get());
    return prepared;
}

Outcome WriteHistoryExport(const QString& fileName, const HistoryExport& prepared,
                           const WorkControl& control) {
    return prepared.png ? WritePng(fileName, prepared, control) : WritePdf(fileName, prepared, control);
}
