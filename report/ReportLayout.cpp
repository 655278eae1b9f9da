#include "report/ReportLayout.h"

#include <QStringList>

QFont SongTiFont(double pointSize, bool bold) {
    QFont font;
    // AR PL UMing has no bold face, and the PDF writer cannot embolden one, so bold takes the bold
    // Song face of Noto Serif CJK.
    if (bold)
        font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                          QStringLiteral("Noto Serif CJK SC"), QStringLiteral("AR PL UMing CN"),
                          QStringLiteral("Noto Sans CJK SC")});
    else
        font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN"),
                          QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QFont ArialFont(double pointSize) {
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans"), QStringLiteral("AR PL UMing CN"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    font.setPointSizeF(pointSize);
    return font;
}
