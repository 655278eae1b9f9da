#pragma once
// How the program presents itself on the desktop: its texts and Qt's own (standard buttons, file
// and print dialogs) in the chosen language whatever the system's locale, the program's icon, and
// windows placed in the middle of the screen.
#include "core/Language.h"

class QIcon;
class QWidget;

// Loads Qt's Chinese translations (qtbase_zh_CN.qm from Qt's translations folder) into the
// application; returns false when they cannot be found. Call once, after the application exists.
bool LoadQtTranslations();
// The program's icon, compiled into the program.
QIcon ProgramIcon();
// Both of the above for the whole application: the language's translations (Qt's Chinese ones, or
// the program's English texts) and the icon of every window.
void SetUpDesktopLook(UiLanguage language = UiLanguage::Chinese);
// Moves a top-level window so that it lies in the middle of the available area of its screen.
void CentreOnScreen(QWidget* window);
