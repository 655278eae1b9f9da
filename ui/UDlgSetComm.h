#pragma once
// The link settings dialog: USB or serial port, and for the serial port which COM port and which
// baud rate. It edits giCommStyle, giCommPort and giBaudRate in memory only; the settings file
// is written when the main window closes, and the next exchange uses the new values.
//
// Beside the COM number it shows the device that number opens, or "无此设备", and it offers the
// serial ports present on the machine to assign to the chosen number; OK keeps the assignments
// for the serial link, and the settings file receives them in [SerialPorts] when it is saved.
#include <QDialog>
#include <QMap>

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
    // Points the chosen COM number at the present port chosen in cbPresentPorts.
    void BtnAssignPortClick();
    // The device the COM number would open with the assignments made so far, or "无此设备".
    QString PortDeviceText(int port) const;

    QGroupBox* PanelStyle = nullptr;
    QGroupBox* PanelSerial = nullptr;
    QLabel* lblCommStyle = nullptr;
    QComboBox* cbCommStyle = nullptr;
    QLabel* lblcommPort = nullptr;
    QComboBox* cbCommPort = nullptr;
    QLabel* lblBaudRate = nullptr;
    QComboBox* cbrate = nullptr;
    QLabel* lblPortDevice = nullptr;
    QLabel* lblPresentPorts = nullptr;
    QComboBox* cbPresentPorts = nullptr;
    QPushButton* BtnAssignPort = nullptr;
    QPushButton* BtnOK = nullptr;
    QPushButton* BtnCancel = nullptr;

private:
    void CreateControls();
    void FormCreate();
    void ShowPortDevices();
    QMap<int, QString> m_assignments;
};
