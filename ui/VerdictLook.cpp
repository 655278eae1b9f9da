#include "ui/VerdictLook.h"

#include <QCoreApplication>
#include <QTableWidgetItem>

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

QTableWidgetItem* VerdictTableItem(const QString& text, const Assessment& assessment) {
    auto* item = new QTableWidgetItem(text);
    if (const QColor colour = VerdictColour(assessment.verdict); colour.isValid())
        item->setBackground(colour);
    if (assessment.verdict != Verdict::NoCriteria) {
        item->setToolTip(VerdictDescription(assessment));
        item->setData(Qt::AccessibleDescriptionRole, VerdictDescription(assessment));
    }
    return item;
}
