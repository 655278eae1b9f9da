#pragma once
// The main report: the grid's records as one table on A4 paper. It is a small banded report of
// its own: a title band on the first page, a column-header band at the top of every page, one
// row band per record fed by QRSubDetail1NeedData, and a page footer with the page number and
// the vendor lines. The report keeps its own copy of the rows while it prints.
#include "core/Outcome.h"
#include "report/ReportLayout.h"

#include <QCoreApplication>
#include <QPointer>
#include <QString>
#include <array>
#include <memory>
#include <vector>

class QObject;
class QPagedPaintDevice;
class QPrinter;
class TFrmPreview;

inline QString ReportTitle() {
    return QCoreApplication::translate("UQRMain", "回路电阻测试仪 主报表");
}

class TQRMain {
public:
    static constexpr int kRowTexts = 7;
    using ReportRow = std::array<QString, kRowTexts>;

    TQRMain();
    ~TQRMain();
    TQRMain(const TQRMain&) = delete;
    TQRMain& operator=(const TQRMain&) = delete;

    // ---- Data to print ----
    std::vector<ReportRow> Rows; // text k of a row is grid column k+1
    int iRowCount = 0;
    int iCurrentRow = 1; // the row the next QRSubDetail1NeedData prints

    // n rows of empty texts (n below 0 counts as 0).
    void AllocRows(int n);
    void ClearRows();
    // Column positions, footer lines from giDeviceType, cursor back to row 1.
    void PrepareReport();
    // Puts the next row into the value labels; after the last row answers false and rewinds.
    void QRSubDetail1NeedData(QObject* sender, bool& moreData);

    // ---- Output ----
    // Runs the report onto a device page by page: every page, one copy. Returns the number of
    // pages, or 0 when the device cannot be painted on (the rows are fed all the same).
    int RenderPages(QPagedPaintDevice* device);
    // Prints on the printer with its page range and copies.
    bool Print(QPrinter* printer);
    // Writes the report as a PDF file in the printer's paper size and orientation.
    Outcome ExportPdf(const QString& fileName);
    // The report's printer (A4 portrait, whole page, titled with the report title).
    QPrinter* Printer();

    // ---- Preview ----
    // Titles the printer and opens the preview window on it; the window frees itself on close.
    TFrmPreview* Preview();
    TFrmPreview* QuickRepPreview(QPrinter* printer);
    TFrmPreview* PreviewWindow() const; // the open preview, or nullptr

    // ---- Bands and labels ----
    ReportBand TitleBand1;
    ReportBand GroupHeaderBand1;
    ReportBand QRSubDetail1;
    ReportBand PageFooterBand1;

    ReportLabel QRLabel1, QRLabel2; // title
    ReportLabel QRLNo, QRLTime, QRLDeviceNo, QRLTestUser, QRLAdd, QRLCurrentStep, QRLLoadITime, QRLRes;
    ReportLabel QRTNo, QRTTime, QRTDeviceNo, QRTTestUser, QRTAdd, QRTCurrentStep, QRTLoadITime, QRTRes;
    ReportLabel QRSysData2; // page number
    ReportLabel QRLCoop, QRLTel;

    // Header captions and row values in column order.
    std::array<ReportLabel*, 8> CaptionLabels();
    std::array<ReportLabel*, 8> ValueLabels();

private:
    void CreateBands();

    std::unique_ptr<QPrinter> m_printer;
    QPointer<TFrmPreview> m_preview;
};
