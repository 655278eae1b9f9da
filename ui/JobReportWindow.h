#pragma once
// "报告…" of the job window: the job's signed report in the print preview (zoom, print, PDF, the
// PDF written in the background).
#include <QString>

class QWidget;
class TFrmPreview;

// Reads the job's report from the program's archive and shows it; a broken template of the user's
// is said in a message and the built-in one used. nullptr (with a message) when the job cannot be read.
TFrmPreview* ShowJobReport(const QString& uuid, bool trends, QWidget* parent = nullptr);
