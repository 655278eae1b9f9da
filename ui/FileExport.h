#pragma once
// Exporting what a window shows to a file, the same way in every window: the name chosen in the
// save dialog (or made by the program), the question "替换" asks before an existing file is
// replaced, the file written by a writer that puts it in place whole, a failure told with the old
// file left as it was, and the folder shown once the file is there. A long export runs on a worker
// thread from values copied out of the window, with its progress in a dialog that can stop it.
#include "core/WorkRunner.h"
#include "ui/TablePdf.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QWidget;

// A table to write: its layout and its rows, copied out of a window's model.
struct TableExport {
    TablePdfLayout layout;
    std::vector<QStringList> rows;
};

class FileExport {
public:
    // Writes the file whole, or says why not.
    using Writer = std::function<Outcome(const QString& fileName)>;

    FileExport(QString title, QString proposedName);

    // Asks for a name in the data folder among the filters (the first one preselected) and, for a
    // file that exists, whether to replace it; empty when the user gives up.
    QString choose(const QStringList& filters) const;
    // Writes the file; tells a failure and returns false, or shows its folder.
    static bool Write(const QString& fileName, const Writer& writer);
    // A table written by the name's ending (WriteTableExport); as Write().
    static bool WriteTable(const QString& fileName, const TableExport& table);
    // Runs the work on a worker thread while a progress dialog, modal to the window, shows how far
    // it has come and offers "取消"; `ended` runs on the window's thread. Both go with the window.
    // One at a time in a window: false (nothing started) while one runs.
    static bool Run(QWidget* window, const QString& fileName, WorkRunner::Work work,
                    std::function<void(const Outcome& outcome, bool stopped)> ended);
    // Writes the file as Run() does, then as Write(): a failure told, or the folder shown; a stop
    // leaves the old file as it was, without a word. `done` says whether the file was written.
    static bool WriteInBackground(QWidget* window, const QString& fileName, WorkRunner::Work work,
                                  std::function<void(bool written)> done = {});
    // A table written by the name's ending (WriteTableExport) as WriteInBackground() writes.
    static bool WriteTableInBackground(QWidget* window, const QString& fileName, TableExport table,
                                       std::function<void(bool written)> done = {});
    // Whether the file may be written: it does not exist, or the user agrees to replace it.
    static bool MayReplace(const QString& fileName);

private:
    QString m_title;
    QString m_proposedName;
};

// Writes a table by the name's ending: A4 PDF pages for ".pdf" (the layout), else .xlsx or .csv
// under the layout's headers; the rows written are reported, and a stop leaves the old file.
Outcome WriteTableExport(const QString& fileName, const TableExport& table, const WorkControl& control = {});
