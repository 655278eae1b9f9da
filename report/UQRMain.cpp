#include "report/UQRMain.h"

#include "core/RecordColumns.h"
#include "core/UDataCenter.h"
#include "report/ReportVendors.h"
#include "report/UDlgPreview.h"

#include <QCoreApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <algorithm>

using namespace ReportGeometry;

namespace {

// The eight columns share the band in units (RecordColumnInfo::reportUnits).
constexpr int kFirstColumnLeft = 10; // design pixels

int ColumnUnits() {
    int units = 0;
    for (const RecordColumnInfo& column : RecordColumns())
        units += column.reportUnits;
    return units;
}

constexpr double kTitleTop = 8.47;
constexpr double kSubtitleTop = 16.93;
constexpr double kCellTop = 2.65;
constexpr double kPageNumberTop = 2.12;
constexpr double kCompanyTop = 4.23;
constexpr double kContactTop = 12.70;

ReportLabel Label(const QString& caption, double top, const QFont& font,
                  Qt::Alignment alignment = Qt::AlignLeft) {
    ReportLabel label;
    label.caption = caption;
    label.top = top;
    label.font = font;
    label.alignment = alignment;
    return label;
}

} // namespace

TQRMain::TQRMain() {
    CreateBands();
}

TQRMain::~TQRMain() {
    // A preview must not outlive the report it shows.
    if (m_preview) {
        m_preview->Report = nullptr;
        delete m_preview.data();
    }
    ClearRows();
}

void TQRMain::CreateBands() {
    TitleBand1 = {kTitleHeight, false, false};
    GroupHeaderBand1 = {kHeaderHeight, true, true};
    QRSubDetail1 = {kRowHeight, false, false};
    PageFooterBand1 = {kFooterHeight, true, false};

    QRLabel1 = Label(QCoreApplication::translate("UQRMain", "回路电阻测试仪"), kTitleTop,
                     SongTiFont(14, true), Qt::AlignHCenter);
    QRLabel2 = Label(QCoreApplication::translate("UQRMain", "-----主报表"), kSubtitleTop,
                     SongTiFont(12, true), Qt::AlignHCenter);

    const QFont cellFont = ArialFont(9);
    const auto captionLabels = CaptionLabels();
    const auto valueLabels = ValueLabels();
    for (size_t i = 0; i < captionLabels.size(); ++i) {
        *captionLabels[i] = Label(RecordColumns()[i].caption(), kCellTop, cellFont);
        *valueLabels[i] = Label(QStringLiteral("QRT%1").arg(i), kCellTop, cellFont);
    }

    QRSysData2 = Label(QString(), kPageNumberTop, ArialFont(9), Qt::AlignRight);
    QRLCoop = Label(QString(), kCompanyTop, SongTiFont(11), Qt::AlignHCenter);
    QRLTel = Label(QString(), kContactTop, SongTiFont(11), Qt::AlignHCenter);
}

std::array<ReportLabel*, 8> TQRMain::CaptionLabels() {
    return {&QRLNo, &QRLTime, &QRLDeviceNo, &QRLTestUser, &QRLAdd, &QRLCurrentStep, &QRLLoadITime, &QRLRes};
}

std::array<ReportLabel*, 8> TQRMain::ValueLabels() {
    return {&QRTNo, &QRTTime, &QRTDeviceNo, &QRTTestUser, &QRTAdd, &QRTCurrentStep, &QRTLoadITime, &QRTRes};
}

void TQRMain::AllocRows(int n) {
    n = std::max(n, 0);
    Rows.assign(size_t(n), ReportRow{});
    iRowCount = n;
}

void TQRMain::ClearRows() {
    Rows.clear();
    Rows.shrink_to_fit();
    iRowCount = 0;
}

void TQRMain::PrepareReport() {
    const int unit = DesignPixelsFromMm(kBandWidth) / ColumnUnits();
    const auto captionLabels = CaptionLabels();
    const auto valueLabels = ValueLabels();
    int startUnits = 0;
    for (size_t i = 0; i < captionLabels.size(); ++i) {
        const int nextUnits = startUnits + RecordColumns()[i].reportUnits;
        const double left = MmFromDesignPixels(kFirstColumnLeft + startUnits * unit);
        const double next = i + 1 < captionLabels.size()
                                ? MmFromDesignPixels(kFirstColumnLeft + nextUnits * unit)
                                : kBandWidth;
        captionLabels[i]->left = left;
        valueLabels[i]->left = left;
        valueLabels[i]->width = next - left - kColumnGap;
        startUnits = nextUnits;
    }
    const VendorFooter footer = VendorFooterFor(giDeviceType);
    QRLCoop.caption = footer.company;
    QRLTel.caption = footer.contact;
    iCurrentRow = 1;
}

void TQRMain::QRSubDetail1NeedData(QObject* /*sender*/, bool& moreData) {
    const int available = std::min(iRowCount, int(Rows.size()));
    if (iCurrentRow < 1 || iCurrentRow > available) {
        moreData = false;
        iCurrentRow = 1;
        return;
    }
    moreData = true;
    const ReportRow& row = Rows[size_t(iCurrentRow - 1)];
    const auto valueLabels = ValueLabels();
    valueLabels[0]->caption = RowNumberText(iCurrentRow);
    for (int k = 0; k < kRowTexts; ++k)
        valueLabels[size_t(k + 1)]->caption = row[size_t(k)];
    ++iCurrentRow;
}

QPrinter* TQRMain::Printer() {
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setPageSize(QPageSize(QPageSize::A4));
        m_printer->setPageOrientation(QPageLayout::Portrait);
        m_printer->setFullPage(true);
        m_printer->setDocName(ReportTitle());
        m_printer->setCreator(AppTitle());
    }
    return m_printer.get();
}

TFrmPreview* TQRMain::PreviewWindow() const {
    return m_preview.data();
}

TFrmPreview* TQRMain::Preview() {
    QPrinter* printer = Printer();
    printer->setDocName(ReportTitle());
    return QuickRepPreview(printer);
}

TFrmPreview* TQRMain::QuickRepPreview(QPrinter* printer) {
    auto* preview = new TFrmPreview(printer);
    preview->Report = this;
    preview->SetTitle(printer->docName());
    m_preview = preview;
    preview->show();
    return preview;
}
