#include "ui/DesktopSeams.h"

#include "core/Platform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

namespace {

QMessageBox::Icon BoxIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Error:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

MsgResult ShowBox(const MessageRequest& request) {
    QMessageBox box(BoxIcon(request.icon), request.caption, request.text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    if (request.buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MsgResult::Yes : MsgResult::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MsgResult::Ok;
}

} // namespace

void InstallDesktopSeams() {
    SetMessageHandler(ShowBox);
    SetFolderOpener([](const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); });
}
