// The main window's ways in to the live test dialog, the serial number dialog, the note of where
// the program keeps its files and the choice of language.
#include "ui/UMain.h"

#include "core/Language.h"
#include "core/Platform.h"
#include "core/ProgramPlaces.h"
#include "core/UDataCenter.h"
#include "ui/UDlgSeries.h"
#include "ui/UDlgTest.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QDir>
#include <QKeySequence>
#include <QMenu>
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
    auto* series = new QAction(QCoreApplication::translate("UMainDialogs", "序列号…"), StatusBar1);
    series->setObjectName(QStringLiteral("ActSeries"));
    series->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    series->setShortcutContext(Qt::WindowShortcut);
    series->setStatusTip(QCoreApplication::translate("UMainDialogs", "读取或设置仪器序列号"));
    connect(series, &QAction::triggered, this, &TFrmMain::BtnSeriesClick);
    StatusBar1->addAction(series);
    auto* history = new QAction(QCoreApplication::translate("UMainDialogs", "设备历史…"), StatusBar1);
    history->setObjectName(QStringLiteral("ActHistory"));
    history->setStatusTip(
        QCoreApplication::translate("UMainDialogs", "查看一个设备编号的全部测试记录和电阻趋势"));
    connect(history, &QAction::triggered, this, &TFrmMain::ShowCurrentDeviceHistory);
    StatusBar1->addAction(history);
    StatusBar1->setContextMenuPolicy(Qt::ActionsContextMenu);
}

QString AboutText() {
    const ProgramPlaces places = CurrentProgramPlaces();
    return QCoreApplication::translate("UMainDialogs", "%1\n\n设置文件：%2\n数据文件夹：%3")
        .arg(AppTitle(), QDir::toNativeSeparators(places.settingsFile),
             QDir::toNativeSeparators(places.dataFolder));
}

void TFrmMain::CreateLanguageEntry() {
    // The choice is kept in the settings file and applies from the next start: every window reads
    // its texts once, when it is made. The names of the languages are written in their own.
    auto* entry = new QAction(QCoreApplication::translate("UMainDialogs", "界面语言"), StatusBar1);
    entry->setObjectName(QStringLiteral("ActLanguage"));
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("MenuLanguage"));
    auto* group = new QActionGroup(menu);
    for (const auto& [language, name] : {std::pair{UiLanguage::Chinese, QStringLiteral("中文")},
                                         std::pair{UiLanguage::English, QStringLiteral("English")}}) {
        QAction* choice = menu->addAction(name);
        choice->setObjectName(QStringLiteral("ActLanguage_") + LanguageCode(language));
        choice->setCheckable(true);
        choice->setChecked(language == CurrentLanguage());
        group->addAction(choice);
        connect(choice, &QAction::triggered, this, [language, name] {
            if (!SaveLanguageChoice(language))
                ShowMessage(QCoreApplication::translate("UMainDialogs", "无法写入设置文件%1")
                                .arg(QDir::toNativeSeparators(SettingsFilePath())),
                            AppTitle(), MsgIcon::Error);
            else
                ShowMessage(
                    QCoreApplication::translate("UMainDialogs", "界面语言已设为%1，下次启动程序时生效。")
                        .arg(name),
                    AppTitle(), MsgIcon::Information);
        });
    }
    entry->setMenu(menu);
    StatusBar1->addAction(entry);
}

void TFrmMain::CreateAboutEntry() {
    // Where the settings and the records are: beside the program, or in the user's own folders
    // when the program's folder cannot be written (an installed program).
    auto* about = new QAction(QCoreApplication::translate("UMainDialogs", "关于…"), StatusBar1);
    about->setObjectName(QStringLiteral("ActAbout"));
    about->setStatusTip(QCoreApplication::translate("UMainDialogs", "程序版本、设置文件和数据文件夹的位置"));
    connect(about, &QAction::triggered, this,
            [] { ShowMessage(AboutText(), AppTitle(), MsgIcon::Information); });
    StatusBar1->addAction(about);
}
