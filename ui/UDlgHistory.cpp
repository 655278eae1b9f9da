#include "ui/UDlgHistory.h"

#include "archive/AssetRegister.h"
#include "archive/ProgramArchive.h"
#include "archive/RecordArchive.h"
#include "core/Platform.h"
#include "core/RecordColumns.h"
#include "core/RecordValues.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"
#include "ui/ArchiveHistory.h"
#include "ui/BayPhasesTable.h"
#include "ui/FileExport.h"
#include "ui/HistoryChart.h"
#include "ui/NamedButton.h"
#include "ui/VerdictLook.h"

#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr QSize kWindowSize(1000, 700);

HistoryRowsModel* MakeHistoryRowsModel(QObject* parent) {
    const int verdictColumn = int(HistoryColumnHeaders().size());
    auto* model = new HistoryRowsModel(
        HistoryColumnHeaders() + QStringList{QCoreApplication::translate("UDlgHistory", "结论"),
                                             QCoreApplication::translate("UDlgHistory", "原因")},
        [verdictColumn](const HistoryRow& row, int column) -> QString {
            if (column < verdictColumn)
                return HistoryRowTexts(row.entry).value(column);
            if (!row.assessment)
                return {};
            return column == verdictColumn ? VerdictText(row.assessment->verdict)
                                           : row.assessment->reasonText();
        },
        parent);
    model->setRoles([verdictColumn](const HistoryRow& row, int column, int role) -> QVariant {
        const auto optional = [](const auto& value) { return value ? QVariant(*value) : QVariant(); };
        if (role == kSortRole) {
            switch (column) {
            case 0:
                return optional(row.entry.when);
            case 1:
                return LeadingNumber(row.entry.step);
            case 3:
                return optional(row.entry.microOhms);
            case 7:
                return optional(row.entry.changeFromFirst);
            case 8:
                return optional(row.entry.changeFromPrevious);
            default:
                break;
            }
        }
        if (column != verdictColumn || !row.assessment)
            return {};
        return role == kSortRole ? QVariant(int(row.assessment->verdict))
                                 : VerdictRole(*row.assessment, role);
    });
    return model;
}

// A read-only table on a model, sorted by any column through a proxy (none at first).
QTableView* SortedTable(QAbstractItemModel* model, const char* name, QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setObjectName(QLatin1String(name));
    auto* sorted = new RowFilter(view);
    sorted->setSourceModel(model);
    view->setModel(sorted);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(true);
    view->horizontalHeader()->setSortIndicatorClearable(true);
    view->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    view->setSortingEnabled(true);
    return view;
}

} // namespace

TFrmHistory::TFrmHistory(const RecordGrid& grid, int recordCount, const QString& device, QWidget* parent)
    : QDialog(parent), m_grid(grid), m_recordCount(recordCount) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QCoreApplication::translate("UDlgHistory", "设备历史"));
    resize(kWindowSize);
    CreateControls();
    EdtDevice->setText(device);
    Gather();
}

void TFrmHistory::CreateControls() {
    const QString deviceHeader = RecordColumnOf(RecordColumn::Device).caption();
    auto* deviceLabel = new QLabel(deviceHeader, this);
    EdtDevice = new QLineEdit(this);
    EdtDevice->setObjectName(QStringLiteral("EdtDevice"));
    EdtDevice->setAccessibleName(deviceHeader);
    deviceLabel->setBuddy(EdtDevice);
    BtnQuery = NamedButton(QCoreApplication::translate("UDlgHistory", "查询"), "BtnQuery", this);
    auto* limitLabel = new QLabel(QCoreApplication::translate("UDlgHistory", "限值 (uΩ)"), this);
    EdtLimit = new QLineEdit(this);
    EdtLimit->setObjectName(QStringLiteral("EdtLimit"));
    EdtLimit->setAccessibleName(QCoreApplication::translate("UDlgHistory", "限值 (uΩ)"));
    limitLabel->setBuddy(EdtLimit);
    BtnSetLimit = NamedButton(QCoreApplication::translate("UDlgHistory", "设置限值"), "BtnSetLimit", this);
    BtnClearLimit =
        NamedButton(QCoreApplication::translate("UDlgHistory", "清除限值"), "BtnClearLimit", this);
    auto* top = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{deviceLabel, EdtDevice, BtnQuery, limitLabel, EdtLimit,
                                                      BtnSetLimit, BtnClearLimit})
        top->addWidget(w);
    top->addStretch();

    m_rows = MakeHistoryRowsModel(this);
    TblHistory = SortedTable(m_rows, "TblHistory", this);
    TblHistory->setAccessibleName(QCoreApplication::translate("UDlgHistory", "测试记录"));
    ChartHistory = new QChartView(this);
    ChartHistory->setObjectName(QStringLiteral("ChartHistory"));
    ChartHistory->setAccessibleName(QCoreApplication::translate("UDlgHistory", "电阻趋势"));
    ChartHistory->setRenderHint(QPainter::Antialiasing);
    m_phases = MakeBayPhasesModel(this);
    TblPhases = SortedTable(m_phases, "TblPhases", this);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(ChartHistory);
    splitter->addWidget(TblHistory);
    splitter->addWidget(TblPhases);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setStretchFactor(2, 1);

    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    BtnExportPdf = NamedButton(QCoreApplication::translate("UDlgHistory", "导出PDF"), "BtnExportPdf", this);
    BtnExportPng = NamedButton(QCoreApplication::translate("UDlgHistory", "导出PNG"), "BtnExportPng", this);
    BtnClose = NamedButton(QCoreApplication::translate("UDlgHistory", "关闭"), "BtnClose", this);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblSummary, 1);
    bottom->addWidget(BtnExportPdf);
    bottom->addWidget(BtnExportPng);
    bottom->addWidget(BtnClose);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(splitter, 1);
    layout->addLayout(bottom);

    connect(BtnQuery, &QPushButton::clicked, this, &TFrmHistory::BtnQueryClick);
    connect(EdtDevice, &QLineEdit::returnPressed, this, &TFrmHistory::BtnQueryClick);
    connect(BtnSetLimit, &QPushButton::clicked, this, &TFrmHistory::BtnSetLimitClick);
    connect(BtnClearLimit, &QPushButton::clicked, this, &TFrmHistory::BtnClearLimitClick);
    connect(BtnExportPdf, &QPushButton::clicked, this, &TFrmHistory::BtnExportPdfClick);
    connect(BtnExportPng, &QPushButton::clicked, this, &TFrmHistory::BtnExportPngClick);
    connect(BtnClose, &QPushButton::clicked, this, &QDialog::close);
}

QChart* TFrmHistory::Chart() const {
    return ChartHistory->chart();
}

QString TFrmHistory::Limit() const {
    return ProgramArchive::shared().registerLimit(m_history.device);
}

void TFrmHistory::Gather() {
    // The archive holds every record the program met; only when it cannot be read is the data
    // folder read instead.
    RecordArchive* archive = ProgramArchive::shared().existingArchive();
    m_history = archive && archive->readable()
                    ? ArchiveDeviceHistory(*archive, EdtDevice->text(), m_grid, m_recordCount,
                                           ProgramArchive::shared().skippedFiles())
                    : GatherDeviceHistory(EdtDevice->text(), m_grid, m_recordCount, EnsureDataFolder(),
                                          SharedHistoryCache());
    const std::vector<Assessment> assessments =
        archive && archive->readable() ? HistoryAssessments(*archive, m_history) : std::vector<Assessment>();
    std::vector<HistoryRow> rows;
    rows.reserve(m_history.entries.size());
    for (size_t r = 0; r < m_history.entries.size(); ++r)
        rows.push_back({m_history.entries[r],
                        r < assessments.size() ? std::optional<Assessment>(assessments[r]) : std::nullopt});
    m_rows->setValues(std::move(rows));
    EdtLimit->setText(Limit());
    const bool canHold = !m_history.device.trimmed().isEmpty();
    BtnSetLimit->setEnabled(canHold);
    BtnClearLimit->setEnabled(canHold);
    ShowHistory();
    ShowChart();
    ShowBayPhases(TblPhases, m_phases,
                  archive && archive->readable() ? BayPhasesOf(*archive, m_history.device) : std::nullopt);
}

void TFrmHistory::ShowHistory() {
    TblHistory->resizeColumnsToContents();
    const auto charted = std::count_if(m_history.entries.begin(), m_history.entries.end(),
                                       [](const HistoryEntry& e) { return e.charted(); });
    QString summary = QCoreApplication::translate("UDlgHistory", "共 %1 条记录，%2 条计入曲线")
                          .arg(m_history.entries.size())
                          .arg(charted);
    if (!m_history.unreadableFiles.isEmpty())
        summary += QCoreApplication::translate("UDlgHistory", "；%1 个文件无法读取")
                       .arg(m_history.unreadableFiles.size());
    lblSummary->setText(summary);
    lblSummary->setToolTip(m_history.unreadableFiles.join(QLatin1Char('\n')));
}

void TFrmHistory::ShowChart() {
    QChart* old = ChartHistory->chart();
    ChartHistory->setChart(BuildTrendChart(m_history, Limit()));
    delete old;
}

void TFrmHistory::Refuse(const QString& text, QWidget* field) {
    ShowMessage(text, AppTitle(), MsgIcon::Information);
    field->setFocus();
}

void TFrmHistory::BtnQueryClick() {
    Gather();
}

void TFrmHistory::BtnSetLimitClick() {
    bool ok = false;
    const double value = EdtLimit->text().trimmed().toDouble(&ok);
    if (!ok || !(value > 0)) {
        Refuse(QCoreApplication::translate("UDlgHistory", "请输入大于0的限值（uΩ）！"), EdtLimit);
        return;
    }
    if (const Outcome set = ProgramArchive::shared().setRegisterLimit(m_history.device, EdtLimit->text());
        !set) {
        if (set.kind() == FailureKind::Invalid) {
            Refuse(set.reason(), EdtLimit); // the register's own words
            return;
        }
        ShowMessage(set.reason(), AppTitle(), MsgIcon::Warning);
        EdtLimit->setFocus();
        return;
    }
    ShowChart();
}

void TFrmHistory::BtnClearLimitClick() {
    if (const Outcome cleared = ProgramArchive::shared().setRegisterLimit(m_history.device, QString());
        !cleared) {
        ShowMessage(cleared.reason(), AppTitle(), MsgIcon::Warning);
        return;
    }
    EdtLimit->clear();
    ShowChart();
}

void TFrmHistory::ShowExported(const QString& fileName) {
    (fileName.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive) ? m_lastPng : m_lastPdf) = fileName;
}

bool TFrmHistory::ExportTo(const QString& fileName) {
    const HistoryExport prepared = PrepareHistoryExport(fileName, m_history, Limit());
    const bool written = FileExport::Write(
        fileName, [&prepared](const QString& name) { return WriteHistoryExport(name, prepared); });
    if (written)
        ShowExported(fileName);
    return written;
}

void TFrmHistory::Export(const QString& suffix) {
    ExportInBackground(EnsureDataFolder() + QLatin1Char('/') +
                       HistoryExportName(m_history.device, QDateTime::currentDateTime(), suffix));
}

void TFrmHistory::ExportInBackground(const QString& fileName) {
    if (!FileExport::MayReplace(fileName))
        return;
    FileExport::WriteInBackground(
        this, fileName,
        [fileName, prepared = PrepareHistoryExport(fileName, m_history, Limit())](
            const WorkControl& control) { return WriteHistoryExport(fileName, prepared, control); },
        [this, fileName](bool written) {
            if (written)
                ShowExported(fileName);
        });
}

void TFrmHistory::BtnExportPdfClick() {
    Export(QStringLiteral("pdf"));
}

void TFrmHistory::BtnExportPngClick() {
    Export(QStringLiteral("png"));
}
