#pragma once
// Installs the widget-backed message box and the desktop file manager behind the core's seams.
void InstallDesktopSeams();
