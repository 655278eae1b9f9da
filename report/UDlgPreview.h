#pragma once
// The print preview window: a tool bar to zoom, page, set up the printer, print, export a PDF
// and leave; the page view; and a status line with the current page and the page total. It is
// shown without being modal and frees itself when it closes.
#include "core/Outcome.h"

#include <QMainWindow>
#include <functional>

class QActionGroup;
class QIcon;
class QLabel;
class QPrintDialog;
class QPrintPreviewWidget;
class QPrinter;
class QStatusBar;
class QToolBar;
class QToolButton;
class TQRMain;

// Gives the print dialog's accept button another caption (its own says "打印").
void LabelAcceptButton(QPrintDialog& dialog, const QString& caption);

class TFrmPreview : public QMainWindow {
    Q_OBJECT
public:
    explicit TFrmPreview(QPrinter* printer, QWidget* parent = nullptr);
    ~TFrmPreview() override;

    int iPageCount = 0;        // pages made available so far
    TQRMain* Report = nullptr; // cleared when the window closes
    // Another report than the main one: how it draws its pages (the pages drawn), how it is saved
    // as a PDF under the name chosen (telling the outcome itself, in the background) and the file
    // name proposed.
    struct Source {
        std::function<int(QPrinter*)> paint;
        std::function<void(const QString&)> savePdf;
        QString pdfName;
    };
    Source Other;

    void ShowPageStatus();
    void SetTitle(const QString& caption);
    void QRPreview1PageAvailable(QObject* sender, int pageNum);

    void tbZToFitClick();
    void tb100Click();
    void tbZToWidthClick();
    void tbFirstClick();
    void tbPriorClick();
    void tbNextClick();
    void tbLastClick();
    void tbPrinterSetupClick();
    void tbPrinterClick();
    void tbExportPdfClick();
    void tbExitClick();

    QPrinter* Printer() const { return m_printer; }
    QString StatusText() const;

    QToolBar* ToolBar1 = nullptr;
    QToolButton* tbZToFit = nullptr;
    QToolButton* tb100 = nullptr;
    QToolButton* tbZToWidth = nullptr;
    QToolButton* tbFirst = nullptr;
    QToolButton* tbPrior = nullptr;
    QToolButton* tbNext = nullptr;
    QToolButton* tbLast = nullptr;
    QToolButton* tbPrinterSetup = nullptr;
    QToolButton* tbPrinter = nullptr;
    QToolButton* tbExportPdf = nullptr;
    QToolButton* tbExit = nullptr;
    QPrintPreviewWidget* QRPreview1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateToolBar();
    // A button with a caption, or with only an image where an icon is given.
    QToolButton* AddButton(const char* name, const QString& caption, const QString& hint, const QIcon& icon,
                           void (TFrmPreview::*handler)());
    void FormClose();
    void PaintReport(QPrinter* printer);
    void SyncPageCount();
    void GoToPage(int page);

    QPrinter* m_printer;
    QLabel* m_statusPanel = nullptr;
    QActionGroup* m_zoomGroup = nullptr;
};
