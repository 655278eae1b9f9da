#pragma once
// The save and open file dialogs behind one replaceable function, so that tests can answer them
// from a script. The default shows the desktop's file dialog.
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QFileDialog;

enum class FileDialogKind { Save, Open, Folder };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    QString title;
    QStringList filters; // "label(*.ext …)" entries; the first is preselected
    QString initialFolder;
    QString proposedName;   // empty: none
    QString defaultSuffix;  // without the dot; the dialogs add the one of the selected filter instead
    bool mustExist = false; // the chosen file has to exist
};

// Returns the chosen full path, or an empty text when the user cancelled.
using FileChooser = std::function<QString(const FileDialogRequest&)>;

QString ChooseFileName(const FileDialogRequest& request);

// The extension of a filter's first pattern, without the dot: "txt" for "测试数据文件(*.txt)";
// empty when the filter has none.
QString SuffixOfFilter(const QString& filter);

// The desktop dialog for the request, not yet shown. A name typed without an extension gets the
// one of the filter selected when the dialog is accepted.
std::unique_ptr<QFileDialog> MakeFileDialog(const FileDialogRequest& request);
// Installs another chooser (an empty one restores the dialog); returns the previous one.
FileChooser SetFileChooser(FileChooser chooser);
