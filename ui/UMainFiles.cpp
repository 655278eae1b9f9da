#include "ui/UMain.h"

void TFrmMain::BtnSaveClick() {}
void TFrmMain::BtnOpenClick() {}
void TFrmMain::SaveToTextFile(const QString&) {}
void TFrmMain::LoadFromTextFile(const QString&) {}
void TFrmMain::ExportToExcel(const QString&) {}
void TFrmMain::ImportFromExcel(const QString&) {}
