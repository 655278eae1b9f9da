#include "ui/UDlgSetComm.h"

#include "core/UDataCenter.h"
#include "link/KMVCommUnit.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kPortCount = 16;
QString NoDevice() {
    return QCoreApplication::translate("UDlgSetComm", "无此设备");
}

QString PresentPortText(const PresentSerialPort& port) {
    QString text = port.device;
    if (!port.description.isEmpty())
        text += QStringLiteral(" — ") + port.description;
    if (port.vendorId && port.productId)
        text += QString::asprintf(" (%04X:%04X)", unsigned(*port.vendorId), unsigned(*port.productId));
    return text;
}

QComboBox* NewList(const QString& name, const QStringList& items, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    list->setEditable(false);
    list->addItems(items);
    return list;
}

QLabel* NewLabel(const QString& name, const QString& caption, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setBuddy(buddy);
    buddy->setAccessibleName(caption);
    return label;
}

// Selects position index, or nothing when the stored value lies outside the list.
void SelectPosition(QComboBox* list, long long index) {
    list->setCurrentIndex(index >= 0 && index < list->count() ? int(index) : -1);
}

} // namespace

TFrmSetComm::TFrmSetComm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QCoreApplication::translate("UDlgSetComm", "通讯设置"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    CreateControls();
    FormCreate();
}

void TFrmSetComm::CreateControls() {
    PanelStyle = new QGroupBox(this);
    PanelStyle->setObjectName(QStringLiteral("PanelStyle"));
    cbCommStyle =
        NewList(QStringLiteral("cbCommStyle"),
                {QStringLiteral("USB"), QCoreApplication::translate("UDlgSetComm", "串口")}, PanelStyle);
    lblCommStyle =
        NewLabel(QStringLiteral("lblCommStyle"), QCoreApplication::translate("UDlgSetComm", "通讯方式："),
                 cbCommStyle, PanelStyle);
    auto* styleLayout = new QHBoxLayout(PanelStyle);
    styleLayout->addWidget(lblCommStyle);
    styleLayout->addWidget(cbCommStyle, 1);

    PanelSerial = new QGroupBox(this);
    PanelSerial->setObjectName(QStringLiteral("PanelSerial"));
    cbCommPort = NewList(QStringLiteral("cbCommPort"), {}, PanelSerial);
    lblcommPort = NewLabel(QStringLiteral("lblcommPort"),
                           QCoreApplication::translate("UDlgSetComm", "串口："), cbCommPort, PanelSerial);
    const QStringList rates{QStringLiteral("300"),   QStringLiteral("600"),   QStringLiteral("1200"),
                            QStringLiteral("2400"),  QStringLiteral("4800"),  QStringLiteral("9600"),
                            QStringLiteral("19200"), QStringLiteral("38400"), QStringLiteral("43000"),
                            QStringLiteral("56000"), QStringLiteral("57600"), QStringLiteral("115200"),
                            QStringLiteral("256000")};
    cbrate = NewList(QStringLiteral("cbrate"), rates, PanelSerial);
    lblBaudRate = NewLabel(QStringLiteral("lblBaudRate"),
                           QCoreApplication::translate("UDlgSetComm", "波特率："), cbrate, PanelSerial);
    auto* serialLayout = new QGridLayout(PanelSerial);
    lblPortDevice = new QLabel(PanelSerial);
    lblPortDevice->setObjectName(QStringLiteral("lblPortDevice"));
    lblPortDevice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cbPresentPorts = NewList(QStringLiteral("cbPresentPorts"), {}, PanelSerial);
    lblPresentPorts =
        NewLabel(QStringLiteral("lblPresentPorts"), QCoreApplication::translate("UDlgSetComm", "本机串口："),
                 cbPresentPorts, PanelSerial);
    for (const PresentSerialPort& port : PresentSerialPorts())
        cbPresentPorts->addItem(PresentPortText(port), port.device);
    BtnAssignPort = new QPushButton(QCoreApplication::translate("UDlgSetComm", "用于此串口"), PanelSerial);
    BtnAssignPort->setObjectName(QStringLiteral("BtnAssignPort"));
    serialLayout->addWidget(lblcommPort, 0, 0);
    serialLayout->addWidget(cbCommPort, 0, 1);
    serialLayout->addWidget(lblPortDevice, 0, 2);
    serialLayout->addWidget(lblBaudRate, 1, 0);
    serialLayout->addWidget(cbrate, 1, 1);
    serialLayout->addWidget(lblPresentPorts, 2, 0);
    serialLayout->addWidget(cbPresentPorts, 2, 1);
    serialLayout->addWidget(BtnAssignPort, 2, 2);
    serialLayout->setColumnStretch(1, 1);

    BtnOK = new QPushButton(QStringLiteral("OK"), this);
    BtnOK->setObjectName(QStringLiteral("BtnOK"));
    BtnOK->setDefault(true);
    BtnCancel = new QPushButton(QCoreApplication::translate("UDlgSetComm", "退出"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BtnOK);
    buttons->addWidget(BtnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PanelStyle);
    layout->addWidget(PanelSerial);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(cbCommStyle, cbCommPort);
    setTabOrder(cbCommPort, cbrate);
    setTabOrder(cbrate, cbPresentPorts);
    setTabOrder(cbPresentPorts, BtnAssignPort);
    setTabOrder(BtnAssignPort, BtnOK);
    setTabOrder(BtnOK, BtnCancel);

    connect(cbCommStyle, &QComboBox::currentIndexChanged, this, &TFrmSetComm::cbCommStyleChange);
    connect(cbCommPort, &QComboBox::currentIndexChanged, this, &TFrmSetComm::ShowPortDevices);
    connect(BtnAssignPort, &QPushButton::clicked, this, &TFrmSetComm::BtnAssignPortClick);
    connect(BtnOK, &QPushButton::clicked, this, &TFrmSetComm::BtnOKClick);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFrmSetComm::FormCreate() {
    SelectPosition(cbCommStyle, giCommStyle);
    cbCommPort->clear();
    for (int port = 1; port <= kPortCount; ++port)
        cbCommPort->addItem(QString::asprintf("COM%d", port));
    SelectPosition(cbCommPort, giCommPort - 1LL);
    SelectPosition(cbrate, giBaudRate - 1LL);
    ShowPortDevices();
    cbCommStyleChange();
}

QString TFrmSetComm::PortDeviceText(int port) const {
    const QString device = m_assignments.value(port, SerialPortName(port));
    return SerialDeviceExists(device) ? device : NoDevice();
}

void TFrmSetComm::ShowPortDevices() {
    for (int i = 0; i < cbCommPort->count(); ++i)
        cbCommPort->setItemData(i, PortDeviceText(i + 1), Qt::ToolTipRole);
    const int port = cbCommPort->currentIndex() + 1;
    lblPortDevice->setText(port >= 1 ? PortDeviceText(port) : QString());
    cbCommPort->setAccessibleDescription(lblPortDevice->text());
}

void TFrmSetComm::BtnAssignPortClick() {
    const int port = cbCommPort->currentIndex() + 1;
    const QString device = cbPresentPorts->currentData().toString();
    if (port < 1 || device.isEmpty())
        return;
    m_assignments.insert(port, device);
    ShowPortDevices();
}

void TFrmSetComm::cbCommStyleChange() {
    const bool serial = cbCommStyle->currentIndex() != 0;
    for (QWidget* control : {static_cast<QWidget*>(cbCommPort), static_cast<QWidget*>(cbrate),
                             static_cast<QWidget*>(lblcommPort), static_cast<QWidget*>(lblBaudRate)})
        control->setEnabled(serial);
    for (QWidget* control : {static_cast<QWidget*>(lblPortDevice), static_cast<QWidget*>(lblPresentPorts),
                             static_cast<QWidget*>(cbPresentPorts)})
        control->setEnabled(serial);
    BtnAssignPort->setEnabled(serial && cbPresentPorts->count() > 0);
}

void TFrmSetComm::BtnOKClick() {
    giCommStyle = cbCommStyle->currentIndex();
    giCommPort = cbCommPort->currentIndex() + 1;
    giBaudRate = cbrate->currentIndex() + 1;
    for (auto it = m_assignments.cbegin(); it != m_assignments.cend(); ++it)
        gSerialPortAssignments.insert(it.key(), it.value());
    accept();
}
