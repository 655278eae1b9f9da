#include "ui/UMain.h"

#include "archive/ProgramArchive.h"
#include "core/Platform.h"
#include "core/ProfileFile.h"
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "history/AutoBackup.h"
#include "link/InstrumentLink.h"
#include "link/Protocol.h"
#include "ui/ArchivePrompts.h"
#include "ui/DesktopLook.h"
#include "ui/InputGuard.h"
#include "ui/SyncControl.h"
#include "ui/UDlgJobs.h"
#include "ui/UDlgSetComm.h"

#include <QAccessible>
#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <chrono>

namespace {

constexpr auto kConnectDeferral = std::chrono::milliseconds(100);
constexpr int kButtonTop = 16;
constexpr int kButtonHeight = 25;
QString Disconnected() {
    return QCoreApplication::translate("UMain", "设备已断开！");
}
// The status of a connected instrument: its model or serial number, then "已连接".
QString Connected(const QString& instrument) {
    return QCoreApplication::translate("UMain", "%1已连接").arg(instrument);
}
QString CommFailed() {
    return QCoreApplication::translate("UMain", "通讯失败！");
}
QString ClearQuestion() {
    return QCoreApplication::translate(
        "UMain", "清空历史数据将删除仪器中保存的全部测试记录，删除后无法恢复。\n确定要清空吗？");
}

// The client area as laid out, and widened far enough to show the byte trace list at its right.
constexpr QSize kClientSize(907, 447);
constexpr QSize kClientSizeWithTrace(1041, 447);
const QKeySequence kTraceKey(Qt::CTRL | Qt::SHIFT | Qt::Key_T);

// Every message of this window: the program's title and the exclamation icon.
void Warn(const QString& text) {
    ShowMessage(text, AppTitle(), MsgIcon::Warning);
}

} // namespace

TFrmMain::TFrmMain(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(AppTitle());
    setFixedSize(kClientSize);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    m_grid = new RecordGrid(this);
    m_grid->bindRecordCount(&giRecordCount);
    ArchivePrompts::Install();
    CreateControls();
    FormCreate();
    CentreOnScreen(this);
}

TFrmMain::~TFrmMain() {
    // A window destroyed without being closed still gives its report back.
    ReleaseReport();
    // FormDestroy: the settings reach the file only now: one write, and at most one message.
    static_cast<void>(SaveSettings()); // a failure has been told
}

void TFrmMain::CreateControls() {
    // The client area above the status bar; the controls keep their places within it.
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(client);
    struct ButtonPlace {
        QPushButton** button;
        const char* name;
        QString caption;
        int left;
        int width;
    };
    const ButtonPlace places[] = {
        {&btnUpdateList, "btnUpdateList", QCoreApplication::translate("UMain", "连接设备"), 24, 89},
        {&BtnSampleData, "BtnSampleData", QCoreApplication::translate("UMain", "上传数据"), 128, 89},
        {&BtnClearData, "BtnClearData", QCoreApplication::translate("UMain", "清空历史数据"), 232, 89},
        {&BtnTest, "BtnTest", QCoreApplication::translate("UMain", "测试"), 336, 89},
        {&BtnSave, "BtnSave", QCoreApplication::translate("UMain", "保存"), 440, 75},
        {&BtnOpen, "BtnOpen", QCoreApplication::translate("UMain", "打开"), 528, 75},
        {&BtnPrint, "BtnPrint", QCoreApplication::translate("UMain", "打印"), 616, 75},
        {&BtnSetComm, "BtnSetComm", QCoreApplication::translate("UMain", "通讯设置"), 704, 89},
        {&BtnExit, "BtnExit", QCoreApplication::translate("UMain", "退出"), 808, 75},
    };
    for (const ButtonPlace& place : places) {
        auto* button = new QPushButton(place.caption, client);
        button->setObjectName(QLatin1String(place.name));
        button->setAccessibleName(place.caption);
        button->setGeometry(place.left, kButtonTop, place.width, kButtonHeight);
        *place.button = button;
    }
    ConnectClick(btnUpdateList, &TFrmMain::btnUpdateListClick);
    ConnectClick(BtnSampleData, &TFrmMain::BtnSampleDataClick);
    ConnectClick(BtnClearData, &TFrmMain::BtnClearDataClick);
    ConnectClick(BtnTest, &TFrmMain::BtnTestClick);
    ConnectClick(BtnSave, &TFrmMain::BtnSaveClick);
    ConnectClick(BtnOpen, &TFrmMain::BtnOpenClick);
    ConnectClick(BtnPrint, &TFrmMain::BtnPrintClick);
    ConnectClick(BtnSetComm, &TFrmMain::BtnSetCommClick);
    ConnectClick(BtnExit, &TFrmMain::BtnExitClick);

    GroupBox1 = new QGroupBox(client);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 56, 889, 361);

    SGData = new QTableView(GroupBox1);
    SGData->setObjectName(QStringLiteral("SGData"));
    SGData->setGeometry(8, 24, 873, 321);
    SGData->setModel(m_grid);
    SGData->setAccessibleName(QCoreApplication::translate("UMain", "测试记录"));

    ListBox1 = new QListWidget(client);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(920, 56, 113, 369);
    ListBox1->setAccessibleName(QCoreApplication::translate("UMain", "通讯数据"));
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
    StatusBar1->setFixedHeight(19);
    StatusBar1->setContentsMargins(0, 0, 0, 0);
    setStatusBar(StatusBar1);

    // Panel 0 is named by the text it shows (see SetStatusText); the description says what it is.
    StatusPanel0 = new QLabel(StatusBar1);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setFixedWidth(500);
    StatusPanel0->setAccessibleDescription(QCoreApplication::translate("UMain", "连接状态"));
    StatusPanel1 = new QWidget(StatusBar1);
    StatusPanel1->setFixedWidth(200);
    StatusPanel2 = new QLabel(StatusBar1);
    StatusPanel2->setFixedWidth(50);
    auto* toolsPlace = new QHBoxLayout(StatusPanel2);
    toolsPlace->setContentsMargins(0, 0, 0, 0);
    BtnTools = new QToolButton(StatusPanel2);
    BtnTools->setObjectName(QStringLiteral("BtnTools"));
    BtnTools->setText(QCoreApplication::translate("UMain", "工具"));
    BtnTools->setAccessibleName(QCoreApplication::translate("UMain", "工具"));
    BtnTools->setToolTip(QCoreApplication::translate("UMain", "序列号与通讯数据等维护功能"));
    BtnTools->setAutoRaise(true);
    BtnTools->setPopupMode(QToolButton::InstantPopup);
    toolsPlace->addWidget(BtnTools);
    StatusBar1->addWidget(StatusPanel0);
    StatusBar1->addWidget(StatusPanel1);
    StatusBar1->addWidget(StatusPanel2);

    // The progress bar lives inside panel 1: left at the panel, 1 pixel down, 4 narrower, 2 lower.
    PBar = new QProgressBar(StatusPanel1);
    PBar->setObjectName(QStringLiteral("PBar"));
    PBar->setRange(0, 100);
    PBar->setTextVisible(false);
    PBar->setAccessibleName(QCoreApplication::translate("UMain", "上传进度"));
    PBar->setGeometry(0, 1, 196, 15);
    PBar->hide();
}

void TFrmMain::FormCreate() {
    SetStatusText(Disconnected());
    LoadSettings();
    InitGrid();
    SetUpGridView();
    iCurrentStep = 0;
    giDeviceType = 1;
    gbDeviceConnected = false;
    UpdateButtons();
    CreateReport();
    CreateServiceEntries();
    CreateArchiveEntries();
    new SyncControl(this);
    SetUpKeyboard();
    CreateLanguageEntry();
    CreateAboutEntry();
    CreateToolsMenu();
}

void TFrmMain::SetUpKeyboard() {
    const QList<QWidget*> order{btnUpdateList, BtnSampleData, BtnClearData, BtnTest, BtnSave,  BtnOpen,
                                BtnPrint,      BtnSetComm,    BtnExit,      SGData,  BtnTools, ListBox1};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
    for (QWidget* control : order)
        control->setFocusPolicy(Qt::StrongFocus);
    // A service engineer sees the raw bytes of the last reply with Ctrl+Shift+T (or from the status
    // bar's context menu): the window widens to show the trace list beside the grid.
    auto* trace = new QAction(QCoreApplication::translate("UMain", "通讯数据"), StatusBar1);
    trace->setObjectName(QStringLiteral("ActByteTrace"));
    trace->setShortcut(kTraceKey);
    trace->setShortcutContext(Qt::WindowShortcut);
    connect(trace, &QAction::triggered, this, &TFrmMain::ToggleByteTrace);
    StatusBar1->addAction(trace);
    StatusBar1->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void TFrmMain::CreateToolsMenu() {
    // The status bar's actions, also in its context menu, as a menu that keyboard users and
    // assistive tools reach like any other. Read again at every opening, so that an action added
    // to the status bar later appears in both.
    auto* menu = new QMenu(BtnTools);
    menu->setObjectName(QStringLiteral("MenuTools"));
    menu->setTitle(QCoreApplication::translate("UMain", "工具"));
    auto refill = [this, menu] {
        menu->clear();
        menu->addActions(StatusBar1->actions());
    };
    refill();
    connect(menu, &QMenu::aboutToShow, this, refill);
    BtnTools->setMenu(menu);
}

void TFrmMain::ConnectClick(QPushButton* button, void (TFrmMain::*handler)()) {
    connect(button, &QPushButton::clicked, this, [this, handler] {
        if (!m_uploading)
            (this->*handler)();
    });
}

void TFrmMain::keyPressEvent(QKeyEvent* event) {
    // Enter presses the focused button, as Space does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QAbstractButton*>(focusWidget()); button && button->isEnabled()) {
            button->click();
            return;
        }
    }
    QMainWindow::keyPressEvent(event);
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
    // Named by its text, so that a screen reader hears "设备已断开！" or "5731已连接"; the new
    // name is announced.
    StatusPanel0->setAccessibleName(text);
    QAccessibleEvent renamed(StatusPanel0, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&renamed);
}

void TFrmMain::UpdateButtons() {
    BtnSampleData->setEnabled(gbDeviceConnected);
    BtnClearData->setEnabled(gbDeviceConnected);
    BtnTest->setEnabled(gbDeviceConnected);
}

void TFrmMain::ShowByteTrace(const QByteArray& reply) {
    ShowByteTrace(reinterpret_cast<const uint8_t*>(reply.constData()), int(reply.size()));
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

bool TFrmMain::ConnectFailed(const QString& reason) {
    gbDeviceConnected = false;
    UpdateButtons();
    SetStatusText(Disconnected());
    // Why, for whoever looks closer; the panel and the message keep their own texts.
    StatusPanel0->setToolTip(reason);
    Warn(Disconnected());
    return false;
}

bool TFrmMain::ConnectDevice() {
    if (giCommStyle != 0) {
        InstrumentLink link;
        const std::optional<uint8_t> identity = link.identify();
        if (!identity)
            return ConnectFailed(link.lastFailure());
        SetStatusText(Connected(ModelText(*identity)));
        ShowByteTrace(link.lastReply());
    } else {
        const std::optional<QString> serial = InstrumentLink().usbSerialNumber();
        if (!serial)
            return ConnectFailed();
        SetStatusText(Connected(*serial));
        OfferJobInstrument(*serial);
    }
    StatusPanel0->setToolTip(QString());
    gbDeviceConnected = true;
    UpdateButtons();
    return true;
}

void TFrmMain::ShowUploadProgress(int position) {
    PBar->setValue(position);
    // An upload of 255 records blocks for about a minute. Paint the bar and let the window system
    // talk to the window (exposure, the desktop's "still alive?" pings), but hold back timers and
    // sockets. User input is taken and dropped here (UserInputBlocker of the upload), not held
    // back: held back, it would be carried out after the upload.
    PBar->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers | QEventLoop::X11ExcludeTimers);
}

void TFrmMain::BtnSampleDataClick() {
    if (m_uploading)
        return;
    InstrumentLink link;
    const std::optional<int> stored = link.recordCount();
    if (!stored) {
        Warn(CommFailed());
        return;
    }
    const int count = *stored;
    if (count == 0) {
        Warn(QCoreApplication::translate("UMain", "无历史记录！"));
        return;
    }
    const int received = ReadRecords(link, count);
    // A bar frozen part-way would look like an upload still running: it goes in either case.
    PBar->hide();
    const QDateTime now = QDateTime::currentDateTime();
    if (received < count) {
        // The grid and the count hold the records received, no more: nothing blank is saved as a
        // record. Those records are backed up even so; a failed backup is told after the failure.
        if (received > 0)
            m_grid->prepareRecords(received);
        else
            m_grid->clearRecords();
        const Outcome backup = received > 0 ? Outcome(BackUpUpload(*m_grid, received, now)) : Outcome();
        ProgramArchive::shared().uploadEnded(received);
        Warn(CommFailed());
        ReportBackupFailure(backup);
        return;
    }
    ProgramArchive::shared().uploadEnded(count);
    ReportBackupFailure(BackUpUpload(*m_grid, count, now));
}

int TFrmMain::ReadRecords(InstrumentLink& link, int count) {
    // User input is held off only while the records come in, and every message of the upload
    // comes after: a box shown under the blocker would get neither a click nor a key.
    // The actions come back only after the blocker has dropped what was still queued.
    const QScopedValueRollback<bool> uploading(m_uploading, true);
    const ActionsHeldOff serviceHeldOff(StatusBar1->actions());
    const UserInputBlocker inputDropped;
    PBar->setRange(0, count);
    PBar->setValue(0);
    PBar->show();
    m_grid->prepareRecords(count);
    ProgramArchive::shared().uploadStarted();
    for (int k = 1; k <= count; ++k) {
        ShowUploadProgress(k);
        std::optional<TestRecord> record = link.readRecord(k - 1, k);
        if (!record)
            return k - 1;
        ProgramArchive::shared().uploadReceived(*record);
        m_grid->setRecord(k, std::move(*record));
        ShowByteTrace(link.lastReply());
    }
    return count;
}

void TFrmMain::BtnClearDataClick() {
    // The instrument's records may not be saved anywhere yet: erase them only when the user says so.
    if (ShowMessage(ClearQuestion(), AppTitle(), MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
        return;
    if (!InstrumentLink().clearHistory()) {
        Warn(CommFailed());
        return;
    }
    ClearGrid();
    Warn(QCoreApplication::translate("UMain", "仪器历史数据已清空！"));
}

void TFrmMain::BtnSetCommClick() {
    TFrmSetComm dialog(this);
    dialog.exec();
}

void TFrmMain::BtnExitClick() {
    close();
}
