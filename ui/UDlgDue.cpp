#include "ui/UDlgDue.h"

#include "archive/ProgramArchive.h"
#include "archive/RecordArchive.h"
#include "core/Platform.h"
#include "core/UDataCenter.h"
#include "ui/UDlgJobs.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QString AllAssets() {
    return QCoreApplication::translate("UDlgDue", "全部设备");
}
QString ChosenAsset() {
    return QCoreApplication::translate("UDlgDue", "所选设备");
}

} // namespace

TFrmDue::TFrmDue(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QCoreApplication::translate("UDlgDue", "到期试验"));
    resize(1000, 640);
    m_due = MakeDueModel(this);
    m_shown = new RowFilter(this);
    m_shown->setSourceModel(m_due);

    CmbFilter = new QComboBox(this);
    CmbFilter->setObjectName(QStringLiteral("CmbFilter"));
    CmbFilter->setAccessibleName(QCoreApplication::translate("UDlgDue", "显示"));
    CmbFilter->addItems({QCoreApplication::translate("UDlgDue", "已逾期"),
                         QCoreApplication::translate("UDlgDue", "30 天内到期"),
                         QCoreApplication::translate("UDlgDue", "全部")});
    TblDue = new QTableView(this);
    TblDue->setObjectName(QStringLiteral("TblDue"));
    TblDue->setAccessibleName(windowTitle());
    TblDue->setModel(m_shown);
    TblDue->setSortingEnabled(true);
    TblDue->sortByColumn(1, Qt::AscendingOrder);
    TblDue->setSelectionBehavior(QAbstractItemView::SelectRows);
    TblDue->setSelectionMode(QAbstractItemView::SingleSelection);
    TblDue->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TblDue->verticalHeader()->hide();
    TblDue->horizontalHeader()->setStretchLastSection(true);
    CmbScope = new QComboBox(this);
    CmbScope->setObjectName(QStringLiteral("CmbScope"));
    CmbScope->setAccessibleName(QCoreApplication::translate("UDlgDue", "试验周期适用于"));
    CmbScope->addItem(AllAssets());
    for (const QString& kind : AssetKinds())
        CmbScope->addItem(AssetKindCaption(kind), kind);
    CmbScope->addItem(ChosenAsset());
    EdtMonths = new QLineEdit(this);
    EdtMonths->setObjectName(QStringLiteral("EdtMonths"));
    EdtMonths->setAccessibleName(QCoreApplication::translate("UDlgDue", "试验周期(月)"));
    EdtMonths->setPlaceholderText(QCoreApplication::translate("UDlgDue", "空：不另设"));
    BtnInterval = new QPushButton(QCoreApplication::translate("UDlgDue", "设置周期"), this);
    BtnInterval->setObjectName(QStringLiteral("BtnInterval"));
    BtnNewJob = new QPushButton(QCoreApplication::translate("UDlgDue", "新建任务"), this);
    BtnNewJob->setObjectName(QStringLiteral("BtnNewJob"));

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QCoreApplication::translate("UDlgDue", "显示"), this));
    top->addWidget(CmbFilter);
    top->addStretch();
    top->addWidget(BtnNewJob);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QCoreApplication::translate("UDlgDue", "试验周期(月)"), this));
    bottom->addWidget(CmbScope);
    bottom->addWidget(EdtMonths);
    bottom->addWidget(BtnInterval);
    bottom->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(TblDue, 1);
    layout->addLayout(bottom);

    connect(CmbFilter, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_shown->setTest(
            [this, index](int row) { return DueMatches(m_due->value(row), DueFilter(index), m_today); });
    });
    connect(BtnInterval, &QPushButton::clicked, this, &TFrmDue::BtnIntervalClick);
    connect(BtnNewJob, &QPushButton::clicked, this, &TFrmDue::BtnNewJobClick);
    Reload();
    SetToday(m_today);
}

void TFrmDue::SetToday(const QDate& today) {
    m_today = today;
    const int index = CmbFilter->currentIndex();
    m_shown->setTest(
        [this, index](int row) { return DueMatches(m_due->value(row), DueFilter(index), m_today); });
}

void TFrmDue::Reload() {
    RecordArchive& archive = ProgramArchive::shared().archive();
    const Result<std::vector<DueAsset>> due = archive.readable()
                                                  ? TestJobs(archive).dueList()
                                                  : Result<std::vector<DueAsset>>(std::vector<DueAsset>{});
    m_due->setValues(due ? *due : std::vector<DueAsset>{});
}

const DueAsset* TFrmDue::Chosen() const {
    const QModelIndex index = TblDue->currentIndex();
    return index.isValid() ? &m_due->value(m_shown->mapToSource(index).row()) : nullptr;
}

void TFrmDue::BtnIntervalClick() {
    const QString scopeText = CmbScope->currentText();
    const DueAsset* chosen = Chosen();
    if (scopeText == ChosenAsset() && !chosen) {
        ShowMessage(QCoreApplication::translate("UDlgDue", "请先在表中选择设备。"), AppTitle(),
                    MsgIcon::Information);
        return;
    }
    const QString text = TrimText(EdtMonths->text());
    bool number = false;
    const int months = text.toInt(&number);
    if (!text.isEmpty() && !number) {
        ShowMessage(QCoreApplication::translate("UDlgDue", "试验周期“%1”应为 1 到 240 个月。").arg(text),
                    AppTitle(), MsgIcon::Warning);
        return;
    }
    const IntervalScope scope = scopeText == AllAssets()     ? IntervalScope::All
                                : scopeText == ChosenAsset() ? IntervalScope::Asset
                                                             : IntervalScope::Kind;
    const QString key =
        scope == IntervalScope::Asset ? chosen->asset.device : CmbScope->currentData().toString();
    const Outcome set =
        TestJobs(ProgramArchive::shared().writableArchive())
            .setInterval(scope, key, text.isEmpty() ? std::nullopt : std::optional<int>(months));
    if (!set)
        ShowMessage(set.reason(), AppTitle(), MsgIcon::Warning);
    Reload();
}

void TFrmDue::BtnNewJobClick() {
    const DueAsset* chosen = Chosen();
    if (!chosen) {
        ShowMessage(QCoreApplication::translate("UDlgDue", "请先在表中选择一个站的设备。"), AppTitle(),
                    MsgIcon::Information);
        return;
    }
    const DueFilter filter = CmbFilter->currentIndex() == int(DueFilter::All)
                                 ? DueFilter::Soon
                                 : DueFilter(CmbFilter->currentIndex());
    const TestJob job = TestJobs(ProgramArchive::shared().archive())
                            .jobForDue(chosen->asset.station, m_due->values(), filter, m_today);
    auto* jobs = new TFrmJobs(this);
    connect(jobs, &TFrmJobs::jobsChanged, this, &TFrmDue::jobsChanged);
    jobs->StartJob(job);
    jobs->setWindowModality(Qt::WindowModal);
    jobs->show();
}
