#include "ui/UMain.h"

void TFrmMain::BtnTestClick() {}
void TFrmMain::BtnSeriesClick() {}
void TFrmMain::CreateServiceEntries() {}
