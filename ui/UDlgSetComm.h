#pragma once
// The link settings dialog: USB or serial port, and for the serial port which COM port and which
// baud rate. It edits giCommStyle, giCommPort and giBaudRate in memory only; the settings file
// is written when the main window closes, and the next exchange uses the new values.
#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

class TFrmSetComm : public QDialog {
    Q_OBJECT
public:
    explicit TFrmSetComm(QWidget* parent = nullptr);

    void cbCommStyleChange();
    void BtnOKClick();

    QGroupBox* PanelStyle = nullptr;
    QGroupBox* PanelSerial = nullptr;
    QLabel* lblCommStyle = nullptr;
    QComboBox* cbCommStyle = nullptr;
    QLabel* lblcommPort = nullptr;
    QComboBox* cbCommPort = nullptr;
    QLabel* lblBaudRate = nullptr;
    QComboBox* cbrate = nullptr;
    QPushButton* BtnOK = nullptr;
    QPushButton* BtnCancel = nullptr;

private:
    void CreateControls();
    void FormCreate();
};
