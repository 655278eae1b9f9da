#include "report/UDlgPreview.h"

#include "core/Platform.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"
#include "report/UQRMain.h"

#include <QAccessible>
#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

namespace {

constexpr int kWindowWidth = 561;
constexpr int kWindowHeight = 408;
constexpr int kMinimumWidth = 200;
constexpr int kMinimumHeight = 100;

} // namespace

void LabelAcceptButton(QPrintDialog& dialog, const QString& caption) {
    for (QDialogButtonBox* buttons : dialog.findChildren<QDialogButtonBox*>()) {
        if (QPushButton* accept = buttons->button(QDialogButtonBox::Ok))
            accept->setText(caption);
    }
}

TFrmPreview::TFrmPreview(QPrinter* printer, QWidget* parent) : QMainWindow(parent), m_printer(printer) {
    setObjectName(QStringLiteral("FrmPreview"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::Window);
    setFont(SongTiFont(9));
    resize(kWindowWidth, kWindowHeight);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    CreateToolBar();
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    QRPreview1 = new QPrintPreviewWidget(printer, this);
    QRPreview1->setObjectName(QStringLiteral("QRPreview1"));
    QRPreview1->setAccessibleName(QCoreApplication::translate("UDlgPreview", "报表页面"));
    setCentralWidget(QRPreview1);
    connect(QRPreview1, &QPrintPreviewWidget::paintRequested, this, &TFrmPreview::PaintReport);
    connect(QRPreview1, &QPrintPreviewWidget::previewChanged, this, &TFrmPreview::SyncPageCount);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    // Named by the page status it shows (see ShowPageStatus); the description says what it is.
    m_statusPanel = new QLabel(StatusBar1);
    m_statusPanel->setObjectName(QStringLiteral("PageStatus"));
    m_statusPanel->setAccessibleDescription(QCoreApplication::translate("UDlgPreview", "页码"));
    StatusBar1->addWidget(m_statusPanel, 1);
    setStatusBar(StatusBar1);

    // Opens at page 1 with the fit-to-width button down, at the zoom that button names.
    tbZToWidth->setChecked(true);
    QRPreview1->fitToWidth();
}

TFrmPreview::~TFrmPreview() = default;

QToolButton* TFrmPreview::AddButton(const char* name, const QString& caption, const QString& hint,
                                    const QIcon& icon, void (TFrmPreview::*handler)()) {
    auto* action = new QAction(icon, caption, this);
    action->setToolTip(hint);
    ToolBar1->addAction(action);
    connect(action, &QAction::triggered, this, handler);
    auto* button = qobject_cast<QToolButton*>(ToolBar1->widgetForAction(action));
    button->setObjectName(QLatin1String(name));
    button->setToolButtonStyle(icon.isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
    button->setToolTip(hint);
    button->setAccessibleDescription(hint);
    button->setAccessibleName(icon.isNull() ? caption : hint);
    return button;
}

void TFrmPreview::CreateToolBar() {
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    // The window's own context menu would offer to hide the tool bar, with every button on it.
    ToolBar1->toggleViewAction()->setEnabled(false);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    const QIcon none;
    QStyle* look = style();

    tbZToFit = AddButton("tbZToFit", QCoreApplication::translate("UDlgPreview", "整页"),
                         QCoreApplication::translate("UDlgPreview", "整张纸缩微显示"), none,
                         &TFrmPreview::tbZToFitClick);
    tb100 = AddButton("tb100", QStringLiteral("100%"), QCoreApplication::translate("UDlgPreview", "100%显示"),
                      none, &TFrmPreview::tb100Click);
    tbZToWidth = AddButton("tbZToWidth", QCoreApplication::translate("UDlgPreview", "页宽"),
                           QCoreApplication::translate("UDlgPreview", "调整为宽度适合"), none,
                           &TFrmPreview::tbZToWidthClick);
    m_zoomGroup = new QActionGroup(this);
    m_zoomGroup->setExclusive(true);
    for (QToolButton* button : {tbZToFit, tb100, tbZToWidth}) {
        button->defaultAction()->setCheckable(true);
        m_zoomGroup->addAction(button->defaultAction());
    }
    ToolBar1->addSeparator();

    tbFirst = AddButton("tbFirst", QString(), QCoreApplication::translate("UDlgPreview", "第一页"),
                        look->standardIcon(QStyle::SP_MediaSkipBackward), &TFrmPreview::tbFirstClick);
    tbPrior = AddButton("tbPrior", QString(), QCoreApplication::translate("UDlgPreview", "上一页"),
                        look->standardIcon(QStyle::SP_ArrowLeft), &TFrmPreview::tbPriorClick);
    tbNext = AddButton("tbNext", QString(), QCoreApplication::translate("UDlgPreview", "下一页"),
                       look->standardIcon(QStyle::SP_ArrowRight), &TFrmPreview::tbNextClick);
    tbLast = AddButton("tbLast", QString(), QCoreApplication::translate("UDlgPreview", "最后一页"),
                       look->standardIcon(QStyle::SP_MediaSkipForward), &TFrmPreview::tbLastClick);
    ToolBar1->addSeparator();

    tbPrinterSetup = AddButton("tbPrinterSetup", QCoreApplication::translate("UDlgPreview", "打印设置"),
                               QCoreApplication::translate("UDlgPreview", "打印机设置"), none,
                               &TFrmPreview::tbPrinterSetupClick);
    tbPrinter =
        AddButton("tbPrinter", QCoreApplication::translate("UDlgPreview", "打印"),
                  QCoreApplication::translate("UDlgPreview", "打印"), none, &TFrmPreview::tbPrinterClick);
    tbExportPdf = AddButton("tbExportPdf", QCoreApplication::translate("UDlgPreview", "导出PDF"),
                            QCoreApplication::translate("UDlgPreview", "将报表保存为PDF文件"), none,
                            &TFrmPreview::tbExportPdfClick);
    ToolBar1->addSeparator();

    tbExit =
        AddButton("tbExit", QCoreApplication::translate("UDlgPreview", "退出"),
                  QCoreApplication::translate("UDlgPreview", "退出预览"), none, &TFrmPreview::tbExitClick);
}

QString TFrmPreview::StatusText() const {
    return m_statusPanel->text();
}

void TFrmPreview::ShowPageStatus() {
    const QString status = QCoreApplication::translate("UDlgPreview", " 第 %1 页   总 %2 页")
                               .arg(QRPreview1->currentPage())
                               .arg(iPageCount);
    m_statusPanel->setText(status);
    // The new name is announced to assistive tools; the padding blanks are not read out.
    m_statusPanel->setAccessibleName(status.simplified());
    QAccessibleEvent renamed(m_statusPanel, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&renamed);
}

void TFrmPreview::SetTitle(const QString& caption) {
    setWindowTitle(caption);
}

void TFrmPreview::QRPreview1PageAvailable(QObject* /*sender*/, int pageNum) {
    iPageCount = pageNum;
    ShowPageStatus();
}

void TFrmPreview::PaintReport(QPrinter* printer) {
    if (Other.paint)
        Other.paint(printer);
    else if (Report)
        Report->RenderPages(printer);
}

// The page view announces each run of the report as a whole; pass its pages on one by one.
void TFrmPreview::SyncPageCount() {
    const int pages = QRPreview1->pageCount();
    if (pages < iPageCount)
        iPageCount = pages;
    for (int page = iPageCount + 1; page <= pages; ++page)
        QRPreview1PageAvailable(QRPreview1, page);
    ShowPageStatus();
}

void TFrmPreview::tbZToFitClick() {
    QRPreview1->fitInView();
}

void TFrmPreview::tb100Click() {
    QRPreview1->setZoomFactor(1.0);
}

void TFrmPreview::tbZToWidthClick() {
    QRPreview1->fitToWidth();
}

void TFrmPreview::GoToPage(int page) {
    QRPreview1->setCurrentPage(page);
    ShowPageStatus();
}

void TFrmPreview::tbFirstClick() {
    GoToPage(1);
}

void TFrmPreview::tbPriorClick() {
    GoToPage(std::max(1, QRPreview1->currentPage() - 1));
}

void TFrmPreview::tbNextClick() {
    GoToPage(std::min(iPageCount, QRPreview1->currentPage() + 1));
}

void TFrmPreview::tbLastClick() {
    GoToPage(iPageCount);
}

void TFrmPreview::tbPrinterSetupClick() {
    QPrintDialog dialog(m_printer, this);
    dialog.setWindowTitle(QCoreApplication::translate("UDlgPreview", "打印机设置"));
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintCollateCopies | QAbstractPrintDialog::PrintShowPageSize);
    dialog.setMinMax(1, std::max(1, iPageCount));
    // This dialog only chooses; printing is the tool bar's "打印".
    LabelAcceptButton(dialog, QCoreApplication::translate("UDlgPreview", "确定"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    // Paper and orientation may have changed: run the report into pages again.
    QRPreview1->updatePreview();
}

void TFrmPreview::tbPrinterClick() {
    if (!Report && !Other.paint)
        return;
    if (Other.paint ? Other.paint(m_printer) == 0 : !Report->Print(m_printer)) {
        ShowMessage(
            QCoreApplication::translate("UDlgPreview", "打印失败！请检查打印机设置，或用“导出PDF”保存报表。"),
            AppTitle(), MsgIcon::Warning);
        return;
    }
    // Without a printer the print goes to a file: say where it went.
    if (const QString file = m_printer->outputFileName(); !file.isEmpty())
        ShowMessage(QCoreApplication::translate("UDlgPreview", "报表已打印到文件：\n") +
                        QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()),
                    AppTitle(), MsgIcon::Information);
}

void TFrmPreview::tbExportPdfClick() {
    if (!Report && !Other.savePdf)
        return;
    const QString proposal = Other.savePdf
                                 ? Other.pdfName
                                 : QCoreApplication::translate("UDlgPreview", "主报表 ") +
                                       FormatFileStamp(QDateTime::currentDateTime()) + QStringLiteral(".pdf");
    QFileDialog dialog(this, QCoreApplication::translate("UDlgPreview", "导出PDF"), EnsureDataFolder(),
                       QCoreApplication::translate("UDlgPreview", "PDF文件 (*.pdf)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.selectFile(proposal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString fileName = dialog.selectedFiles().constFirst();
    if (Other.savePdf)
        return Other.savePdf(fileName);
    if (!Report->ExportPdf(fileName).ok()) {
        ShowMessage(QCoreApplication::translate("UDlgPreview", "PDF文件保存失败！"), AppTitle(),
                    MsgIcon::Warning);
        return;
    }
    OpenFolder(FolderOfFile(fileName));
}

void TFrmPreview::tbExitClick() {
    close();
}

void TFrmPreview::FormClose() {
    Report = nullptr;
}

void TFrmPreview::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}
