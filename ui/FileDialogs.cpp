#include "ui/FileDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QRegularExpression>

namespace {

// Takes the extension for a bare name from the filter selected when the user accepts.
class SuffixFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

protected:
    void accept() override {
        if (!nameFilters().isEmpty())
            setDefaultSuffix(SuffixOfFilter(selectedNameFilter()));
        QFileDialog::accept();
    }
};

QString ShowFileDialog(const FileDialogRequest& request) {
    const std::unique_ptr<QFileDialog> dialog = MakeFileDialog(request);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return {};
    return QDir::cleanPath(dialog->selectedFiles().first());
}

FileChooser& chooser() {
    static FileChooser current = ShowFileDialog;
    return current;
}

} // namespace

QString SuffixOfFilter(const QString& filter) {
    static const QRegularExpression firstPattern(QStringLiteral("\\*\\.([^\\s;)]+)"));
    const QRegularExpressionMatch match = firstPattern.match(filter);
    return match.hasMatch() ? match.captured(1) : QString();
}

std::unique_ptr<QFileDialog> MakeFileDialog(const FileDialogRequest& request) {
    std::unique_ptr<QFileDialog> dialog = std::make_unique<SuffixFileDialog>(
        QApplication::activeWindow(), request.title, request.initialFolder);
    const bool saving = request.kind == FileDialogKind::Save;
    dialog->setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(request.kind == FileDialogKind::Folder ? QFileDialog::Directory
                        : request.mustExist                    ? QFileDialog::ExistingFile
                                                               : QFileDialog::AnyFile);
    // The save command asks itself before it replaces a file, with the program's own question.
    dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog->setNameFilters(request.filters);
    dialog->setDefaultSuffix(request.filters.isEmpty() ? request.defaultSuffix
                                                       : SuffixOfFilter(request.filters.first()));
    QFileDialog* shown = dialog.get();
    QObject::connect(shown, &QFileDialog::filterSelected, shown,
                     [shown](const QString& filter) { shown->setDefaultSuffix(SuffixOfFilter(filter)); });
    if (!request.filters.isEmpty())
        dialog->selectNameFilter(request.filters.first());
    if (!request.proposedName.isEmpty())
        dialog->selectFile(request.proposedName);
    return dialog;
}

QString ChooseFileName(const FileDialogRequest& request) {
    return chooser()(request);
}

FileChooser SetFileChooser(FileChooser replacement) {
    FileChooser previous = chooser();
    chooser() = replacement ? std::move(replacement) : FileChooser(ShowFileDialog);
    return previous;
}
