#include "ui/DesktopLook.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QWidget>

// The resources live in a static library: register them before the first use. (Outside any
// namespace, as the registration function is declared where the macro stands.)
static void InitResources() {
    Q_INIT_RESOURCE(ohmara);
}

bool LoadQtTranslations() {
    static bool loaded = false;
    if (loaded)
        return true;
    loaded = InstallLanguage(UiLanguage::Chinese);
    return loaded;
}

QIcon ProgramIcon() {
    InitResources();
    return QIcon(QStringLiteral(":/ohmara/ohmara.svg"));
}

void SetUpDesktopLook(UiLanguage language) {
    if (language == UiLanguage::English)
        InstallLanguage(UiLanguage::English);
    else
        LoadQtTranslations();
    QApplication::setWindowIcon(ProgramIcon());
}

void CentreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // move() places the frame; before the first show the frame is the client area itself.
    QRect frame(QPoint(), window->frameGeometry().size());
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}
