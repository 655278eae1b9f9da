#include "ui/DesktopLook.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTranslator>
#include <QWidget>

// The resources live in a static library: register them before the first use. (Outside any
// namespace, as the registration function is declared where the macro stands.)
static void InitResources() {
    Q_INIT_RESOURCE(ohmara);
}

bool LoadQtTranslations() {
    static QTranslator* loaded = nullptr;
    if (loaded)
        return true;
    auto* translator = new QTranslator(QCoreApplication::instance());
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"), folder) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    loaded = translator;
    return true;
}

QIcon ProgramIcon() {
    InitResources();
    return QIcon(QStringLiteral(":/ohmara/ohmara.svg"));
}

void SetUpDesktopLook() {
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
