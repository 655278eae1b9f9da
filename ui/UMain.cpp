#include "ui/UMain.h"

#include "core/Platform.h"
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "link/Protocol.h"
#include "link/SiUsbXp.h"
#include "link/UCommUnit.h"
#include "ui/UDlgSetComm.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <chrono>

namespace {

constexpr auto kConnectDeferral = std::chrono::milliseconds(100);
constexpr int kButtonTop = 16;
constexpr int kButtonHeight = 25;
const QString kDisconnected = QStringLiteral("设备已断开！");
const QString kConnected = QStringLiteral("已连接");
const QString kCommFailed = QStringLiteral("通讯失败！");
const QString kClearQuestion =
    QStringLiteral("清空历史数据将删除仪器中保存的全部测试记录，删除后无法恢复。\n确定要清空吗？");

// The client area as laid out, and widened far enough to show the byte trace list at its right.
constexpr QSize kClientSize(907, 447);
constexpr QSize kClientSizeWithTrace(1041, 447);
const QKeySequence kTraceKey(Qt::CTRL | Qt::SHIFT | Qt::Key_T);

// Every message of this window: the program's title and the exclamation icon.
void Warn(const QString& text) {
    ShowMessage(text, kAppTitle, MsgIcon::Warning);
}

} // namespace

TFrmMain::TFrmMain(QWidget* parent) : QWidget(parent) {
    setWindowTitle(kAppTitle);
    setFixedSize(kClientSize);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    m_grid = new RecordGrid(this);
    CreateControls();
    FormCreate();
}

TFrmMain::~TFrmMain() {
    // A window destroyed without being closed still gives its report back.
    ReleaseReport();
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
    ListBox1->hide();

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
    SetUpKeyboard();
}

void TFrmMain::SetUpKeyboard() {
    const QList<QWidget*> order{btnUpdateList, BtnSampleData, BtnClearData, BtnTest, BtnSave, BtnOpen,
                                BtnPrint,      BtnSetComm,    BtnExit,      SGData,  ListBox1};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
    for (QWidget* control : order)
        control->setFocusPolicy(Qt::StrongFocus);
    // A service engineer sees the raw bytes of the last reply with Ctrl+Shift+T (or from the status
    // bar's context menu): the window widens to show the trace list beside the grid.
    auto* trace = new QAction(QStringLiteral("通讯数据"), StatusBar1);
    trace->setObjectName(QStringLiteral("ActByteTrace"));
    trace->setShortcut(kTraceKey);
    trace->setShortcutContext(Qt::WindowShortcut);
    connect(trace, &QAction::triggered, this, &TFrmMain::ToggleByteTrace);
    StatusBar1->addAction(trace);
    StatusBar1->setContextMenuPolicy(Qt::ActionsContextMenu);
}

bool TFrmMain::ByteTraceShown() const {
    return ListBox1->isVisibleTo(this);
}

void TFrmMain::ToggleByteTrace() {
    const bool show = !ListBox1->isVisibleTo(this);
    setFixedSize(show ? kClientSizeWithTrace : kClientSize);
    ListBox1->setVisible(show);
}

void TFrmMain::FormClose() {
    Timer1->stop();
    ReleaseReport();
}

void TFrmMain::closeEvent(QCloseEvent* event) {
    // The upload runs inside a button handler; the window stays until it has ended.
    if (m_uploading) {
        event->ignore();
        return;
    }
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
    ListBox1->addItems(ByteTraceLines(bytes, count));
}

void TFrmMain::btnUpdateListClick() {
    // A second press before the timer fired neither adds an attempt nor postpones the first.
    if (!Timer1->isActive())
        Timer1->start();
}

void TFrmMain::Timer1Timer() {
    Timer1->stop();
    ConnectDevice();
}

bool TFrmMain::ConnectFailed() {
    gbDeviceConnected = false;
    UpdateButtons();
    SetStatusText(kDisconnected);
    // Why, for whoever looks closer; the panel and the message keep their own texts.
    StatusPanel0->setToolTip(giCommStyle != 0 ? LastSerialFailure() : QString());
    Warn(kDisconnected);
    return false;
}

bool TFrmMain::ConnectDevice() {
    if (giCommStyle != 0) {
        CommandBuffer buffer{};
        buffer[0] = cmdIdentify;
        if (!SerialExchange(cmdIdentify, buffer, kIdentifyReplyLength, 1))
            return ConnectFailed();
        SetStatusText(ModelText(buffer[1]) + kConnected);
        ShowByteTrace(buffer.data(), kIdentifyReplyLength);
    } else {
        const std::optional<QString> serial = UsbSerialNumberString();
        if (!serial)
            return ConnectFailed();
        SetStatusText(*serial + kConnected);
    }
    StatusPanel0->setToolTip(QString());
    gbDeviceConnected = true;
    UpdateButtons();
    return true;
}

void TFrmMain::ShowUploadProgress(int position) {
    PBar->setValue(position);
    // An upload of 255 records blocks for about a minute. Paint the bar and let the window system
    // talk to the window (exposure, the desktop's "still alive?" pings), but hold back user
    // input, timers and sockets, so that nothing else can start while the upload runs.
    PBar->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers |
                                    QEventLoop::X11ExcludeTimers);
}

void TFrmMain::BtnSampleDataClick() {
    if (m_uploading)
        return;
    CommandBuffer buffer{};
    buffer[0] = cmdRecordCount;
    if (!SendCommand(cmdRecordCount, buffer, kRecordCountReplyLength, 1)) {
        Warn(kCommFailed);
        return;
    }
    const int count = buffer[1];
    if (count == 0) {
        Warn(QStringLiteral("无历史记录！"));
        return;
    }
    const QScopedValueRollback<bool> uploading(m_uploading, true);
    PBar->setRange(0, count);
    PBar->setValue(0);
    PBar->show();
    m_grid->setGridRowCount(count + 1);
    giRecordCount = count;
    for (int k = 1; k <= count; ++k) {
        ShowUploadProgress(k);
        buffer[0] = cmdReadRecord;
        buffer[1] = uint8_t(k - 1);
        if (!SendCommand(cmdReadRecord, buffer, kRecordReplyLength, 2)) {
            // Rows 1..k-1 hold their new records. A bar frozen part-way would look like an upload
            // still running, so it goes away here as after a complete upload.
            PBar->hide();
            Warn(kCommFailed);
            return;
        }
        FillRecordRow(k, buffer.data());
        ShowByteTrace(buffer.data(), kRecordReplyLength);
    }
    PBar->hide();
}

void TFrmMain::BtnClearDataClick() {
    // The instrument's records may not be saved anywhere yet: erase them only when the user says so.
    if (ShowMessage(kClearQuestion, kAppTitle, MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
        return;
    CommandBuffer buffer{};
    buffer[0] = cmdClearHistory;
    if (!SendCommand(cmdClearHistory, buffer, 0, 1)) {
        Warn(kCommFailed);
        return;
    }
    ClearGrid();
    Warn(QStringLiteral("仪器历史数据已清空！"));
}

void TFrmMain::BtnSetCommClick() {
    TFrmSetComm dialog(this);
    dialog.exec();
}

void TFrmMain::BtnExitClick() {
    close();
}
