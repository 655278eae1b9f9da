#include "ui/UDlgInstruments.h"

#include "archive/ProgramArchive.h"
#include "archive/RecordArchive.h"
#include "core/Platform.h"
#include "core/UDataCenter.h"

#include <QCoreApplication>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

TFrmInstruments::TFrmInstruments(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QCoreApplication::translate("UDlgInstruments", "仪器台账"));
    resize(900, 560);
    m_instruments = MakeInstrumentModel(this);
    auto* shown = new QSortFilterProxyModel(this);
    shown->setSourceModel(m_instruments);
    TblInstruments = new QTableView(this);
    TblInstruments->setObjectName(QStringLiteral("TblInstruments"));
    TblInstruments->setAccessibleName(windowTitle());
    TblInstruments->setModel(shown);
    TblInstruments->setSortingEnabled(true);
    TblInstruments->setSelectionBehavior(QAbstractItemView::SelectRows);
    TblInstruments->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TblInstruments->verticalHeader()->hide();
    TblInstruments->horizontalHeader()->setStretchLastSection(true);

    auto* form = new QFormLayout;
    const auto line = [&](QLineEdit*& edit, const char* name, const QString& label) {
        edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(name));
        edit->setAccessibleName(label);
        form->addRow(label, edit);
    };
    const auto day = [&](QDateEdit*& edit, const char* name, const QString& label) {
        edit = new QDateEdit(this);
        edit->setObjectName(QLatin1String(name));
        edit->setAccessibleName(label);
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        form->addRow(label, edit);
    };
    line(EdtModel, "EdtModel", QCoreApplication::translate("UDlgInstruments", "型号"));
    line(EdtSerial, "EdtSerial", QCoreApplication::translate("UDlgInstruments", "出厂编号"));
    line(EdtCertificate, "EdtCertificate", QCoreApplication::translate("UDlgInstruments", "校准证书编号"));
    day(EdtCalibratedOn, "EdtCalibratedOn", QCoreApplication::translate("UDlgInstruments", "校准日期"));
    day(EdtValidUntil, "EdtValidUntil", QCoreApplication::translate("UDlgInstruments", "有效期至"));
    line(EdtNote, "EdtNote", QCoreApplication::translate("UDlgInstruments", "备注"));
    BtnNew = new QPushButton(QCoreApplication::translate("UDlgInstruments", "新增"), this);
    BtnNew->setObjectName(QStringLiteral("BtnNew"));
    BtnSave = new QPushButton(QCoreApplication::translate("UDlgInstruments", "保存"), this);
    BtnSave->setObjectName(QStringLiteral("BtnSave"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnNew);
    buttons->addWidget(BtnSave);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TblInstruments, 1);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(TblInstruments->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, shown](const QModelIndex& index) {
                if (index.isValid())
                    Show(m_instruments->value(shown->mapToSource(index).row()));
            });
    connect(BtnNew, &QPushButton::clicked, this, &TFrmInstruments::BtnNewClick);
    connect(BtnSave, &QPushButton::clicked, this, &TFrmInstruments::BtnSaveClick);
    Reload();
    BtnNewClick();
}

void TFrmInstruments::Reload() {
    RecordArchive& archive = ProgramArchive::shared().archive();
    const Result<std::vector<Instrument>> all =
        archive.readable() ? TestJobs(archive).instruments()
                           : Result<std::vector<Instrument>>(std::vector<Instrument>{});
    m_instruments->setValues(all ? *all : std::vector<Instrument>{});
}

void TFrmInstruments::Show(const Instrument& instrument) {
    m_shown = instrument;
    EdtModel->setText(instrument.model);
    EdtSerial->setText(instrument.serial);
    EdtCertificate->setText(instrument.certificate);
    EdtCalibratedOn->setDate(instrument.calibratedOn.isValid() ? instrument.calibratedOn
                                                               : QDate::currentDate());
    EdtValidUntil->setDate(instrument.validUntil.isValid() ? instrument.validUntil
                                                           : EdtCalibratedOn->date().addYears(1));
    EdtNote->setText(instrument.note);
}

void TFrmInstruments::BtnNewClick() {
    Show(Instrument{});
}

bool TFrmInstruments::BtnSaveClick() {
    Instrument typed = m_shown;
    typed.model = TrimText(EdtModel->text());
    typed.serial = TrimText(EdtSerial->text());
    typed.certificate = TrimText(EdtCertificate->text());
    typed.calibratedOn = EdtCalibratedOn->date();
    typed.validUntil = EdtValidUntil->date();
    typed.note = TrimText(EdtNote->text());
    const Result<QString> saved = TestJobs(ProgramArchive::shared().writableArchive()).saveInstrument(typed);
    if (!saved) {
        ShowMessage(saved.reason(), AppTitle(), MsgIcon::Warning);
        return false;
    }
    typed.uuid = *saved;
    Reload();
    Show(typed);
    return true;
}
