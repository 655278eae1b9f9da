#include "ui/UDlgAudit.h"

#include "archive/ProgramArchive.h"
#include "archive/RecordArchive.h"
#include "core/Platform.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"
#include "ui/FileDialogs.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

TFrmAudit::TFrmAudit(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QCoreApplication::translate("UDlgAudit", "修改记录"));
    resize(1100, 640);
    m_entries = MakeAuditModel(this);
    RecordArchive& archive = ProgramArchive::shared().archive();
    const Result<std::vector<AuditEntry>> all =
        archive.readable() ? TestJobs(archive).audit()
                           : Result<std::vector<AuditEntry>>(std::vector<AuditEntry>{});
    m_entries->setValues(all ? *all : std::vector<AuditEntry>{});
    m_shown = new QSortFilterProxyModel(this);
    m_shown->setSourceModel(m_entries);
    m_shown->setFilterKeyColumn(-1);
    m_shown->setFilterCaseSensitivity(Qt::CaseInsensitive);

    EdtFilter = new QLineEdit(this);
    EdtFilter->setObjectName(QStringLiteral("EdtFilter"));
    EdtFilter->setAccessibleName(QCoreApplication::translate("UDlgAudit", "筛选"));
    EdtFilter->setPlaceholderText(
        QCoreApplication::translate("UDlgAudit", "筛选（修改人、对象、名称、字段或值）"));
    EdtFilter->setClearButtonEnabled(true);
    TblAudit = new QTableView(this);
    TblAudit->setObjectName(QStringLiteral("TblAudit"));
    TblAudit->setAccessibleName(windowTitle());
    TblAudit->setModel(m_shown);
    TblAudit->setSortingEnabled(true);
    TblAudit->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TblAudit->verticalHeader()->hide();
    TblAudit->horizontalHeader()->setStretchLastSection(true);
    BtnExport = new QPushButton(QCoreApplication::translate("UDlgAudit", "导出…"), this);
    BtnExport->setObjectName(QStringLiteral("BtnExport"));
    auto* top = new QHBoxLayout;
    top->addWidget(EdtFilter, 1);
    top->addWidget(BtnExport);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(TblAudit, 1);
    connect(EdtFilter, &QLineEdit::textChanged, m_shown, &QSortFilterProxyModel::setFilterFixedString);
    connect(BtnExport, &QPushButton::clicked, this, &TFrmAudit::BtnExportClick);
}

void TFrmAudit::BtnExportClick() {
    FileDialogRequest request;
    request.kind = FileDialogKind::Save;
    request.title = QCoreApplication::translate("UDlgAudit", "导出修改记录");
    request.filters = {QCoreApplication::translate("UDlgAudit", "Excel 工作簿(*.xlsx)"),
                       QCoreApplication::translate("UDlgAudit", "逗号分隔文件(*.csv)")};
    request.initialFolder = EnsureDataFolder();
    request.proposedName = QCoreApplication::translate("UDlgAudit", "修改记录.xlsx");
    request.defaultSuffix = QStringLiteral("xlsx");
    const QString fileName = ChooseFileName(request);
    if (!fileName.isEmpty())
        ExportTo(fileName);
}

bool TFrmAudit::ExportTo(const QString& fileName) {
    std::vector<AuditEntry> shown;
    for (int row = 0; row < m_shown->rowCount(); ++row)
        shown.push_back(m_entries->value(m_shown->mapToSource(m_shown->index(row, 0)).row()));
    const Outcome written = ExportAudit(shown, fileName);
    if (!written)
        ShowMessage(written.reason(), AppTitle(), MsgIcon::Warning);
    return bool(written);
}
