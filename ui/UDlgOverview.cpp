#include "ui/UDlgOverview.h"

#include "archive/ProgramArchive.h"
#include "archive/RecordArchive.h"
#include "core/Platform.h"
#include "core/UDataCenter.h"
#include "ui/FileExport.h"
#include "ui/NamedButton.h"
#include "ui/UDlgJobs.h"
#include "ui/VerdictLook.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

constexpr QSize kWindowSize(1100, 680);
QString Title() {
    return QCoreApplication::translate("UDlgOverview", "站点总览");
}

QString ExportTitle() {
    return QCoreApplication::translate("UDlgOverview", "导出站点总览");
}

} // namespace

TFrmOverview::TFrmOverview(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Title());
    resize(kWindowSize);
    CreateControls();
    Refresh();
}

void TFrmOverview::CreateControls() {
    QHBoxLayout* top = CreateFilters();
    CreateTree();
    QHBoxLayout* bottom = CreateStatusBar();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(TreeOverview, 1);
    layout->addLayout(bottom);
    ConnectControls();
}

// The filters above the tree: verdict, station, due, search; and the new job.
QHBoxLayout* TFrmOverview::CreateFilters() {
    CBVerdict = new QComboBox(this);
    CBVerdict->setObjectName(QStringLiteral("CBVerdict"));
    CBVerdict->setAccessibleName(QCoreApplication::translate("UDlgOverview", "结论"));
    CBVerdict->addItem(QCoreApplication::translate("UDlgOverview", "全部结论"), -1);
    for (const Verdict verdict : {Verdict::Fail, Verdict::Attention, Verdict::Pass, Verdict::NoCriteria})
        CBVerdict->addItem(VerdictText(verdict), int(verdict));
    CBStation = new QComboBox(this);
    CBStation->setObjectName(QStringLiteral("CBStation"));
    CBStation->setAccessibleName(QCoreApplication::translate("UDlgOverview", "站名"));
    CBDue = new QComboBox(this);
    CBDue->setObjectName(QStringLiteral("CBDue"));
    CBDue->setAccessibleName(QCoreApplication::translate("UDlgOverview", "下次试验"));
    CBDue->addItem(QCoreApplication::translate("UDlgOverview", "已逾期"), int(DueFilter::Overdue));
    CBDue->addItem(QCoreApplication::translate("UDlgOverview", "30 天内到期"), int(DueFilter::Soon));
    CBDue->addItem(QCoreApplication::translate("UDlgOverview", "全部"), int(DueFilter::All));
    CBDue->setCurrentIndex(CBDue->findData(int(DueFilter::All)));
    EdtSearch = new QLineEdit(this);
    EdtSearch->setObjectName(QStringLiteral("EdtSearch"));
    EdtSearch->setAccessibleName(QCoreApplication::translate("UDlgOverview", "查找设备编号"));
    EdtSearch->setPlaceholderText(QCoreApplication::translate("UDlgOverview", "查找设备编号"));
    EdtSearch->setClearButtonEnabled(true);
    BtnNewJob = NamedButton(QCoreApplication::translate("UDlgOverview", "新建任务"), "BtnNewJob", this);
    auto* top = new QHBoxLayout;
    auto* verdictLabel = new QLabel(QCoreApplication::translate("UDlgOverview", "结论"), this);
    verdictLabel->setBuddy(CBVerdict);
    auto* stationLabel = new QLabel(QCoreApplication::translate("UDlgOverview", "站名"), this);
    stationLabel->setBuddy(CBStation);
    auto* dueLabel = new QLabel(QCoreApplication::translate("UDlgOverview", "下次试验"), this);
    dueLabel->setBuddy(CBDue);
    for (QWidget* w : std::initializer_list<QWidget*>{verdictLabel, CBVerdict, stationLabel, CBStation,
                                                      dueLabel, CBDue, EdtSearch})
        top->addWidget(w);
    top->addStretch();
    top->addWidget(BtnNewJob);
    return top;
}

void TFrmOverview::CreateTree() {
    m_model = new OverviewModel(this);
    m_shown = new OverviewFilter(m_model, this);
    TreeOverview = new QTreeView(this);
    TreeOverview->setObjectName(QStringLiteral("TreeOverview"));
    TreeOverview->setAccessibleName(Title());
    TreeOverview->setModel(m_shown);
    TreeOverview->setUniformRowHeights(true);
    TreeOverview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeOverview->header()->setStretchLastSection(true);
    // The model's order (phases A, B, C first) until a column is chosen. Sorted with the tree
    // folded: every unfolded row is a persistent index the sort would have to move one by one.
    QHeaderView* header = TreeOverview->header();
    header->setSortIndicatorClearable(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setSortIndicatorShown(true);
    header->setSectionsClickable(true);
    connect(header, &QHeaderView::sortIndicatorChanged, this, [this](int column, Qt::SortOrder order) {
        TreeOverview->collapseAll();
        m_shown->sort(column, order);
        TreeOverview->expandAll();
    });
}

// The count and the exports below the tree.
QHBoxLayout* TFrmOverview::CreateStatusBar() {
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    BtnExportExcel =
        NamedButton(QCoreApplication::translate("UDlgOverview", "导出Excel…"), "BtnExportExcel", this);
    BtnExportPdf = NamedButton(QCoreApplication::translate("UDlgOverview", "导出PDF…"), "BtnExportPdf", this);
    BtnClose = NamedButton(QCoreApplication::translate("UDlgOverview", "关闭"), "BtnClose", this);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblStatus, 1);
    for (QPushButton* button : {BtnExportExcel, BtnExportPdf, BtnClose})
        bottom->addWidget(button);
    return bottom;
}

void TFrmOverview::ConnectControls() {
    connect(CBVerdict, &QComboBox::currentIndexChanged, this, &TFrmOverview::Filter);
    connect(CBStation, &QComboBox::currentIndexChanged, this, &TFrmOverview::Filter);
    connect(CBDue, &QComboBox::currentIndexChanged, this, &TFrmOverview::Filter);
    connect(EdtSearch, &QLineEdit::textChanged, this, &TFrmOverview::Filter);
    connect(TreeOverview, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        const QString device =
            index.siblingAtColumn(OverviewModel::Name).data(OverviewModel::kDeviceRole).toString();
        if (!device.isEmpty())
            emit deviceChosen(device);
    });
    connect(BtnNewJob, &QPushButton::clicked, this, &TFrmOverview::BtnNewJobClick);
    connect(BtnExportExcel, &QPushButton::clicked, this, &TFrmOverview::BtnExportExcelClick);
    connect(BtnExportPdf, &QPushButton::clicked, this, &TFrmOverview::BtnExportPdfClick);
    connect(BtnClose, &QPushButton::clicked, this, &QDialog::close);
}

void TFrmOverview::Refresh() {
    RecordArchive& archive = ProgramArchive::shared().archive();
    std::vector<OverviewStation> stations;
    QHash<QString, DueAsset> due;
    if (archive.readable()) {
        stations = BuildOverview(archive);
        if (const Result<std::vector<DueAsset>> list = TestJobs(archive).dueList())
            for (const DueAsset& asset : *list)
                due.insert(asset.asset.key(), asset);
    }
    m_model->setStations(std::move(stations), std::move(due));
    const QString chosen = CBStation->currentText();
    {
        const QSignalBlocker blocker(CBStation);
        CBStation->clear();
        CBStation->addItem(QCoreApplication::translate("UDlgOverview", "全部站点"));
        for (const OverviewStation& station : m_model->stations())
            CBStation->addItem(OverviewModel::StationName(station));
        CBStation->setCurrentIndex(std::max(0, CBStation->findText(chosen)));
    }
    Filter();
    for (int c = 0; c < OverviewModel::Reason; ++c)
        TreeOverview->resizeColumnToContents(c);
    if (!archive.readable())
        lblStatus->setText(QCoreApplication::translate("UDlgOverview", "记录库不能读取：%1")
                               .arg(archive.failure().reason()));
}

void TFrmOverview::SetToday(const QDate& today) {
    OverviewFilter::Filters filters = m_shown->filters();
    filters.today = today;
    m_shown->setFilters(filters);
    TreeOverview->expandAll();
    ShowCount();
}

void TFrmOverview::Filter() {
    const int verdict = CBVerdict->currentData().toInt();
    OverviewFilter::Filters filters = m_shown->filters();
    filters.verdict = verdict < 0 ? std::nullopt : std::optional<Verdict>(Verdict(verdict));
    filters.station = CBStation->currentIndex() > 0 ? CBStation->currentText() : QString();
    filters.search = EdtSearch->text();
    filters.due = DueFilter(CBDue->currentData().toInt());
    m_shown->setFilters(filters);
    TreeOverview->expandAll();
    ShowCount();
}

void TFrmOverview::ShowCount() {
    int devices = 0;
    for (int s = 0; s < m_shown->rowCount(); ++s) {
        const QModelIndex station = m_shown->index(s, 0);
        for (int b = 0; b < m_shown->rowCount(station); ++b)
            devices += m_shown->rowCount(m_shown->index(b, 0, station));
    }
    lblStatus->setText(QCoreApplication::translate("UDlgOverview", "显示 %1 台设备").arg(devices));
}

void TFrmOverview::BtnNewJobClick() {
    const OverviewModel::Place chosen = m_model->place(m_shown->mapToSource(TreeOverview->currentIndex()));
    if (chosen.station < 0) {
        ShowMessage(QCoreApplication::translate("UDlgOverview", "请先在总览中选择一个站或间隔。"), AppTitle(),
                    MsgIcon::Information);
        return;
    }
    const OverviewStation& station = m_model->stations()[size_t(chosen.station)];
    // The due assets of the station, or of the chosen bay (of a device's bay).
    std::vector<DueAsset> due;
    for (int b = 0; b < int(station.bays.size()); ++b)
        if (chosen.bay < 0 || b == chosen.bay)
            for (const OverviewDevice& device : station.bays[size_t(b)].devices)
                if (const DueAsset* asset = m_model->due(device))
                    due.push_back(*asset);
    // "全部" plans what is due within the coming days, as the due list does.
    const OverviewFilter::Filters& shown = m_shown->filters();
    const DueFilter filter = shown.due == DueFilter::All ? DueFilter::Soon : shown.due;
    const TestJob job =
        TestJobs(ProgramArchive::shared().archive()).jobForDue(station.name, due, filter, shown.today);
    if (job.planned.isEmpty()) {
        ShowMessage(QCoreApplication::translate("UDlgOverview", "“%1”没有到期的设备。")
                        .arg(OverviewModel::StationName(station)),
                    AppTitle(), MsgIcon::Information);
        return;
    }
    auto* jobs = new TFrmJobs(this);
    connect(jobs, &TFrmJobs::jobsChanged, this, &TFrmOverview::jobsChanged);
    jobs->StartJob(job);
    jobs->setWindowModality(Qt::WindowModal);
    jobs->show();
}

TableExport TFrmOverview::Table() const {
    // What the tree shows, in its order.
    TableExport table;
    for (int s = 0; s < m_shown->rowCount(); ++s) {
        const QModelIndex stationIndex = m_shown->index(s, 0);
        for (int b = 0; b < m_shown->rowCount(stationIndex); ++b) {
            const QModelIndex bayIndex = m_shown->index(b, 0, stationIndex);
            for (int d = 0; d < m_shown->rowCount(bayIndex); ++d) {
                const OverviewModel::Place at =
                    m_model->place(m_shown->mapToSource(m_shown->index(d, 0, bayIndex)));
                const OverviewStation& station = m_model->stations()[size_t(at.station)];
                const OverviewBay& bay = station.bays[size_t(at.bay)];
                table.rows.push_back(
                    OverviewRows(
                        {OverviewStation{station.name,
                                         station.worst,
                                         {OverviewBay{bay.name, bay.worst, {*m_model->device(at)}}}}})
                        .front());
            }
        }
    }
    TablePdfLayout& layout = table.layout;
    layout.title = QStringLiteral("%1 %2").arg(
        Title(), QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    layout.headers = OverviewHeaders();
    layout.weights = {10, 7, 10, 4, 11, 7, 9, 9, 6, 27};
    layout.rowColour = [](const QStringList& cells) {
        for (const Verdict verdict : {Verdict::Fail, Verdict::Attention, Verdict::Pass})
            if (cells.value(8) == VerdictText(verdict))
                return VerdictColour(verdict);
        return QColor();
    };
    return table;
}

void TFrmOverview::ShowExported(const QString& fileName) {
    lblStatus->setText(QCoreApplication::translate("UDlgOverview", "已导出到“%1”").arg(fileName));
}

bool TFrmOverview::ExportTo(const QString& fileName) {
    const bool written = FileExport::WriteTable(fileName, Table());
    if (written)
        ShowExported(fileName);
    return written;
}

void TFrmOverview::ExportInBackground(const QString& fileName) {
    FileExport::WriteTableInBackground(this, fileName, Table(), [this, fileName](bool written) {
        if (written)
            ShowExported(fileName);
    });
}

void TFrmOverview::BtnExportExcelClick() {
    if (const QString fileName =
            FileExport(ExportTitle(), Title())
                .choose({QCoreApplication::translate("UDlgOverview", "Excel 工作簿(*.xlsx)")});
        !fileName.isEmpty())
        ExportInBackground(fileName);
}

void TFrmOverview::BtnExportPdfClick() {
    if (const QString fileName =
            FileExport(ExportTitle(), Title())
                .choose({QCoreApplication::translate("UDlgOverview", "PDF 文件(*.pdf)")});
        !fileName.isEmpty())
        ExportInBackground(fileName);
}
