// The main window's ways in to the live test dialog, the serial number dialog and the note of
// where the program keeps its files.
#include "ui/UMain.h"

#include "core/Platform.h"
#include "core/ProgramPlaces.h"
#include "core/UDataCenter.h"
#include "ui/UDlgSeries.h"
#include "ui/UDlgTest.h"

#include <QAction>
#include <QDir>
#include <QKeySequence>
#include <QStatusBar>

void TFrmMain::BtnTestClick() {
    // Owned by the application, not by this window; it frees itself when it closes.
    auto* dialog = new TFrmTest(this);
    dialog->exec();
}

void TFrmMain::BtnSeriesClick() {
    auto* dialog = new TFrmSeries();
    dialog->exec();
}

void TFrmMain::CreateServiceEntries() {
    // The serial number is a service setting with no button of its own: it is reached from the
    // status bar's context menu and with Ctrl+Shift+S anywhere in the window.
    auto* series = new QAction(QStringLiteral("序列号…"), StatusBar1);
    series->setObjectName(QStringLiteral("ActSeries"));
    series->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    series->setShortcutContext(Qt::WindowShortcut);
    series->setStatusTip(QStringLiteral("读取或设置仪器序列号"));
    connect(series, &QAction::triggered, this, &TFrmMain::BtnSeriesClick);
    StatusBar1->addAction(series);
    auto* history = new QAction(QStringLiteral("设备历史…"), StatusBar1);
    history->setObjectName(QStringLiteral("ActHistory"));
    history->setStatusTip(QStringLiteral("查看一个设备编号的全部测试记录和电阻趋势"));
    connect(history, &QAction::triggered, this, &TFrmMain::ShowCurrentDeviceHistory);
    StatusBar1->addAction(history);
    StatusBar1->setContextMenuPolicy(Qt::ActionsContextMenu);
}

QString AboutText() {
    const ProgramPlaces places = CurrentProgramPlaces();
    return QStringLiteral("%1\n\n设置文件：%2\n数据文件夹：%3")
        .arg(kAppTitle, QDir::toNativeSeparators(places.settingsFile),
             QDir::toNativeSeparators(places.dataFolder));
}

void TFrmMain::CreateAboutEntry() {
    // Where the settings and the records are: beside the program, or in the user's own folders
    // when the program's folder cannot be written (an installed program).
    auto* about = new QAction(QStringLiteral("关于…"), StatusBar1);
    about->setObjectName(QStringLiteral("ActAbout"));
    about->setStatusTip(QStringLiteral("程序版本、设置文件和数据文件夹的位置"));
    connect(about, &QAction::triggered, this,
            [] { ShowMessage(AboutText(), kAppTitle, MsgIcon::Information); });
    StatusBar1->addAction(about);
}
