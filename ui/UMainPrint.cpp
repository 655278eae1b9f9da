#include "ui/UMain.h"

void TFrmMain::BtnPrintClick() {}
void TFrmMain::FillReport() {}
void TFrmMain::CreateReport() {}
void TFrmMain::ReleaseReport() {}
