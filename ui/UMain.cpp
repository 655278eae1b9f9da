#include "ui/UMain.h"

#include "core/Platform.h"
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <chrono>

namespace {

constexpr auto kConnectDeferral = std::chrono::milliseconds(100);
constexpr int kButtonTop = 16;
constexpr int kButtonHeight = 25;
const QString kDisconnected = QStringLiteral("设备已断开！");

} // namespace

TFrmMain::TFrmMain(QWidget* parent) : QWidget(parent) {
    setWindowTitle(kAppTitle);
    setFixedSize(907, 447);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    m_grid = new RecordGrid(this);
    CreateControls();
    FormCreate();
}

TFrmMain::~TFrmMain() {
    // FormDestroy: the settings reach the file only now.
    SaveSettings();
}

void TFrmMain::CreateControls() {
    struct ButtonPlace {
        QPushButton** button;
        const char* name;
        QString caption;
        int left;
        int width;
    };
    const ButtonPlace places[] = {
        {&btnUpdateList, "btnUpdateList", QStringLiteral("连接设备"), 24, 89},
        {&BtnSampleData, "BtnSampleData", QStringLiteral("上传数据"), 128, 89},
        {&BtnClearData, "BtnClearData", QStringLiteral("清空历史数据"), 232, 89},
        {&BtnTest, "BtnTest", QStringLiteral("测试"), 336, 89},
        {&BtnSave, "BtnSave", QStringLiteral("保存"), 440, 75},
        {&BtnOpen, "BtnOpen", QStringLiteral("打开"), 528, 75},
        {&BtnPrint, "BtnPrint", QStringLiteral("打印"), 616, 75},
        {&BtnSetComm, "BtnSetComm", QStringLiteral("通讯设置"), 704, 89},
        {&BtnExit, "BtnExit", QStringLiteral("退出"), 808, 75},
    };
    for (const ButtonPlace& place : places) {
        auto* button = new QPushButton(place.caption, this);
        button->setObjectName(QLatin1String(place.name));
        button->setAccessibleName(place.caption);
        button->setGeometry(place.left, kButtonTop, place.width, kButtonHeight);
        *place.button = button;
    }
    connect(btnUpdateList, &QPushButton::clicked, this, &TFrmMain::btnUpdateListClick);
    connect(BtnSampleData, &QPushButton::clicked, this, &TFrmMain::BtnSampleDataClick);
    connect(BtnClearData, &QPushButton::clicked, this, &TFrmMain::BtnClearDataClick);
    connect(BtnTest, &QPushButton::clicked, this, &TFrmMain::BtnTestClick);
    connect(BtnSave, &QPushButton::clicked, this, &TFrmMain::BtnSaveClick);
    connect(BtnOpen, &QPushButton::clicked, this, &TFrmMain::BtnOpenClick);
    connect(BtnPrint, &QPushButton::clicked, this, &TFrmMain::BtnPrintClick);
    connect(BtnSetComm, &QPushButton::clicked, this, &TFrmMain::BtnSetCommClick);
    connect(BtnExit, &QPushButton::clicked, this, &TFrmMain::BtnExitClick);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 56, 889, 361);

    SGData = new QTableView(GroupBox1);
    SGData->setObjectName(QStringLiteral("SGData"));
    SGData->setGeometry(8, 24, 873, 321);
    SGData->setModel(m_grid);
    SGData->setAccessibleName(QStringLiteral("测试记录"));

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(920, 56, 113, 369);
    ListBox1->setAccessibleName(QStringLiteral("通讯数据"));

    CreateStatusBar();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kConnectDeferral);
    connect(Timer1, &QTimer::timeout, this, &TFrmMain::Timer1Timer);
}

void TFrmMain::CreateStatusBar() {
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, 428, 907, 19);
    StatusBar1->setContentsMargins(0, 0, 0, 0);

    StatusPanel0 = new QLabel(StatusBar1);
    StatusPanel0->setFixedWidth(500);
    StatusPanel0->setAccessibleName(QStringLiteral("连接状态"));
    StatusPanel1 = new QWidget(StatusBar1);
    StatusPanel1->setFixedWidth(200);
    StatusPanel2 = new QLabel(StatusBar1);
    StatusPanel2->setFixedWidth(50);
    StatusBar1->addWidget(StatusPanel0);
    StatusBar1->addWidget(StatusPanel1);
    StatusBar1->addWidget(StatusPanel2);

    // The progress bar lives inside panel 1: left at the panel, 1 pixel down, 4 narrower, 2 lower.
    PBar = new QProgressBar(StatusPanel1);
    PBar->setObjectName(QStringLiteral("PBar"));
    PBar->setRange(0, 100);
    PBar->setTextVisible(false);
    PBar->setAccessibleName(QStringLiteral("上传进度"));
    PBar->setGeometry(0, 1, 196, 15);
    PBar->hide();
}

void TFrmMain::FormCreate() {
    SetStatusText(kDisconnected);
    LoadSettings();
    InitGrid();
    SetUpGridView();
    iCurrentStep = 0;
    giDeviceType = 1;
    giRecordCount = 0;
    gbDeviceConnected = false;
    UpdateButtons();
    CreateReport();
    CreateServiceEntries();
}

void TFrmMain::FormClose() {
    Timer1->stop();
    ReleaseReport();
}

void TFrmMain::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

QString TFrmMain::StatusText() const {
    return StatusPanel0->text();
}

void TFrmMain::SetStatusText(const QString& text) {
    StatusPanel0->setText(text);
}

void TFrmMain::UpdateButtons() {
    BtnSampleData->setEnabled(gbDeviceConnected);
    BtnClearData->setEnabled(gbDeviceConnected);
    BtnTest->setEnabled(gbDeviceConnected);
}

void TFrmMain::ShowByteTrace(const uint8_t* bytes, int count) {
    ListBox1->clear();
    for (int i = 0; i < count; ++i)
        ListBox1->addItem(ByteTraceLine(i, bytes[i]));
}

void TFrmMain::btnUpdateListClick() {
    Timer1->start();
}

void TFrmMain::Timer1Timer() {
    Timer1->stop();
    ConnectDevice();
}

bool TFrmMain::ConnectDevice() {
    return false; // connected by the link flows
}

void TFrmMain::BtnSampleDataClick() {}
void TFrmMain::BtnClearDataClick() {}
void TFrmMain::BtnSetCommClick() {}

void TFrmMain::BtnExitClick() {
    close();
}
