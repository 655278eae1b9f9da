// Takes the README's pictures of two questions a user meets: the clear question (清空历史数据)
// and the save dialog, both with Qt's standard buttons in Chinese. Each picture shows the main
// window with the box in front of it, as the user sees them. With --lang en, takes the main window
// in English instead. Run by scripts/docs-screenshots.sh.
#include "core/Language.h"
#include "core/Platform.h"
#include "core/ProfileFile.h"
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "report/ReportLayout.h"
#include "sim/VirtualInstrument.h"
#include "ui/DesktopLook.h"
#include "ui/DesktopSeams.h"
#include "ui/UMain.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <functional>

namespace {

constexpr auto kSettle = std::chrono::milliseconds(400);

// The main window with `box` drawn over it where it stands, the whole in one picture.
QImage Composite(QWidget* window, QWidget* box) {
    const QRect windowArea = window->frameGeometry();
    const QRect boxArea = box->frameGeometry();
    const QRect all = windowArea.united(boxArea);
    QImage image(all.size(), QImage::Format_RGB32);
    image.fill(Qt::darkGray);
    QPainter painter(&image);
    painter.drawPixmap(window->geometry().topLeft() - all.topLeft(), window->grab());
    painter.drawPixmap(box->geometry().topLeft() - all.topLeft(), box->grab());
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(QRect(box->geometry().topLeft() - all.topLeft(), box->size()).adjusted(-1, -1, 0, 0));
    return image;
}

// Once the next modal box is open: saves the picture and closes the box.
void ShootNextModal(QWidget* window, const QString& path, std::function<void(QWidget*)> close) {
    QTimer::singleShot(kSettle, [=] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box) {
            qWarning("no box to take");
            QApplication::exit(1);
            return;
        }
        if (!Composite(window, box).save(path))
            qWarning("cannot write %s", qPrintable(path));
        close(box);
    });
}

void FillRecords(TFrmMain& window) {
    const QList<SimRecord> records{
        {QDateTime(QDate(2024, 3, 15), QTime(9, 41)), "QF1", "LI", "B2", 1, 5, 1234},
        {QDateTime(QDate(2024, 3, 15), QTime(9, 47)), "QF2", "LI", "B2", 1, 5, 1187},
        {QDateTime(QDate(2024, 3, 15), QTime(10, 3)), "QF3", "WANG", "B3", 2, 10, 2310},
    };
    window.Grid()->setGridRowCount(int(records.size()) + 1);
    giRecordCount = int(records.size());
    for (int k = 1; k <= records.size(); ++k)
        window.FillRecordRow(k, reinterpret_cast<const uint8_t*>(records[k - 1].frame().constData()));
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2) {
        qWarning("usage: %s <output folder>", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QApplication::setFont(SongTiFont(9));
    InstallDesktopSeams();
    const UiLanguage language = ChosenLanguage(QApplication::arguments(), ProfileFile(QString()), false);
    SetUpDesktopLook(language);
    // A program folder of its own, so that the dialog shows a plain path; removed at the end.
    QDir programDir(QDir::temp().filePath(QStringLiteral("ohmara-demo")));
    programDir.removeRecursively();
    programDir.mkpath(QStringLiteral("."));
    SetExecutableDir(programDir.path());

    int result = 0;
    {
        TFrmMain window;
        window.show();
        FillRecords(window);
        gbDeviceConnected = true;
        window.UpdateButtons();
        window.SetStatusText(QCoreApplication::translate("UMain", "%1已连接").arg(QStringLiteral("5731")));

        if (language == UiLanguage::English) {
            QTimer::singleShot(kSettle, [&] {
                if (!window.grab().save(out.filePath(QStringLiteral("main-window-en.png"))))
                    qWarning("cannot write the picture");
                window.close();
                QApplication::quit();
            });
        } else {
            QTimer::singleShot(kSettle, [&] {
                ShootNextModal(&window, out.filePath(QStringLiteral("clear-question.png")), [](QWidget* box) {
                    if (auto* question = qobject_cast<QMessageBox*>(box))
                        question->button(QMessageBox::No)->click();
                });
                window.BtnClearData->click();
                ShootNextModal(&window, out.filePath(QStringLiteral("save-dialog.png")),
                               [](QWidget* box) { static_cast<QDialog*>(box)->reject(); });
                window.BtnSave->click();
                window.close();
                QApplication::quit();
            });
        }
        result = QApplication::exec();
    } // the window writes its settings file as it goes
    programDir.removeRecursively();
    return result;
}
