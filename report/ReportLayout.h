#pragma once
// The pieces a banded report is made of: labels placed in millimetres inside a band, the bands
// themselves and the fonts the report asks for. Geometry is kept in millimetres, as the report
// was designed; the painter converts to device units when it draws.
#include <QFont>
#include <QString>

namespace ReportGeometry {

constexpr double kPaperMargin = 10.0;    // top, bottom, left and right
constexpr double kBandWidth = 190.0;     // every band
constexpr double kTitleHeight = 25.40;   // TitleBand1
constexpr double kHeaderHeight = 8.47;   // GroupHeaderBand1
constexpr double kRowHeight = 8.47;      // QRSubDetail1, for one line of text
constexpr double kFooterHeight = 19.84;  // PageFooterBand1
constexpr double kColumnGap = 1.0;       // kept free between a wrapped text and the next column
constexpr double kFrameLineWidth = 0.25; // frame lines of the header and footer bands
constexpr int kDesignDpi = 96;           // the report's own pixels, used for the column units

constexpr double MmFromDesignPixels(int pixels) {
    return pixels * 25.4 / kDesignDpi;
}
constexpr int DesignPixelsFromMm(double mm) {
    return int(mm * kDesignDpi / 25.4);
}

} // namespace ReportGeometry

// 宋体 where it exists; fontconfig does not know the Chinese name, so a Song face stands in: AR PL
// UMing, before Noto CJK, which maps Kangxi radicals and the ideographs they look like to one glyph
// so that the PDF's text layer would give "⼈" for "人". The Arial labels take their Chinese glyphs
// from the same face. Bold (only the report's fixed title texts, none of them such an ideograph)
// takes the bold Song face of Noto Serif CJK.
QFont SongTiFont(double pointSize, bool bold = false);
// Arial where it exists, else a face with the same metrics; Chinese falls back to the Song face.
QFont ArialFont(double pointSize);

struct ReportLabel {
    QString caption;
    double left = 0.0;  // mm from the band's left edge (ignored when centred or right-aligned)
    double top = 0.0;   // mm from the band's top edge
    double width = 0.0; // mm available for wrapping; 0 means one line, as wide as the text
    QFont font;
    Qt::Alignment alignment = Qt::AlignLeft;
};

struct ReportBand {
    double height = 0.0; // mm
    bool frameTop = false;
    bool frameBottom = false;
};
