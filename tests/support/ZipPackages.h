#pragma once
// Workbook packages made by hand for tests: the parts of an .xlsx, written as a spreadsheet
// program would (libzip), and hostile ones: a part that claims to be smaller than it unpacks to,
// and a zip bomb whose part unpacks to far more than the file holds.
#include <QByteArray>
#include <QMap>
#include <QString>

using Parts = QMap<QString, QByteArray>;

namespace ZipPackages {

inline const QByteArray kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline const QByteArray kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// A worksheet part holding the rows, with `before` ahead of its sheet data.
QByteArray Sheet(const QByteArray& rows, const QByteArray& before = {});
// A shared-strings part holding the items.
QByteArray Shared(const QByteArray& items);
// A package with one or two sheets; activeTab < 0 leaves the workbook view out.
Parts Package(const QByteArray& sheet1, const QByteArray& shared = {}, int activeTab = -1,
              const QByteArray& sheet2 = {}, const QByteArray& sheet2Target = "worksheets/sheet2.xml");

// Writes a zip package part by part, as a spreadsheet program would.
bool WriteZip(const QString& path, const Parts& parts);

// Makes the archive declare a small unpacked size for one entry, as a zip bomb would, in both the
// local header and the central directory.
bool UnderstateSize(const QString& path, const QByteArray& entry, quint32 size);

// Writes the package with `bomb` unpacking to head, then `blanks` spaces, then tail. The spaces
// are never held in memory: the file holds about a thousandth of them. Other parts are stored.
bool WriteZipBomb(const QString& path, const Parts& parts, const QString& bomb, const QByteArray& head,
                  qint64 blanks, const QByteArray& tail);

} // namespace ZipPackages
