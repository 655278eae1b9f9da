#include "ui/UDlgOverview.h"

#include "archive/RecordArchive.h"
#include "archive/TableFile.h"
#include "core/RecordColumns.h"
#include "core/UDataCenter.h"
#include "ui/FileExport.h"
#include "ui/NamedButton.h"
#include "ui/ProgramArchive.h"
#include "ui/TablePdf.h"
#include "ui/VerdictLook.h"

#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr QSize kWindowSize(1100, 680);
const QString kTitle = QStringLiteral("站点总览");
const QString kExportTitle = QStringLiteral("导出站点总览");
const QString kUnregistered = QStringLiteral("（未登记）");
enum Column { Name, Phase, Time, Step, Resistance, Change, VerdictColumn, Reason, ColumnCount };

void MarkVerdict(QTreeWidgetItem* item, const Assessment& assessment) {
    item->setText(VerdictColumn, VerdictText(assessment.verdict));
    const QString description = VerdictDescription(assessment);
    for (int c = 0; c < ColumnCount; ++c) {
        item->setToolTip(c, description);
        item->setData(c, Qt::AccessibleDescriptionRole, description);
    }
    if (const QColor colour = VerdictColour(assessment.verdict); colour.isValid())
        item->setBackground(VerdictColumn, colour);
}

// The phases of a bay side by side on its row, each with its current step when they were not all
// tested at the same one.
QString PhasesText(const std::vector<const OverviewDevice*>& devices) {
    std::vector<const OverviewDevice*> phases;
    for (const OverviewDevice* device : devices)
        if (!device->asset.phase.isEmpty() && !device->resistanceText.isEmpty())
            phases.push_back(device);
    const bool oneStep = std::all_of(phases.begin(), phases.end(), [&](const OverviewDevice* device) {
        return device->stepText == phases.front()->stepText;
    });
    QStringList texts;
    for (const OverviewDevice* device : phases)
        texts << device->asset.phase + QLatin1Char(' ') + device->resistanceText +
                     (oneStep ? QString() : QStringLiteral("（%1）").arg(device->stepText));
    return texts.join(QStringLiteral(" / "));
}

QString ShownTime(const QString& time) {
    return QString(time).replace(QLatin1Char('T'), QLatin1Char(' '));
}

} // namespace

TFrmOverview::TFrmOverview(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kTitle);
    resize(kWindowSize);
    CreateControls();
    Refresh();
}

void TFrmOverview::CreateControls() {
    CBVerdict = new QComboBox(this);
    CBVerdict->setObjectName(QStringLiteral("CBVerdict"));
    CBVerdict->setAccessibleName(QStringLiteral("结论"));
    CBVerdict->addItem(QStringLiteral("全部结论"), -1);
    for (const Verdict verdict : {Verdict::Fail, Verdict::Attention, Verdict::Pass, Verdict::NoCriteria})
        CBVerdict->addItem(VerdictText(verdict), int(verdict));
    CBStation = new QComboBox(this);
    CBStation->setObjectName(QStringLiteral("CBStation"));
    CBStation->setAccessibleName(QStringLiteral("站名"));
    EdtSearch = new QLineEdit(this);
    EdtSearch->setObjectName(QStringLiteral("EdtSearch"));
    EdtSearch->setAccessibleName(QStringLiteral("查找设备编号"));
    EdtSearch->setPlaceholderText(QStringLiteral("查找设备编号"));
    EdtSearch->setClearButtonEnabled(true);
    auto* top = new QHBoxLayout;
    auto* verdictLabel = new QLabel(QStringLiteral("结论"), this);
    verdictLabel->setBuddy(CBVerdict);
    auto* stationLabel = new QLabel(QStringLiteral("站名"), this);
    stationLabel->setBuddy(CBStation);
    for (QWidget* w :
         std::initializer_list<QWidget*>{verdictLabel, CBVerdict, stationLabel, CBStation, EdtSearch})
        top->addWidget(w);
    top->addStretch();

    TreeOverview = new QTreeWidget(this);
    TreeOverview->setObjectName(QStringLiteral("TreeOverview"));
    TreeOverview->setAccessibleName(kTitle);
    TreeOverview->setColumnCount(ColumnCount);
    TreeOverview->setHeaderLabels(
        {QStringLiteral("站名 / 间隔 / ") + RecordColumnOf(RecordColumn::Device).header,
         QStringLiteral("相别"), QStringLiteral("最近试验"), RecordColumnOf(RecordColumn::Step).header,
         RecordColumnOf(RecordColumn::Resistance).header, QStringLiteral("比上次"), QStringLiteral("结论"),
         QStringLiteral("原因")});
    TreeOverview->setUniformRowHeights(true);
    TreeOverview->header()->setStretchLastSection(true);

    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    BtnExportExcel = NamedButton(QStringLiteral("导出Excel…"), "BtnExportExcel", this);
    BtnExportPdf = NamedButton(QStringLiteral("导出PDF…"), "BtnExportPdf", this);
    BtnClose = NamedButton(QStringLiteral("关闭"), "BtnClose", this);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblStatus, 1);
    for (QPushButton* button : {BtnExportExcel, BtnExportPdf, BtnClose})
        bottom->addWidget(button);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(TreeOverview, 1);
    layout->addLayout(bottom);

    connect(CBVerdict, &QComboBox::currentIndexChanged, this, &TFrmOverview::ShowTree);
    connect(CBStation, &QComboBox::currentIndexChanged, this, &TFrmOverview::ShowTree);
    connect(EdtSearch, &QLineEdit::textChanged, this, &TFrmOverview::ShowTree);
    connect(TreeOverview, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        const QString device = item->data(Name, Qt::UserRole).toString();
        if (!device.isEmpty())
            emit deviceChosen(device);
    });
    connect(BtnExportExcel, &QPushButton::clicked, this, &TFrmOverview::BtnExportExcelClick);
    connect(BtnExportPdf, &QPushButton::clicked, this, &TFrmOverview::BtnExportPdfClick);
    connect(BtnClose, &QPushButton::clicked, this, &QDialog::close);
}

void TFrmOverview::Refresh() {
    RecordArchive& archive = ProgramArchive::shared().archive();
    m_stations = archive.readable() ? BuildOverview(archive) : std::vector<OverviewStation>{};
    const QString chosen = CBStation->currentText();
    const QSignalBlocker blocker(CBStation);
    CBStation->clear();
    CBStation->addItem(QStringLiteral("全部站点"));
    for (const OverviewStation& station : m_stations)
        CBStation->addItem(station.name.isEmpty() ? kUnregistered : station.name);
    CBStation->setCurrentIndex(std::max(0, CBStation->findText(chosen)));
    ShowTree();
    if (!archive.readable())
        lblStatus->setText(QStringLiteral("记录库不能读取：%1").arg(archive.problem()));
}

bool TFrmOverview::PlaceShown(const OverviewDevice& device, const QString& station) const {
    if (CBStation->currentIndex() > 0 && CBStation->currentText() != station)
        return false;
    const QString search = EdtSearch->text().trimmed();
    return search.isEmpty() || device.asset.device.contains(search, Qt::CaseInsensitive);
}

std::vector<const OverviewDevice*> TFrmOverview::ShownDevices(const OverviewBay& bay,
                                                              const QString& station) const {
    const int verdict = CBVerdict->currentData().toInt();
    const auto matches = [verdict](const OverviewDevice& device) {
        return verdict < 0 || int(device.assessment.verdict) == verdict;
    };
    // A phase that matches keeps the bay's other phases in view beside it.
    const bool phaseMatches =
        std::any_of(bay.devices.begin(), bay.devices.end(), [&](const OverviewDevice& d) {
            return !d.asset.phase.isEmpty() && matches(d) && PlaceShown(d, station);
        });
    std::vector<const OverviewDevice*> shown;
    for (const OverviewDevice& device : bay.devices)
        if (PlaceShown(device, station) &&
            (matches(device) || (phaseMatches && !device.asset.phase.isEmpty())))
            shown.push_back(&device);
    return shown;
}

void TFrmOverview::ShowTree() {
    TreeOverview->clear();
    int devices = 0;
    for (const OverviewStation& station : m_stations) {
        const QString stationName = station.name.isEmpty() ? kUnregistered : station.name;
        QTreeWidgetItem* stationItem = nullptr;
        for (const OverviewBay& bay : station.bays) {
            const std::vector<const OverviewDevice*> shown = ShownDevices(bay, stationName);
            if (shown.empty())
                continue;
            if (!stationItem) {
                stationItem = new QTreeWidgetItem(TreeOverview, {stationName});
                MarkVerdict(stationItem, Assessment{station.worst, {}});
            }
            auto* bayItem =
                new QTreeWidgetItem(stationItem, {bay.name.isEmpty() ? QStringLiteral("—") : bay.name});
            MarkVerdict(bayItem, Assessment{bay.worst, {}});
            for (const OverviewDevice* device : shown) {
                auto* item = new QTreeWidgetItem(bayItem, {device->asset.device, device->asset.phase,
                                                           ShownTime(device->lastTime), device->stepText,
                                                           device->resistanceText,
                                                           OverviewChangeText(device->changePercent)});
                item->setData(Name, Qt::UserRole, device->asset.device);
                MarkVerdict(item, device->assessment);
                item->setText(Reason, device->assessment.reasonText());
                ++devices;
            }
            bayItem->setText(Resistance, PhasesText(shown));
        }
    }
    TreeOverview->expandAll();
    for (int c = 0; c < Reason; ++c)
        TreeOverview->resizeColumnToContents(c);
    lblStatus->setText(QStringLiteral("显示 %1 台设备").arg(devices));
}

bool TFrmOverview::ExportTo(const QString& fileName) {
    std::vector<QStringList> rows;
    for (const OverviewStation& station : m_stations)
        for (const OverviewBay& bay : station.bays)
            for (const OverviewDevice* device :
                 ShownDevices(bay, station.name.isEmpty() ? kUnregistered : station.name))
                rows.push_back(OverviewRows({OverviewStation{station.name,
                                                             station.worst,
                                                             {OverviewBay{bay.name, bay.worst, {*device}}}}})
                                   .front());
    const TableRowSource source = [&rows](qint64 row, QStringList* cells) {
        if (row >= qint64(rows.size()))
            return false;
        *cells = rows[size_t(row)];
        return true;
    };
    const bool pdf = fileName.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive);
    const bool written = FileExport::Write(fileName, [&](const QString& name, QString* reason) {
        if (!pdf)
            return WriteTableFile(name, OverviewHeaders(), source, reason);
        TablePdfLayout layout;
        layout.title = QStringLiteral("%1 %2").arg(
            kTitle, QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm")));
        layout.headers = OverviewHeaders();
        layout.weights = {10, 7, 10, 4, 11, 7, 9, 9, 6, 27};
        layout.rowColour = [](const QStringList& cells) {
            for (const Verdict verdict : {Verdict::Fail, Verdict::Attention, Verdict::Pass})
                if (cells.value(8) == VerdictText(verdict))
                    return VerdictColour(verdict);
            return QColor();
        };
        return WriteTablePdf(name, layout, source, reason);
    });
    if (written)
        lblStatus->setText(QStringLiteral("已导出到“%1”").arg(fileName));
    return written;
}

void TFrmOverview::BtnExportExcelClick() {
    if (const QString fileName =
            FileExport(kExportTitle, kTitle).choose({QStringLiteral("Excel 工作簿(*.xlsx)")});
        !fileName.isEmpty())
        ExportTo(fileName);
}

void TFrmOverview::BtnExportPdfClick() {
    if (const QString fileName = FileExport(kExportTitle, kTitle).choose({QStringLiteral("PDF 文件(*.pdf)")});
        !fileName.isEmpty())
        ExportTo(fileName);
}
