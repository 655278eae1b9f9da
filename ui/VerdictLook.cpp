#include "ui/VerdictLook.h"

#include <QCoreApplication>
#include <QVariant>

QColor VerdictColour(Verdict verdict) {
    switch (verdict) {
    case Verdict::Fail:
        return QColor(0xF4, 0xB6, 0xB6);
    case Verdict::Attention:
        return QColor(0xFF, 0xE0, 0x8A);
    case Verdict::Pass:
        return QColor(0xC8, 0xEC, 0xC8);
    case Verdict::NoCriteria:
        break;
    }
    return {};
}

QString VerdictDescription(const Assessment& assessment) {
    const QString verdict = VerdictText(assessment.verdict);
    return assessment.reasons.isEmpty()
               ? verdict
               : verdict + QCoreApplication::translate("VerdictLook", "：") + assessment.reasonText();
}

QVariant VerdictRole(const Assessment& assessment, int role) {
    if (role == Qt::BackgroundRole) {
        if (const QColor colour = VerdictColour(assessment.verdict); colour.isValid())
            return colour;
    } else if ((role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole) &&
               assessment.verdict != Verdict::NoCriteria) {
        return VerdictDescription(assessment);
    }
    return {};
}
