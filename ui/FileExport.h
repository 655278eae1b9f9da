#pragma once
// Exporting what a window shows to a file, the same way in every window: the name chosen in the
// save dialog (or made by the program), the question "替换" asks before an existing file is
// replaced, the file written by a writer that puts it in place whole, a failure told with the old
// file left as it was, and the folder shown once the file is there.
#include "ui/TablePdf.h"

#include <QString>
#include <QStringList>
#include <functional>

class FileExport {
public:
    // Writes the file whole; false with a reason otherwise.
    using Writer = std::function<bool(const QString& fileName, QString* reason)>;

    FileExport(QString title, QString proposedName);

    // Asks for a name in the data folder among the filters (the first one preselected) and, for a
    // file that exists, whether to replace it; empty when the user gives up.
    QString choose(const QStringList& filters) const;
    // Writes the file; tells a failure and returns false, or shows its folder.
    static bool Write(const QString& fileName, const Writer& writer);
    // A table written by the name's ending: A4 PDF pages for ".pdf" (the layout), else .xlsx or
    // .csv under the layout's headers; as Write().
    static bool WriteTable(const QString& fileName, const TablePdfLayout& layout, const TableRowSource& rows);
    // Whether the file may be written: it does not exist, or the user agrees to replace it.
    static bool MayReplace(const QString& fileName);

private:
    QString m_title;
    QString m_proposedName;
};
