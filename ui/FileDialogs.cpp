#include "ui/FileDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

namespace {

QString ShowFileDialog(const FileDialogRequest& request) {
    QFileDialog dialog(QApplication::activeWindow(), request.title, request.initialFolder);
    const bool saving = request.kind == FileDialogKind::Save;
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // Choosing a name that exists already replaces that file without a question.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setNameFilters(request.filters);
    if (!request.filters.isEmpty())
        dialog.selectNameFilter(request.filters.first());
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.proposedName.isEmpty())
        dialog.selectFile(request.proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::cleanPath(dialog.selectedFiles().first());
}

FileChooser& chooser() {
    static FileChooser current = ShowFileDialog;
    return current;
}

} // namespace

QString ChooseFileName(const FileDialogRequest& request) {
    return chooser()(request);
}

FileChooser SetFileChooser(FileChooser replacement) {
    FileChooser previous = chooser();
    chooser() = replacement ? std::move(replacement) : FileChooser(ShowFileDialog);
    return previous;
}
