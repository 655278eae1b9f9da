#include "ui/UDlgSeries.h"

#include "core/Platform.h"
#include "core/UDataCenter.h"
#include "link/InstrumentLink.h"
#include "link/Protocol.h"
#include "ui/DesktopLook.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

namespace {

constexpr int kSeriesTextLength = 16;

QPushButton* AddButton(QWidget* parent, const char* name, const QString& caption, int left) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(caption);
    button->setAutoDefault(false);
    button->setGeometry(left, 72, 57, 25);
    return button;
}

} // namespace

SeriesRequest BuildSeriesRequest(const QString& text) {
    const QString digits = LeftText(TrimText(text), kSeriesTextLength);
    SeriesRequest request{};
    request[0] = cmdWriteSerial;
    size_t next = 1;
    qsizetype pos = 0;
    while (pos < digits.size() && next < request.size()) {
        const int high = HexDigitValue(digits.at(pos));
        if (high < 0) {
            ++pos;
            continue;
        }
        const int low = pos + 1 < digits.size() ? HexDigitValue(digits.at(pos + 1)) : -1;
        request[next++] = uint8_t(low < 0 ? high : high * 16 + low);
        pos += 2;
    }
    return request;
}

TFrmSeries::TFrmSeries(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QCoreApplication::translate("UDlgSeries", "序列号"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(229, 119);
    CentreOnScreen(this);

    Label1 = new QLabel(QCoreApplication::translate("UDlgSeries", "序列号："), this);
    Label1->setGeometry(16, 27, 56, 16);
    EdtSeries = new QLineEdit(QStringLiteral("000000"), this);
    EdtSeries->setObjectName(QStringLiteral("EdtSeries"));
    EdtSeries->setAccessibleName(QCoreApplication::translate("UDlgSeries", "序列号"));
    EdtSeries->setGeometry(72, 24, 141, 21);
    Label1->setBuddy(EdtSeries);

    BtnRead = AddButton(this, "BtnRead", QCoreApplication::translate("UDlgSeries", "读取"), 16);
    BtnSet = AddButton(this, "BtnSet", QCoreApplication::translate("UDlgSeries", "设置"), 86);
    BtnExit = AddButton(this, "BtnExit", QCoreApplication::translate("UDlgSeries", "退出"), 156);
    connect(BtnRead, &QPushButton::clicked, this, &TFrmSeries::BtnReadClick);
    connect(BtnSet, &QPushButton::clicked, this, &TFrmSeries::BtnSetClick);
    connect(BtnExit, &QPushButton::clicked, this, &TFrmSeries::BtnExitClick);

    // The trace of the last read lies beyond the right edge of the client area.
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setAccessibleName(QCoreApplication::translate("UDlgSeries", "通讯数据"));
    ListBox1->setFocusPolicy(Qt::NoFocus);
    ListBox1->setGeometry(248, 8, 113, 105);
}

void TFrmSeries::BtnReadClick() {
    InstrumentLink link;
    const std::optional<QString> serial = link.readSerial();
    if (!serial) {
        ShowMessage(QCoreApplication::translate("UDlgSeries", "通讯失败！"), AppTitle(), MsgIcon::Warning);
        return;
    }
    ListBox1->clear();
    ListBox1->addItems(ByteTraceLines(link.lastReply()));
    EdtSeries->setText(*serial);
}

QString SeriesQuestion(const SeriesRequest& request) {
    QString digits;
    for (size_t i = 1; i < request.size(); ++i)
        digits += QStringLiteral("%1").arg(request[i], 2, 16, QLatin1Char('0')).toUpper();
    return QCoreApplication::translate(
               "UDlgSeries", "即将向仪器写入序列号：\n\n%1\n\n仪器中原有的序列号将被替换。确定要写入吗？")
        .arg(digits);
}

void TFrmSeries::BtnSetClick() {
    const SeriesRequest request = BuildSeriesRequest(EdtSeries->text());
    // The serial number is the instrument's own configuration: show what would be written, and
    // write only when the user says so (the question defaults to No).
    if (ShowMessage(SeriesQuestion(request), AppTitle(), MsgIcon::Question, MsgButtons::YesNo) !=
        MsgResult::Yes)
        return;
    SerialNumber serial;
    std::copy(request.begin() + 1, request.end(), serial.begin());
    if (!InstrumentLink().writeSerial(serial))
        ShowMessage(QCoreApplication::translate("UDlgSeries", "通讯失败！"), AppTitle(), MsgIcon::Warning);
}

void TFrmSeries::BtnExitClick() {
    close();
}

void TFrmSeries::keyPressEvent(QKeyEvent* event) {
    // Enter presses the focused button and nothing else.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled())
            button->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
