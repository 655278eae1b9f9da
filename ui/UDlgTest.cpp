// The live test dialog: layout, opening sequence, parameter sending, input checks and closing.
// Starting, polling and saving are in UDlgTestPoll.cpp.
#include "ui/UDlgTest.h"

#include "core/Platform.h"
#include "core/RecordColumns.h"
#include "core/UDataCenter.h"
#include "link/InstrumentLink.h"
#include "link/Protocol.h"
#include "ui/DesktopLook.h"
#include "ui/TestParams.h"
#include "ui/UMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <chrono>

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(1000);
constexpr int kLabelLeft = 16;
constexpr int kFieldLeft = 96;
constexpr int kFieldWidth = 129;
constexpr int kRowHeight = 21;

// A caption label for a field; the field takes the caption (without its colon) as its name.
void AddFieldLabel(QWidget* parent, const QString& caption, QWidget* field, int top) {
    auto* label = new QLabel(caption, parent);
    label->setGeometry(kLabelLeft, top + 3, kFieldLeft - kLabelLeft, 16);
    label->setBuddy(field);
    field->setAccessibleName(
        QString(caption).remove(QChar(u'：')).remove(QRegularExpression(QStringLiteral(":\\s*$"))));
    field->setGeometry(kFieldLeft, top, kFieldWidth, kRowHeight);
}

// The caption of a field that holds a record column's value: the column's header and a colon.
QString ColumnCaption(RecordColumn column) {
    return QCoreApplication::translate("UDlgTest", "%1：").arg(RecordColumnOf(column).caption());
}

// The program's main window, for a dialog opened without one.
TFrmMain* FindMainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* main = qobject_cast<TFrmMain*>(widget))
            return main;
    }
    return nullptr;
}

QPushButton* AddButton(QWidget* parent, const char* name, const QString& caption, QRect place) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(caption);
    button->setAutoDefault(false);
    button->setGeometry(place);
    return button;
}

QLineEdit* AddEdit(QWidget* parent, const char* name, bool readOnly) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setReadOnly(readOnly);
    return edit;
}

} // namespace

TFrmTest::TFrmTest(TFrmMain* mainWindow, QWidget* parent)
    : QDialog(parent), m_mainWindow(mainWindow ? mainWindow : FindMainWindow()) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QCoreApplication::translate("UDlgTest", "测试"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(257, 404);
    CentreOnScreen(this);
    CreateControls();
    FormCreate();
    connect(CBCurrentStep, &QComboBox::currentIndexChanged, this, &TFrmTest::CBCurrentStepChange);
    connect(cbTestTime, &QComboBox::editTextChanged, this, &TFrmTest::CBCurrentStepChange);
}

void TFrmTest::CreateControls() {
    GroupBox1 = new QGroupBox(QCoreApplication::translate("UDlgTest", "测试参数"), this);
    GroupBox1->setGeometry(8, 8, 241, 217);

    CBCurrentStep = new QComboBox(GroupBox1);
    CBCurrentStep->setObjectName(QStringLiteral("CBCurrentStep"));
    AddFieldLabel(GroupBox1, QCoreApplication::translate("UDlgTest", "电流档位："), CBCurrentStep, 24);

    cbTestTime = new QComboBox(GroupBox1);
    cbTestTime->setObjectName(QStringLiteral("cbTestTime"));
    cbTestTime->setEditable(true);
    cbTestTime->setInsertPolicy(QComboBox::NoInsert);
    // No completion: the time box holds exactly what was typed.
    cbTestTime->setCompleter(nullptr);
    AddFieldLabel(GroupBox1, QCoreApplication::translate("UDlgTest", "时间(秒)："), cbTestTime, 56);

    EdtCurrent = AddEdit(GroupBox1, "EdtCurrent", true);
    AddFieldLabel(GroupBox1, QCoreApplication::translate("UDlgTest", "测试电流："), EdtCurrent, 88);
    EdtVolt = AddEdit(GroupBox1, "EdtVolt", true);
    AddFieldLabel(GroupBox1, QCoreApplication::translate("UDlgTest", "测试电压："), EdtVolt, 120);
    EdtRes = AddEdit(GroupBox1, "EdtRes", true);
    AddFieldLabel(GroupBox1, ColumnCaption(RecordColumn::Resistance), EdtRes, 152);

    BtnTest = AddButton(GroupBox1, "BtnTest", QCoreApplication::translate("UDlgTest", "测试"),
                        QRect(96, 184, 75, 25));
    connect(BtnTest, &QPushButton::clicked, this, &TFrmTest::BtnTestClick);

    PBar = new QProgressBar(this);
    PBar->setObjectName(QStringLiteral("PBar"));
    PBar->setAccessibleName(QCoreApplication::translate("UDlgTest", "测试进度"));
    PBar->setGeometry(8, 232, 241, 14);
    PBar->setRange(0, 100);
    PBar->setTextVisible(false);
    PBar->hide();

    CreateOtherParams();

    BtnOK = AddButton(this, "BtnOK", QCoreApplication::translate("UDlgTest", "保存"), QRect(40, 370, 75, 25));
    connect(BtnOK, &QPushButton::clicked, this, &TFrmTest::BtnOKClick);
    BtnCancel = AddButton(this, "BtnCancel", QCoreApplication::translate("UDlgTest", "退出"),
                          QRect(144, 370, 75, 25));
    connect(BtnCancel, &QPushButton::clicked, this, &TFrmTest::reject);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kPollInterval);
    connect(Timer1, &QTimer::timeout, this, &TFrmTest::Timer1Timer);

    // The trace of the last reply lies beyond the right edge of the client area.
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setAccessibleName(QCoreApplication::translate("UDlgTest", "通讯数据"));
    ListBox1->setFocusPolicy(Qt::NoFocus);
    ListBox1->setGeometry(330, 8, 113, 385);
}

void TFrmTest::CreateOtherParams() {
    GroupBox2 = new QGroupBox(QCoreApplication::translate("UDlgTest", "其它参数"), this);
    GroupBox2->setGeometry(8, 252, 241, 109);
    EdtDeviceNum = AddEdit(GroupBox2, "EdtDeviceNum", false);
    AddFieldLabel(GroupBox2, ColumnCaption(RecordColumn::Device), EdtDeviceNum, 20);
    EdtTestUser = AddEdit(GroupBox2, "EdtTestUser", false);
    AddFieldLabel(GroupBox2, ColumnCaption(RecordColumn::Tester), EdtTestUser, 48);
    EdtTestAdd = AddEdit(GroupBox2, "EdtTestAdd", false);
    AddFieldLabel(GroupBox2, ColumnCaption(RecordColumn::Location), EdtTestAdd, 76);
}

void TFrmTest::FormCreate() {
    ReadCurrentSteps();
    FillTestTimes();
    ClearReadings();
    EdtDeviceNum->setText(strDevice);
    EdtTestUser->setText(strTestUser);
    EdtTestAdd->setText(strTestAdd);
    CBCurrentStepChange();
}

void TFrmTest::ReadCurrentSteps() {
    InstrumentLink link;
    const std::optional<std::array<uint8_t, kStepCount>> flags = link.stepTable();
    if (!flags) {
        ShowMessage(QCoreApplication::translate("UDlgTest", "通讯失败！"), AppTitle(), MsgIcon::Warning);
        return;
    }
    FillCurrentSteps(*flags);
    ShowTrace(link.lastReply());
}

void TFrmTest::FillCurrentSteps(const std::array<uint8_t, kStepCount>& flags) {
    const QStringList steps = OfferedSteps(flags);
    CBCurrentStep->clear();
    CBCurrentStep->addItems(steps);
    CBCurrentStep->setCurrentIndex(PreselectedStep(steps, strCurrentStep));
}

void TFrmTest::FillTestTimes() {
    cbTestTime->clear();
    cbTestTime->addItems(TestTimeTexts());
    cbTestTime->setEditText(QString::number(iTestTime));
}

void TFrmTest::ClearReadings() {
    EdtCurrent->clear();
    EdtVolt->clear();
    EdtRes->clear();
    m_reading = {};
}

void TFrmTest::ShowTrace(const QByteArray& reply) {
    ListBox1->clear();
    ListBox1->addItems(ByteTraceLines(reply));
}

void TFrmTest::EnableTestParams(bool enabled) {
    CBCurrentStep->setEnabled(enabled);
    cbTestTime->setEnabled(enabled);
    BtnTest->setEnabled(enabled);
}

bool TFrmTest::SendTestParams(uint8_t code) {
    const TestParamsRequest params{uint8_t(iTestTime), uint8_t(iCurrentStep)};
    InstrumentLink link;
    if (code == cmdStartTest ? link.startTest(params) : link.setTestParams(params))
        return true;
    ShowMessage(QCoreApplication::translate("UDlgTest", "通讯失败！"), AppTitle(), MsgIcon::Warning);
    return false;
}

bool TFrmTest::CheckTestParams() {
    strCurrentStep = CBCurrentStep->currentText();
    const std::optional<int> seconds = ParseTestTime(cbTestTime->currentText());
    if (!seconds)
        return false;
    iTestTime = *seconds;
    iCurrentStep = CurrentStepCode(strCurrentStep);
    return true;
}

void TFrmTest::CBCurrentStepChange() {
    // Silent: a partial entry such as "3" on the way to "30" sends nothing.
    if (CheckTestParams())
        SendTestParams(cmdSetTestParams);
}

bool TFrmTest::Refuse(const QString& message, QWidget* field) {
    ShowMessage(message, AppTitle(), MsgIcon::Information);
    field->setFocus();
    return false;
}

bool TFrmTest::AcceptShortText(QLineEdit* edit, const QString& fieldName, QString& target) {
    const QString text = TrimText(edit->text());
    if (!FitsShortText(text))
        return Refuse(ShortTextMessage(fieldName), edit);
    target = text;
    return true;
}

bool TFrmTest::ValidateInputs(StepRule rule) {
    strCurrentStep = CBCurrentStep->currentText();
    const std::optional<int> seconds = ParseTestTime(cbTestTime->currentText());
    if (!seconds)
        return Refuse(TestTimeMessage(), cbTestTime);
    iTestTime = *seconds;
    // A test needs a step the instrument offers; with an empty list the code would only be the
    // default, so starting is refused. Saving and closing do not need one.
    if (rule == StepRule::Selected && CBCurrentStep->currentIndex() < 0)
        return Refuse(StepMessage(), CBCurrentStep);
    iCurrentStep = CurrentStepCode(strCurrentStep);
    return AcceptShortText(EdtDeviceNum, RecordColumnOf(RecordColumn::Device).caption(), strDevice) &&
           AcceptShortText(EdtTestUser, RecordColumnOf(RecordColumn::Tester).caption(), strTestUser) &&
           AcceptShortText(EdtTestAdd, RecordColumnOf(RecordColumn::Location).caption(), strTestAdd);
}

bool TFrmTest::AcceptResult() {
    if (!ValidateInputs(StepRule::Any))
        return false;
    strTestResult = TrimText(EdtRes->text());
    return true;
}

bool TFrmTest::FormCloseQuery() {
    // Not while the final readings are shown: the pause runs inside this dialog's own handler.
    // The request is kept and carried out when the pause is over.
    if (m_showingFinalReadings) {
        m_closeAfterPause = true;
        return false;
    }
    return AcceptResult();
}

void TFrmTest::FormClose() {
    // No command stops a running test; the instrument finishes it on its own.
    Timer1->stop();
}

void TFrmTest::reject() {
    if (!m_closeApproved) {
        if (!FormCloseQuery())
            return;
        FormClose();
    }
    QDialog::reject();
}

void TFrmTest::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    m_closeApproved = true;
    QDialog::closeEvent(event);
    m_closeApproved = false;
}

void TFrmTest::keyPressEvent(QKeyEvent* event) {
    // Enter presses the focused button and nothing else, so it never starts a test by surprise.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled())
            button->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
