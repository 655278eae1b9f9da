// Program entry: application object, title, main window, message loop. Of the arguments
// --help and --version are the program's own (answered without a display) and --lang chooses the
// language for this run; Qt takes its own options.
#include "core/GbkText.h"
#include "core/Language.h"
#include "core/ProfileFile.h"
#include "core/UDataCenter.h"
#include "ui/DesktopLook.h"
#include "ui/DesktopSeams.h"
#include "ui/UMain.h"

#include <QApplication>
#include <QFont>
#include <QMessageBox>
#include <cstdio>
#include <cstring>

namespace {

constexpr char kHelp[] =
    "用法 / Usage: ohmara [Qt 选项 / Qt OPTIONS]\n"
    "\n"
    "回路电阻测试仪的配套程序：从仪器上传测试记录，保存、打开和打印。\n"
    "Companion program of a loop-resistance tester: uploads, keeps and prints its test records.\n"
    "\n"
    "选项 / Options:\n"
    "  --lang en|zh  本次以英文或中文显示 / show English or Chinese this time\n"
    "  --help        显示本说明 / show this help\n"
    "  --version     显示版本 / show the version\n"
    "\n"
    "文件 / Files:\n"
    "  ~/.config/ohmara/SystemFile.ini\n"
    "      安装后的设置文件 / the settings file, installed\n"
    "  ~/Documents/测试记录\n"
    "      安装后的数据文件夹 / the data folder, installed\n"
    "\n"
    "程序能写入自己所在的文件夹时，两者都在程序旁边。\n"
    "Both lie beside the program when it may write its own folder.\n";

} // namespace

int main(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("ohmara %s\n", OHMARA_VERSION);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ohmara"));
    QFont font;
    // 宋体 where it exists; fontconfig does not know the Chinese name, so name a serif CJK face too.
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPointSize(9);
    QApplication::setFont(font);
    InstallDesktopSeams();
    // Qt's own buttons and dialogs speak the program's language, on any locale.
    SetUpDesktopLook(ChosenLanguage(QApplication::arguments(), ReadSettingsFile(), false));
    if (!Gbk::isAvailable()) {
        QMessageBox::critical(nullptr, AppTitle(), QStringLiteral("GBK text conversion is not available."));
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
