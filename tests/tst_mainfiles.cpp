// The save and open commands of the main window: what the file dialogs are asked, the route the
// chosen name takes, round trips through both routes, the messages and grid states of failures,
// and the busy dialog around the workbook route with its cancel points.
#include "core/GbkText.h"
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"
#include "tests/support/TestSupport.h"
#include "ui/FileDialogs.h"
#include "ui/UDlgProcess.h"
#include "ui/UMain.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

namespace {

const Rows kRecords{
    {" 1", "25-03-14 10:30", "DL000123", "OP01", "SUB01", "100 A", "5 秒", "56.3 uΩ"},
    {" 2", "25-03-14 10:41", "变压器甲", "张三", "东郊变电站", "600 A", "60 秒", "1677721.5 uΩ"},
    {" 3", "25-03-15 08:02", "", "李四", "", "30 A", "5 秒", "0.0 uΩ"}};

void Fill(TFrmMain& window, const Rows& records) {
    giRecordCount = int(records.size());
    window.Grid()->setGridRowCount(std::max(2, giRecordCount + 1));
    for (int r = 0; r < records.size(); ++r)
        for (int c = 0; c < RecordGrid::ColumnCount; ++c)
            window.Grid()->setCell(c, r + 1, records.at(r).at(c));
}

Rows GridRows(const TFrmMain& window) {
    Rows rows;
    for (int r = 1; r < window.Grid()->gridRowCount(); ++r) {
        const RecordGrid::Row& row = window.Grid()->row(r);
        rows.append(QStringList(row.begin(), row.end()));
    }
    return rows;
}

Rows Trimmed(Rows rows) {
    for (QStringList& row : rows)
        for (QString& cell : row)
            cell = TrimText(cell);
    return rows;
}

QByteArray Head(const QString& path, int bytes) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(bytes) : QByteArray();
}

TFrmProcess* VisibleBusyDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<TFrmProcess*>(widget); dialog && dialog->isVisible())
            return dialog;
    return nullptr;
}

int BusyDialogsAlive() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        count += qobject_cast<TFrmProcess*>(widget) ? 1 : 0;
    return count;
}

} // namespace

class MainFilesTest : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetSharedState(); }
    void dialogsAskAsTheCommandsWant_data();
    void dialogsAskAsTheCommandsWant();
    void dialogSuffixFollowsTheSelectedFilter_data();
    void dialogSuffixFollowsTheSelectedFilter();
    void replacingAnExistingFileAsksFirst_data();
    void replacingAnExistingFileAsksFirst();
    void theNameEndingChoosesTheRoute_data();
    void theNameEndingChoosesTheRoute();
    void zeroRecordsStillWriteAndShowTheFolder_data();
    void zeroRecordsStillWriteAndShowTheFolder();
    void textOpenFailures_data();
    void textOpenFailures();
    void failedTextSaveSaysSoAndOpensNoFolder();
    void workbookFailures_data();
    void workbookFailures();
    void exportShowsTheBusyDialogAndFreesIt();
    void cancelBeforeTheWorkbookIsTouched_data();
    void cancelBeforeTheWorkbookIsTouched();
    void cancelAfterTheWorkbookIsWrittenKeepsItButOpensNoFolder();
    void headerOnlySheetAndLegacyWorkbookOpen();
};

void MainFilesTest::dialogsAskAsTheCommandsWant_data() {
    QTest::addColumn<bool>("saving");
    QTest::newRow("save") << true;
    QTest::newRow("open") << false;
}

void MainFilesTest::dialogsAskAsTheCommandsWant() {
    QFETCH(bool, saving);
    TempProgramDir dir;
    MessageRecorder messages;
    FolderRecorder folders;
    ScriptedChooser chooser; // answers nothing: the user cancels
    TFrmMain window;
    Fill(window, kRecords);
    const QDateTime before = QDateTime::currentDateTime();
    saving ? window.BtnSaveClick() : window.BtnOpenClick();
    const QDateTime after = QDateTime::currentDateTime();

    QCOMPARE(chooser.requests.size(), 1);
    const FileDialogRequest& request = chooser.requests.first();
    const QString folder = dir.filePath(QStringLiteral("测试记录"));
    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(request.initialFolder, folder);
    QCOMPARE(SuffixOfFilter(request.filters.value(0)), QStringLiteral("xlsx"));
    QCOMPARE(request.filters.value(1), QStringLiteral("测试数据文件(*.txt)"));
    if (saving) {
        QCOMPARE(request.kind, FileDialogKind::Save);
        QCOMPARE(request.title, QStringLiteral("保存当前测试数据"));
        QCOMPARE(request.filters.value(0), QStringLiteral("测试数据文件(*.xlsx)"));
        QVERIFY2(request.proposedName == FormatFileStamp(before) ||
                     request.proposedName == FormatFileStamp(after),
                 qPrintable(request.proposedName));
        QVERIFY(!request.mustExist);
    } else {
        QCOMPARE(request.kind, FileDialogKind::Open);
        QCOMPARE(request.title, QStringLiteral("打开试验数据"));
        QCOMPARE(request.filters.value(0), QStringLiteral("测试数据文件(*.xlsx *.xls)"));
        QVERIFY(request.proposedName.isEmpty());
        QVERIFY(request.mustExist);
    }
    // Cancelling changes nothing and says nothing.
    QVERIFY(messages.messages.isEmpty());
    QVERIFY(folders.folders.isEmpty());
    QCOMPARE(giRecordCount, 3);
    QCOMPARE(GridRows(window), kRecords);
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 0);
}

void MainFilesTest::dialogSuffixFollowsTheSelectedFilter_data() {
    QTest::addColumn<bool>("saving");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("save, workbook type") << true << 0 << "25-03-14 09-05-07"
                                         << "25-03-14 09-05-07.xlsx";
    QTest::newRow("save, text type") << true << 1 << "25-03-14 09-05-07"
                                     << "25-03-14 09-05-07.txt";
    QTest::newRow("save, text type, own extension") << true << 1 << "name.xls"
                                                    << "name.xls";
    QTest::newRow("open, text type") << false << 1 << "bare"
                                     << "bare.txt";
    QTest::newRow("open, workbook type") << false << 0 << "bare"
                                         << "bare.xlsx";
}

// The desktop dialog itself: a name typed without an extension gets the selected type's.
void MainFilesTest::dialogSuffixFollowsTheSelectedFilter() {
    QFETCH(bool, saving);
    QFETCH(int, filter);
    QFETCH(QString, typed);
    QFETCH(QString, chosen);
    TempProgramDir dir;
    const QString folder = EnsureDataFolder();
    for (const QString& name : {QStringLiteral("bare.txt"), QStringLiteral("bare.xlsx")}) {
        QFile file(folder + QLatin1Char('/') + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QStringList filters{QStringLiteral("测试数据文件(*.xlsx *.xls)"),
                              QStringLiteral("测试数据文件(*.txt)")};
    FileDialogRequest request;
    request.kind = saving ? FileDialogKind::Save : FileDialogKind::Open;
    request.filters = filters;
    request.initialFolder = folder;
    request.mustExist = !saving;
    request.defaultSuffix = QStringLiteral("xlsx");
    const std::unique_ptr<QFileDialog> dialog = MakeFileDialog(request);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->show();
    // As a click in the type list does it.
    auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    QVERIFY(types);
    types->setCurrentIndex(filter);
    Q_EMIT types->activated(filter);
    Q_EMIT types->textActivated(types->currentText());
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);
    name->setText(typed);
    static_cast<QDialog*>(dialog.get())->accept(); // the dialog's own checks run as on a click
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(dialog->selectedFiles(), QStringList{folder + QLatin1Char('/') + chosen});
    QCOMPARE(SuffixOfFilter(filters.at(0)), QStringLiteral("xlsx"));
    QCOMPARE(SuffixOfFilter(filters.at(1)), QStringLiteral("txt"));
}

void MainFilesTest::replacingAnExistingFileAsksFirst_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<int>("answer"); // MsgResult
    QTest::newRow("new name: no question") << "new.txt" << false << int(MsgResult::No);
    QTest::newRow("existing text file, No") << "old.txt" << true << int(MsgResult::No);
    QTest::newRow("existing text file, Yes") << "old.txt" << true << int(MsgResult::Yes);
    QTest::newRow("existing workbook, No") << "old.xlsx" << true << int(MsgResult::No);
    QTest::newRow("existing workbook, Yes") << "old.xls" << true << int(MsgResult::Yes);
}

void MainFilesTest::replacingAnExistingFileAsksFirst() {
    QFETCH(QString, name);
    QFETCH(bool, exists);
    QFETCH(int, answer);
    TempProgramDir dir;
    MessageRecorder messages;
    messages.answers.push_back(MsgResult(answer));
    FolderRecorder folders;
    ScriptedChooser chooser;
    TFrmMain window;
    Fill(window, kRecords);
    const QString path = EnsureDataFolder() + QLatin1Char('/') + name;
    if (exists) {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("older contents");
    }
    chooser.answers.push_back(path);
    window.BtnSaveClick();
    const bool replaced = !exists || MsgResult(answer) == MsgResult::Yes;
    if (exists) {
        QCOMPARE(messages.messages.size(), 1);
        const MessageRequest& question = messages.messages.first();
        QCOMPARE(question.text,
                 QStringLiteral("文件'%1'已经存在，要替换它吗？").arg(QDir::toNativeSeparators(path)));
        QCOMPARE(question.caption, QStringLiteral("回路电阻测试仪2.1"));
        QCOMPARE(question.icon, MsgIcon::Question);
        QCOMPARE(question.buttons, MsgButtons::YesNo);
    } else {
        QVERIFY(messages.messages.isEmpty());
    }
    QCOMPARE(Head(path, 5) == QByteArray("older"), !replaced);
    QCOMPARE(folders.folders.size(), replaced ? 1 : 0);
}

void MainFilesTest::theNameEndingChoosesTheRoute_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("head"); // the first four bytes written
    const QByteArray text = Gbk::encode(QStringLiteral("序号"));
    const QByteArray xlsx("PK\x03\x04");
    const QByteArray xls = QByteArray::fromHex("D0CF11E0");
    const QByteArray csv("\xEF\xBB\xBF\xE5"); // byte-order mark and the first byte of 序
    QTest::newRow(".txt") << "记录.txt" << text;
    QTest::newRow("..txt") << "a..txt" << text;
    QTest::newRow(".TXT") << "upper.TXT" << xlsx;
    QTest::newRow(".Txt") << "mixed.Txt" << xlsx;
    QTest::newRow(".xlsx") << "book.xlsx" << xlsx;
    QTest::newRow(".xls") << "book.xls" << xls;
    QTest::newRow(".XLS") << "BOOK.XLS" << xls;
    QTest::newRow(".csv") << "table.csv" << csv;
    QTest::newRow(".Csv") << "table.Csv" << csv;
    QTest::newRow(".txt inside") << "a.txt.xlsx" << xlsx;
    QTest::newRow("no extension") << "plain" << xlsx;
}

void MainFilesTest::theNameEndingChoosesTheRoute() {
    QFETCH(QString, name);
    QFETCH(QByteArray, head);
    TempProgramDir dir;
    MessageRecorder messages;
    FolderRecorder folders;
    ScriptedChooser chooser;
    TFrmMain window;
    Fill(window, kRecords);
    const QString folder = EnsureDataFolder() + QLatin1Char('/');
    const QString path = folder + name;

    chooser.answers.push_back(path);
    window.BtnSaveClick();
    QVERIFY2(messages.messages.isEmpty(), qPrintable(messages.texts().join(QLatin1Char('\n'))));
    QCOMPARE(folders.folders, QStringList{folder});
    QCOMPARE(Head(path, 4), head);
    QCOMPARE(BusyDialogsAlive(), 0);

    window.ClearGrid();
    chooser.answers.push_back(path);
    window.BtnOpenClick();
    QVERIFY(messages.messages.isEmpty());
    QCOMPARE(folders.folders.size(), 1); // opening shows no folder
    QCOMPARE(giRecordCount, 3);
    QCOMPARE(GridRows(window), Trimmed(kRecords));
    QCOMPARE(window.Grid()->cell(1, 0), QStringLiteral("时间"));
    QCOMPARE(BusyDialogsAlive(), 0);
}

void MainFilesTest::zeroRecordsStillWriteAndShowTheFolder_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("text file") << "none.txt";
    QTest::newRow("workbook") << "none.xlsx";
}

void MainFilesTest::zeroRecordsStillWriteAndShowTheFolder() {
    QFETCH(QString, name);
    TempProgramDir dir;
    MessageRecorder messages;
    FolderRecorder folders;
    ScriptedChooser chooser;
    TFrmMain window;
    const QString path = EnsureDataFolder() + QLatin1Char('/') + name;
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an older file of that name");
    old.close();
    chooser.answers.push_back(path);
    messages.answers.push_back(MsgResult::Yes); // replace it
    window.BtnSaveClick();
    QCOMPARE(messages.messages.size(), 1);
    QCOMPARE(messages.messages.first().buttons, MsgButtons::YesNo);
    messages.clear();
    QCOMPARE(folders.folders, QStringList{FolderOfFile(path)});
    if (name.endsWith(QLatin1String(".txt")))
        QCOMPARE(QFileInfo(path).size(), 0);
    else
        QCOMPARE(Head(path, 2), QByteArray("PK"));
    // Opening it back gives no records: the empty-file message and a blank row under the text
    // route, the header row alone for a header-only sheet.
    const bool text = name.endsWith(QLatin1String(".txt"));
    Fill(window, kRecords);
    chooser.answers.push_back(path);
    window.BtnOpenClick();
    QCOMPARE(messages.texts(), text ? QStringList{QStringLiteral("指定的文件沒有內容")} : QStringList{});
    QCOMPARE(giRecordCount, 0);
    QCOMPARE(window.Grid()->gridRowCount(), text ? 2 : 1);
}

void MainFilesTest::textOpenFailures_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // null: not created
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("gridReset");
    QTest::newRow("missing") << "gone.txt" << QByteArray() << "指定的文件'%1'不存在" << false;
    QTest::newRow("blanks only") << "blank.txt" << QByteArray(" \r\n \r\n") << "指定的文件沒有內容" << true;
    QTest::newRow("binary") << "binary.txt" << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)
                            << "指定的文件'%1'不是文本格式的测试数据文件" << false;
    QTest::newRow("a folder") << "folder.txt" << QByteArray("dir") << "指定的'%1'是文件夹，不是数据文件"
                              << false;
}

void MainFilesTest::textOpenFailures() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    QFETCH(bool, gridReset);
    TempProgramDir dir;
    MessageRecorder messages;
    TFrmMain window;
    Fill(window, kRecords);
    const QString path = EnsureDataFolder() + QLatin1Char('/') + name;
    if (bytes == "dir") {
        QVERIFY(QDir().mkpath(path));
    } else if (!bytes.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    window.LoadFromTextFile(path);
    QCOMPARE(messages.messages.size(), 1);
    QCOMPARE(messages.messages.first().text,
             message.contains(QLatin1String("%1")) ? message.arg(path) : message);
    QCOMPARE(messages.messages.first().caption, QStringLiteral("錯誤"));
    QCOMPARE(messages.messages.first().icon, MsgIcon::Error);
    if (gridReset) {
        QCOMPARE(giRecordCount, 0);
        QCOMPARE(GridRows(window), Rows{QStringList(8)});
    } else {
        QCOMPARE(giRecordCount, 3);
        QCOMPARE(GridRows(window), kRecords);
    }
}

void MainFilesTest::failedTextSaveSaysSoAndOpensNoFolder() {
    TempProgramDir dir;
    MessageRecorder messages;
    FolderRecorder folders;
    TFrmMain window;
    Fill(window, kRecords);
    const QString path = dir.filePath(QStringLiteral("no-such-folder/记录.txt"));
    window.SaveToTextFile(path);
    QCOMPARE(messages.messages.size(), 1);
    QVERIFY2(messages.messages.first().text.contains(path), qPrintable(messages.messages.first().text));
    QCOMPARE(messages.messages.first().caption, AppTitle());
    QCOMPARE(messages.messages.first().icon, MsgIcon::Error);
    QVERIFY(folders.folders.isEmpty());
}

void MainFilesTest::workbookFailures_data() {
    QTest::addColumn<bool>("exporting");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("import: a text file under a workbook name")
        << false << "text.xlsx" << QByteArray("序号=1\r\n");
    QTest::newRow("import: a damaged zip") << false << "broken.xlsx" << QByteArray("PK\x03\x04garbage");
    QTest::newRow("import: a missing file") << false << "gone.xls" << QByteArray();
    QTest::newRow("export: into a folder that does not exist")
        << true << "no-such-folder/book.xlsx" << QByteArray();
}

void MainFilesTest::workbookFailures() {
    QFETCH(bool, exporting);
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    TempProgramDir dir;
    MessageRecorder messages;
    FolderRecorder folders;
    TFrmMain window;
    Fill(window, kRecords);
    const QString path = dir.filePath(name);
    if (!bytes.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    exporting ? window.ExportToExcel(path) : window.ImportFromExcel(path);
    // A failed open has a message of its own, with the reason; the export's is the conversion's.
    QCOMPARE(messages.messages.size(), 1);
    const QString text = messages.texts().first();
    if (exporting)
        QCOMPARE(text, QStringLiteral("转换成Excel格式失败！"));
    else
        QVERIFY2(text.startsWith(QStringLiteral("打开文件'%1'失败，表格未改动。\n").arg(path)) &&
                     text.size() > path.size() + 16,
                 qPrintable(text));
    QCOMPARE(messages.messages.first().caption, AppTitle());
    QCOMPARE(messages.messages.first().icon, MsgIcon::Warning);
    // The grid stays as it was; an export that was not cancelled still shows its folder.
    QCOMPARE(giRecordCount, 3);
    QCOMPARE(GridRows(window), kRecords);
    QCOMPARE(folders.folders, exporting ? QStringList{FolderOfFile(path)} : QStringList{});
    QVERIFY(!QFileInfo::exists(path) || !exporting);
    QCOMPARE(BusyDialogsAlive(), 0);
}

void MainFilesTest::exportShowsTheBusyDialogAndFreesIt() {
    TempProgramDir dir;
    MessageRecorder messages;
    FolderRecorder folders;
    TFrmMain window;
    Fill(window, kRecords);
    QString tip;
    QList<int> ranges;
    QTimer::singleShot(0, &window, [&] {
        if (TFrmProcess* dialog = VisibleBusyDialog()) {
            tip = dialog->lblTip->text();
            ranges = {dialog->PBCount->minimum(),   dialog->PBCount->maximum(),   dialog->PBCount->value(),
                      dialog->PBProcess->minimum(), dialog->PBProcess->maximum(), dialog->PBProcess->value()};
        }
    });
    window.ExportToExcel(dir.filePath(QStringLiteral("busy.xlsx")));
    QCOMPARE(tip, QStringLiteral("正在进行Excel报表转换，请稍候..."));
    QCOMPARE(ranges, (QList<int>{1, 2, 1, 1, 3, 1}));
    QCOMPARE(BusyDialogsAlive(), 0);
    QVERIFY(messages.messages.isEmpty());
    QCOMPARE(folders.folders.size(), 1);
}

void MainFilesTest::cancelBeforeTheWorkbookIsTouched_data() {
    QTest::addColumn<bool>("exporting");
    QTest::newRow("export") << true;
    QTest::newRow("import") << false;
}

void MainFilesTest::cancelBeforeTheWorkbookIsTouched() {
    QFETCH(bool, exporting);
    TempProgramDir dir;
    MessageRecorder messages;
    FolderRecorder folders;
    TFrmMain window;
    const QString path = dir.filePath(QStringLiteral("cancel.xlsx"));
    Fill(window, kRecords);
    window.ExportToExcel(path); // something to import
    folders.folders.clear();
    if (exporting)
        QVERIFY(QFile::remove(path));
    else
        Fill(window, {kRecords.first()});
    const Rows before = GridRows(window);

    QTimer::singleShot(0, &window, [] {
        if (TFrmProcess* dialog = VisibleBusyDialog())
            dialog->BtnCancel->click();
    });
    exporting ? window.ExportToExcel(path) : window.ImportFromExcel(path);
    QCOMPARE(QFileInfo::exists(path), !exporting);
    QCOMPARE(GridRows(window), before);
    QVERIFY(messages.messages.isEmpty());
    QVERIFY(folders.folders.isEmpty());
    QCOMPARE(BusyDialogsAlive(), 0);
}

void MainFilesTest::cancelAfterTheWorkbookIsWrittenKeepsItButOpensNoFolder() {
    TempProgramDir dir;
    MessageRecorder messages;
    FolderRecorder folders;
    TFrmMain window;
    Fill(window, kRecords);
    const QString path = dir.filePath(QStringLiteral("late.xlsx"));
    // Press "取消" as soon as the dialog shows the second step.
    QTimer watcher;
    watcher.setInterval(1);
    connect(&watcher, &QTimer::timeout, &window, [] {
        if (TFrmProcess* dialog = VisibleBusyDialog(); dialog && dialog->PBCount->value() == 2)
            dialog->BtnCancel->click();
    });
    watcher.start();
    window.ExportToExcel(path);
    watcher.stop();
    QVERIFY(folders.folders.isEmpty());
    QVERIFY(messages.messages.isEmpty());
    window.ClearGrid();
    window.ImportFromExcel(path);
    QCOMPARE(giRecordCount, 3);
    QCOMPARE(GridRows(window), Trimmed(kRecords));
}

void MainFilesTest::headerOnlySheetAndLegacyWorkbookOpen() {
    TempProgramDir dir;
    MessageRecorder messages;
    FolderRecorder folders;
    TFrmMain window;
    const QString empty = dir.filePath(QStringLiteral("header.xlsx"));
    giRecordCount = 0;
    window.ExportToExcel(empty);
    Fill(window, kRecords);
    window.ImportFromExcel(empty);
    QCOMPARE(giRecordCount, 0);
    QCOMPARE(window.Grid()->gridRowCount(), 1);
    QCOMPARE(window.Grid()->cell(7, 0), QStringLiteral("测试电阻"));

    ScriptedChooser chooser;
    const QString legacy = EnsureDataFolder() + QStringLiteral("/old.xls");
    QVERIFY(QFile::copy(QStringLiteral(OHMARA_TEST_DATA_DIR "/files/records.xls"), legacy));
    chooser.answers.push_back(legacy);
    window.BtnOpenClick();
    QVERIFY(messages.messages.isEmpty());
    QCOMPARE(giRecordCount, 3);
    QCOMPARE(window.Grid()->cell(4, 2), QStringLiteral("东郊变电站"));
    QCOMPARE(window.Grid()->cell(0, 1), QStringLiteral("1"));
}

QTEST_MAIN(MainFilesTest)
#include "tst_mainfiles.moc"
