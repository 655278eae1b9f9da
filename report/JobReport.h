#pragma once
// The signed report of a test job on A4: a template (an HTML/CSS subset that QTextDocument lays
// out) filled with the job's content, every field escaped, drawn page by page with the program's
// own running header (title, report number), footer ("第 n 页 共 N 页"), a "草稿" watermark on a
// job not yet approved and "（以下空白）" where the report ends.
//
// A template is HTML cut into sections by lines "<!-- section NAME -->": "style" (CSS for every
// part), "first" (the first page), "criterion" (one criterion, gathered into {{criteria}} of
// "first"), "bay" (one bay; {{phases:FIELD}} gives one cell per column), "reasons" and "reason"
// (each 注意/不合格 with its grounds, gathered into {{reasons}}), "end" (conclusion and the
// signature block), "appendix" and "chart" (the trend charts). ReportTemplateFields() names the
// fields of each section.
#include "core/Language.h"
#include "core/Outcome.h"
#include "core/WorkControl.h"
#include "report/JobReportContent.h"

#include <QHash>
#include <QString>
#include <QStringList>

class QPagedPaintDevice;

struct ReportTemplate {
    QString fileName;                 // the user's template, or "" for the built-in one
    QHash<QString, QString> sections; // by name
    QString problem;                  // why the user's template was not taken, or ""
};

// The template's file in the data folder that takes the place of the built-in template, one per
// language: "报告模板.html" for Chinese, "report-template-en.html" for English.
QString UserTemplatePath(const QString& dataFolder, UiLanguage language = CurrentLanguage());
// The built-in template's text in the language (a copy is where a user's own template starts).
QString BuiltInTemplateText(UiLanguage language = CurrentLanguage());
// Parses a template; a failure names the line.
Result<ReportTemplate> ParseReportTemplate(const QString& text);
// The user's template when there is one and it parses, else the built-in one with the problem said.
ReportTemplate LoadReportTemplate(const QString& dataFolder, UiLanguage language = CurrentLanguage());
// The fields each section may use, by section.
const QHash<QString, QStringList>& ReportTemplateFields();

// Draws the report onto the device (A4 portrait, no margins of its own) page by page; the pages,
// or 0 when the control's stop came first. The pages drawn are reported as they are done. Drawn
// without widgets, so that a PDF may be made on a worker thread.
int DrawJobReport(const JobReportContent& content, const ReportTemplate& form, QPagedPaintDevice* device,
                  const WorkControl& control = {});
// Writes the report as a PDF file (whole or not at all: a stop leaves the old file, with no reason).
Outcome WriteJobReportPdf(const JobReportContent& content, const ReportTemplate& form,
                          const QString& fileName, const WorkControl& control = {});
