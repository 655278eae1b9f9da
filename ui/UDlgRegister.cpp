#include "ui/UDlgRegister.h"

#include "archive/ProgramArchive.h"
#include "archive/RecordArchive.h"
#include "core/Platform.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"
#include "ui/FileDialogs.h"
#include "ui/FileExport.h"
#include "ui/NamedButton.h"

#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr QSize kWindowSize(1100, 640);

QString Title() {
    return QCoreApplication::translate("UDlgRegister", "设备台账");
}

QLineEdit* FactorEdit(const char* name, const QString& label, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setAccessibleName(label);
    edit->setMaximumWidth(80);
    return edit;
}

void Tell(const QString& text, MsgIcon icon = MsgIcon::Information) {
    ShowMessage(text, AppTitle(), icon);
}

} // namespace

TFrmRegister::TFrmRegister(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Title());
    resize(kWindowSize);
    CreateControls();
    Load();
}

void TFrmRegister::CreateControls() {
    QHBoxLayout* top = CreateSearch();
    CreateTable();
    QHBoxLayout* factors = CreateFactors();
    QHBoxLayout* bottom = CreateStatusBar();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(TblAssets, 1);
    layout->addLayout(factors);
    layout->addLayout(bottom);
    ConnectControls();
}

QHBoxLayout* TFrmRegister::CreateSearch() {
    auto* searchLabel = new QLabel(QCoreApplication::translate("UDlgRegister", "查找设备编号"), this);
    EdtSearch = new QLineEdit(this);
    EdtSearch->setObjectName(QStringLiteral("EdtSearch"));
    EdtSearch->setAccessibleName(QCoreApplication::translate("UDlgRegister", "查找设备编号"));
    EdtSearch->setClearButtonEnabled(true);
    searchLabel->setBuddy(EdtSearch);
    auto* top = new QHBoxLayout;
    top->addWidget(searchLabel);
    top->addWidget(EdtSearch);
    top->addStretch();
    return top;
}

// The register's rows, editable in place, with its search and sorting.
void TFrmRegister::CreateTable() {
    m_rows = new RegisterModel(
        AssetColumnCaptions(), [](const RegisterRow& row, int column) { return row.columns.value(column); },
        this);
    m_rows->setEdit([](RegisterRow& row, int column, const QString& text) {
        while (row.columns.size() <= column)
            row.columns << QString();
        row.columns[column] = text;
    });
    m_shown = new QSortFilterProxyModel(this);
    m_shown->setSourceModel(m_rows);
    m_shown->setFilterKeyColumn(0);
    m_shown->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_shown->setSortCaseSensitivity(Qt::CaseInsensitive);
    m_shown->setSortLocaleAware(true);
    TblAssets = new QTableView(this);
    TblAssets->setObjectName(QStringLiteral("TblAssets"));
    TblAssets->setAccessibleName(Title());
    TblAssets->setModel(m_shown);
    TblAssets->horizontalHeader()->setSortIndicatorClearable(true);
    TblAssets->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    TblAssets->setSortingEnabled(true);
    TblAssets->verticalHeader()->hide();
    TblAssets->setSelectionBehavior(QAbstractItemView::SelectItems);
    // Every column as wide as its texts, also as they are typed; none takes the room left.
    TblAssets->horizontalHeader()->setStretchLastSection(false);
}

// The criteria for all devices.
QHBoxLayout* TFrmRegister::CreateFactors() {
    EdtBaselineFactor =
        FactorEdit("EdtBaselineFactor", QCoreApplication::translate("UDlgRegister", "基准倍数"), this);
    EdtRiseFactor =
        FactorEdit("EdtRiseFactor", QCoreApplication::translate("UDlgRegister", "增长比例"), this);
    EdtPhaseFactor =
        FactorEdit("EdtPhaseFactor", QCoreApplication::translate("UDlgRegister", "相间比例"), this);
    auto* factors = new QHBoxLayout;
    factors->addWidget(
        new QLabel(QCoreApplication::translate("UDlgRegister", "全部设备的判据：超过基准值的倍数"), this));
    factors->addWidget(EdtBaselineFactor);
    factors->addWidget(new QLabel(QCoreApplication::translate("UDlgRegister", "比上次增长超过"), this));
    factors->addWidget(EdtRiseFactor);
    factors->addWidget(new QLabel(QCoreApplication::translate("UDlgRegister", "比同间隔最低相高出"), this));
    factors->addWidget(EdtPhaseFactor);
    factors->addWidget(new QLabel(
        QCoreApplication::translate("UDlgRegister", "（比例按 0.2 = 20 % 填写；单台设备可在表中另填）"),
        this));
    factors->addStretch();
    return factors;
}

QHBoxLayout* TFrmRegister::CreateStatusBar() {
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    BtnSave = NamedButton(QCoreApplication::translate("UDlgRegister", "保存"), "BtnSave", this);
    BtnImport = NamedButton(QCoreApplication::translate("UDlgRegister", "导入…"), "BtnImport", this);
    BtnExport = NamedButton(QCoreApplication::translate("UDlgRegister", "导出…"), "BtnExport", this);
    BtnClose = NamedButton(QCoreApplication::translate("UDlgRegister", "关闭"), "BtnClose", this);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblStatus, 1);
    for (QPushButton* button : {BtnSave, BtnImport, BtnExport, BtnClose})
        bottom->addWidget(button);
    return bottom;
}

void TFrmRegister::ConnectControls() {
    connect(EdtSearch, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_shown->setFilterFixedString(text.trimmed()); });
    connect(m_rows, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& changed) {
        m_edited = true;
        TblAssets->resizeColumnToContents(changed.column());
    });
    for (QLineEdit* edit : {EdtBaselineFactor, EdtRiseFactor, EdtPhaseFactor})
        connect(edit, &QLineEdit::textEdited, this, [this] { m_edited = true; });
    connect(BtnSave, &QPushButton::clicked, this, &TFrmRegister::BtnSaveClick);
    connect(BtnImport, &QPushButton::clicked, this, &TFrmRegister::BtnImportClick);
    connect(BtnExport, &QPushButton::clicked, this, &TFrmRegister::BtnExportClick);
    connect(BtnClose, &QPushButton::clicked, this, &QDialog::close);
}

void TFrmRegister::Load() {
    RecordArchive& archive = ProgramArchive::shared().archive();
    QStringList factors{QStringLiteral("1.2"), QStringLiteral("0.2"), QStringLiteral("0.5")};
    if (archive.readable()) {
        ShowAssets(LoadAssets(archive));
        LoadFactors(archive, &factors);
    }
    EdtBaselineFactor->setText(factors.value(0));
    EdtRiseFactor->setText(factors.value(1));
    EdtPhaseFactor->setText(factors.value(2));
    m_edited = false;
    const bool writable = archive.writable();
    BtnSave->setEnabled(writable);
    BtnImport->setEnabled(writable);
    lblStatus->setText(
        writable ? QCoreApplication::translate("UDlgRegister", "共 %1 台设备").arg(m_rows->rowCount())
                 : QCoreApplication::translate("UDlgRegister", "记录库不能写入：%1")
                       .arg(archive.failure().reason()));
}

void TFrmRegister::ShowAssets(const std::vector<Asset>& assets) {
    std::vector<RegisterRow> rows;
    rows.reserve(assets.size());
    for (const Asset& asset : assets)
        rows.push_back({AssetColumns(asset), asset.registered});
    m_rows->setValues(std::move(rows));
    TblAssets->resizeColumnsToContents();
}

std::vector<Asset> TFrmRegister::Assets() const {
    std::vector<Asset> assets;
    for (const RegisterRow& row : m_rows->values()) {
        QStringList columns;
        bool filled = false;
        for (int c = 0; c < m_rows->columnCount(); ++c) {
            columns << TrimText(row.columns.value(c));
            filled = filled || (c > 0 && !columns.last().isEmpty());
        }
        // A device only seen stays out of the register until something is filled in for it.
        if (!filled && !row.registered)
            continue;
        Result<Asset> parsed = AssetFromColumns(columns);
        Asset asset = parsed ? *parsed : Asset{};
        if (!parsed) {
            // Kept as typed: saving refuses it with the reason.
            asset.device = columns.value(0);
            asset.phase = columns.value(3);
            asset.kind = columns.value(4);
            asset.factory = columns.value(7);
            asset.commissioning = columns.value(8);
            asset.limit = columns.value(9);
            asset.baselineFactor = columns.value(11);
            asset.riseFactor = columns.value(12);
            asset.phaseFactor = columns.value(13);
        }
        assets.push_back(asset);
    }
    return assets;
}

void TFrmRegister::BtnSaveClick() {
    RecordArchive& archive = ProgramArchive::shared().archive();
    const QStringList factors{EdtBaselineFactor->text(), EdtRiseFactor->text(), EdtPhaseFactor->text()};
    if (const Outcome saved = SaveFactors(archive, factors); !saved) {
        Tell(QCoreApplication::translate("UDlgRegister", "判据未保存：%1").arg(saved.reason()));
        EdtBaselineFactor->setFocus();
        return;
    }
    if (const Outcome saved = SaveAssets(archive, Assets()); !saved) {
        Tell(QCoreApplication::translate("UDlgRegister", "台账未保存：%1").arg(saved.reason()));
        return;
    }
    emit ProgramArchive::shared().registerChanged();
    Load();
    lblStatus->setText(
        QCoreApplication::translate("UDlgRegister", "已保存，共 %1 台设备").arg(m_rows->rowCount()));
}

bool TFrmRegister::ImportFrom(const QString& fileName) {
    const Result<std::vector<Asset>> read = ImportAssets(fileName);
    const Outcome saved = read ? SaveAssets(ProgramArchive::shared().archive(), *read) : Outcome(read);
    if (!saved) {
        Tell(QCoreApplication::translate("UDlgRegister", "台账未导入：%1").arg(saved.reason()));
        return false;
    }
    emit ProgramArchive::shared().registerChanged();
    Load();
    lblStatus->setText(
        QCoreApplication::translate("UDlgRegister", "从“%1”导入 %2 台设备").arg(fileName).arg(read->size()));
    return true;
}

TableExport TFrmRegister::Table() const {
    // The register's file: its columns under its headers, as ExportAssets() writes them.
    TableExport table;
    table.layout.headers = AssetColumnHeaders();
    for (const Asset& asset : Assets())
        table.rows.push_back(AssetColumns(asset));
    return table;
}

void TFrmRegister::ShowExported(const QString& fileName) {
    lblStatus->setText(QCoreApplication::translate("UDlgRegister", "已导出到“%1”").arg(fileName));
}

bool TFrmRegister::ExportTo(const QString& fileName) {
    const bool written = FileExport::WriteTable(fileName, Table());
    if (written)
        ShowExported(fileName);
    return written;
}

void TFrmRegister::reject() {
    if (m_edited &&
        ShowMessage(QCoreApplication::translate("UDlgRegister", "设备台账有改动还没有保存。不保存就关闭吗？"),
                    AppTitle(), MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
        return;
    QDialog::reject();
}

void TFrmRegister::BtnImportClick() {
    FileDialogRequest request;
    request.kind = FileDialogKind::Open;
    request.title = QCoreApplication::translate("UDlgRegister", "导入设备台账");
    request.filters = {QCoreApplication::translate("UDlgRegister", "设备台账(*.xlsx *.csv)")};
    request.initialFolder = EnsureDataFolder();
    request.mustExist = true;
    if (const QString fileName = ChooseFileName(request); !fileName.isEmpty())
        ImportFrom(fileName);
}

void TFrmRegister::BtnExportClick() {
    if (const QString fileName =
            FileExport(QCoreApplication::translate("UDlgRegister", "导出设备台账"), Title())
                .choose({QCoreApplication::translate("UDlgRegister", "Excel 工作簿(*.xlsx)"),
                         QCoreApplication::translate("UDlgRegister", "逗号分隔文件(*.csv)")});
        !fileName.isEmpty())
        FileExport::WriteTableInBackground(this, fileName, Table(), [this, fileName](bool written) {
            if (written)
                ShowExported(fileName);
        });
}
