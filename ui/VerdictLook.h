#pragma once
// How a verdict looks wherever it is shown: a background colour that keeps dark text readable,
// and the words a tool tip and a screen reader give ("注意：比出厂值高 34 %").
#include "archive/Assessment.h"

#include <QColor>

#include <QVariant>

QColor VerdictColour(Verdict verdict); // invalid (no colour) for "无判据"
QString VerdictDescription(const Assessment& assessment);
// A table cell's role coloured by the verdict, describing it to tool tips and screen readers; an
// invalid QVariant for the other roles.
QVariant VerdictRole(const Assessment& assessment, int role);
