#include "ui/UDlgProcess.h"

#include "core/UDataCenter.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>

namespace {

constexpr auto kAnimationStep = std::chrono::milliseconds(100);
constexpr auto kStepPause = std::chrono::milliseconds(10);
constexpr int kIconSize = 32;

// One frame of the hourglass: the sand runs from the upper bulb into the lower one over the
// four frames, with a thin stream while it falls.
QPixmap HourglassFrame(int frame) {
    QPixmap pixmap(kIconSize, kIconSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    const QColor wood(0x8B, 0x5A, 0x2B);
    const QColor glass(0xE8, 0xF0, 0xF8);
    const QColor sand(0xE0, 0xA8, 0x30);
    const QPointF centre(16, 16);
    QPainterPath upper;
    upper.moveTo(8, 5);
    upper.lineTo(24, 5);
    upper.lineTo(centre);
    upper.closeSubpath();
    QPainterPath lower;
    lower.moveTo(8, 27);
    lower.lineTo(24, 27);
    lower.lineTo(centre);
    lower.closeSubpath();
    painter.setPen(QPen(QColor(0x40, 0x40, 0x50), 1.2));
    painter.setBrush(glass);
    painter.drawPath(upper);
    painter.drawPath(lower);

    // Share of the sand still in the upper bulb: 1, 2/3, 1/3, 0.
    const double left = double(TFrmProcess::FrameCount - frame) / (TFrmProcess::FrameCount - 1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(sand);
    painter.save();
    painter.setClipPath(upper);
    painter.drawRect(QRectF(8, 16 - 10 * left, 16, 10 * left));
    painter.restore();
    painter.save();
    painter.setClipPath(lower);
    painter.drawRect(QRectF(8, 27 - 10 * (1 - left), 16, 10 * (1 - left)));
    painter.restore();
    if (frame > 1 && frame < TFrmProcess::FrameCount)
        painter.fillRect(QRectF(15.5, 16, 1, 10), sand);

    painter.setBrush(wood);
    painter.drawRoundedRect(QRectF(5, 2, 22, 3.5), 1, 1);
    painter.drawRoundedRect(QRectF(5, 26.5, 22, 3.5), 1, 1);
    return pixmap;
}

QProgressBar* VerticalBar(QWidget* parent, const char* name, const QString& accessibleName,
                          const QRect& place) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(QLatin1String(name));
    bar->setAccessibleName(accessibleName);
    bar->setOrientation(Qt::Vertical);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    bar->setGeometry(place);
    return bar;
}

} // namespace

TFrmProcess::TFrmProcess(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("FrmProcess"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setFixedSize(298, 167);
    setAccessibleName(QCoreApplication::translate("UDlgProcess", "正在处理"));

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(rect());
    Panel1->setCursor(Qt::WaitCursor);

    for (int frame = 1; frame <= FrameCount; ++frame)
        ImageList1.append(HourglassFrame(frame));
    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAccessibleName(QCoreApplication::translate("UDlgProcess", "处理中动画"));
    Image1->setGeometry(28, 22, kIconSize, kIconSize);
    Image1->setAlignment(Qt::AlignCenter);

    lblTip = new QLabel(QCoreApplication::translate("UDlgProcess", "系统正在检测数据，请稍候 ..."), Panel1);
    lblTip->setObjectName(QStringLiteral("lblTip"));
    // Named by the tip it shows (see SetTip); the description says what it is.
    lblTip->setAccessibleName(lblTip->text());
    lblTip->setAccessibleDescription(QCoreApplication::translate("UDlgProcess", "提示"));
    lblTip->setGeometry(72, 30, 199, 17);

    PBCount = VerticalBar(Panel1, "PBCount", QCoreApplication::translate("UDlgProcess", "总进度"),
                          QRect(36, 66, 16, 84));
    PBProcess = VerticalBar(Panel1, "PBProcess", QCoreApplication::translate("UDlgProcess", "当前进度"),
                            QRect(246, 66, 16, 84));

    BtnCancel = new QPushButton(QCoreApplication::translate("UDlgProcess", "取消"), Panel1);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setAccessibleName(QCoreApplication::translate("UDlgProcess", "取消"));
    BtnCancel->setGeometry(111, 112, 75, 25);
    BtnCancel->setCursor(Qt::ArrowCursor);
    BtnCancel->setDefault(true);
    connect(BtnCancel, &QPushButton::clicked, this, &TFrmProcess::BtnCancelClick);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kAnimationStep);
    connect(Timer1, &QTimer::timeout, this, &TFrmProcess::Timer1Timer);

    FormCreate();
    Timer1->start();
}

void TFrmProcess::FormCreate() {
    FrameNo = 1;
    CancelFlag = false;
    ShowFrame(FrameNo);
}

void TFrmProcess::SetTip(const QString& text) {
    lblTip->setText(text);
    lblTip->setAccessibleName(text);
    QAccessibleEvent renamed(lblTip, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&renamed);
}

void TFrmProcess::SetCountRange(int min, int max) {
    PBCount->setMaximum(max);
    PBCount->setMinimum(min);
    PBCount->setValue(min);
}

void TFrmProcess::SetProcessRange(int min, int max) {
    PBProcess->setMaximum(max);
    PBProcess->setMinimum(min);
    PBProcess->setValue(min);
}

void TFrmProcess::SetPositions(int count, int process) {
    PBCount->setValue(count);
    PBProcess->setValue(process);
}

void TFrmProcess::ShowFrame(int n) {
    const int index = std::clamp(n - 1, 0, FrameCount - 1);
    Image1->setPixmap(ImageList1.at(index));
    Image1->repaint();
}

bool TFrmProcess::ProgressStep(int count, int process) {
    SetPositions(count, process);
    show();
    repaint();
    m_inStep = true;
    Delay(uint16_t(kStepPause.count()));
    m_inStep = false;
    return Cancelled();
}

void TFrmProcess::CentreOn(const QWidget* window) {
    if (!window)
        return;
    const QRect area = window->frameGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

void TFrmProcess::Timer1Timer() {
    if (++FrameNo > FrameCount)
        FrameNo = 1;
    ShowFrame(FrameNo);
}

void TFrmProcess::BtnCancelClick() {
    CancelFlag = true;
}

void TFrmProcess::reject() {
    BtnCancelClick();
}

void TFrmProcess::closeEvent(QCloseEvent* event) {
    // Only the operation that opened the dialog closes it, between its steps. A close from the
    // window system, or one arriving while a step processes events, would free the dialog under
    // the running operation: it counts as a wish to cancel instead.
    if (event->spontaneous() || m_inStep) {
        event->ignore();
        BtnCancelClick();
        return;
    }
    event->accept();
}
