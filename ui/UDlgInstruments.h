#pragma once
// The window "仪器台账": the instruments with their calibration; the chosen one is edited below the
// table and kept in the archive (every change in the audit trail).
#include "ui/JobModels.h"

#include <QDialog>

class QDateEdit;
class QLineEdit;
class QPushButton;
class QTableView;

class TFrmInstruments : public QDialog {
    Q_OBJECT
public:
    explicit TFrmInstruments(QWidget* parent = nullptr);
    InstrumentModel* Instruments() const { return m_instruments; }
    void BtnNewClick();
    bool BtnSaveClick();

    QTableView* TblInstruments = nullptr;
    QLineEdit* EdtModel = nullptr;
    QLineEdit* EdtSerial = nullptr;
    QLineEdit* EdtCertificate = nullptr;
    QDateEdit* EdtCalibratedOn = nullptr;
    QDateEdit* EdtValidUntil = nullptr;
    QLineEdit* EdtNote = nullptr;
    QPushButton* BtnNew = nullptr;
    QPushButton* BtnSave = nullptr;

private:
    void Reload();
    void Show(const Instrument& instrument);
    InstrumentModel* m_instruments = nullptr;
    Instrument m_shown;
};
