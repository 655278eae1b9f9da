// Program entry: application object, title, main window, message loop. No arguments are read.
#include "core/GbkText.h"
#include "core/UDataCenter.h"
#include "ui/DesktopLook.h"
#include "ui/DesktopSeams.h"
#include "ui/UMain.h"

#include <QApplication>
#include <QFont>
#include <QMessageBox>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ohmara"));
    QFont font;
    // 宋体 where it exists; fontconfig does not know the Chinese name, so name a serif CJK face too.
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPointSize(9);
    QApplication::setFont(font);
    InstallDesktopSeams();
    // Qt's own buttons and dialogs speak Chinese like the rest of the program, on any locale.
    SetUpDesktopLook();
    if (!Gbk::isAvailable()) {
        QMessageBox::critical(nullptr, kAppTitle, QStringLiteral("GBK text conversion is not available."));
        return 1;
    }
    int result = 0;
    {
        TFrmMain FrmMain;
        FrmMain.show();
        result = QApplication::exec();
    }
    return result;
}
