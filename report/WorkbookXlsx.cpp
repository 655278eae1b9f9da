// The .xlsx side of the workbook reader: finds the active sheet through the package relationships
// and the workbook view, collects the cells of that sheet and looks up the shared strings they use.
#include "report/WorkbookDates.h"
#include "report/WorkbookReader.h"
#include "report/WorkbookXml.h"
#include "report/WorkbookZip.h"

#include <QList>
#include <QUrl>
#include <QXmlStreamReader>
#include <algorithm>
#include <unordered_map>

namespace {

struct Relationship {
    QString id;
    QString type;
    QString target; // part name, resolved against the source part's folder
};

QString FolderOfPart(const QString& part) {
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : part.left(slash + 1);
}

QString RelationshipsPartOf(const QString& part) {
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return FolderOfPart(part) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

// Targets are relative to the source part's folder, or absolute from the package root.
QString ResolveTarget(const QString& baseFolder, const QString& target) {
    const QString decoded = QUrl::fromPercentEncoding(target.toUtf8());
    const QString joined = decoded.startsWith(QLatin1Char('/')) ? decoded : baseFolder + decoded;
    QStringList parts;
    for (const QString& segment : joined.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (segment == QLatin1String(".."))
            parts.isEmpty() ? void() : parts.removeLast();
        else if (segment != QLatin1String("."))
            parts.append(segment);
    }
    return parts.join(QLatin1Char('/'));
}

bool TypeIs(const QString& type, QLatin1String kind) {
    return type.endsWith(kind);
}

Outcome ReadRelationships(const ZipArchive& zip, const QString& sourcePart, const WorkbookLimits& limits,
                          QList<Relationship>* relationships) {
    const QString relsPart = RelationshipsPartOf(sourcePart);
    if (!zip.contains(relsPart))
        return {};
    XmlPart xml(zip, relsPart, limits.maxSmallPartBytes);
    const QString folder = FolderOfPart(sourcePart);
    while (xml.next()) {
        if (!xml.isStart(u"Relationship"))
            continue;
        const QXmlStreamAttributes attributes = xml.reader().attributes();
        if (attributes.value(QLatin1String("TargetMode")) == QLatin1String("External"))
            continue;
        relationships->append(
            Relationship{attributes.value(QLatin1String("Id")).toString(),
                         attributes.value(QLatin1String("Type")).toString(),
                         ResolveTarget(folder, attributes.value(QLatin1String("Target")).toString())});
    }
    return xml.finish();
}

Result<QString> MainDocumentPart(const ZipArchive& zip, const WorkbookLimits& limits) {
    QList<Relationship> rels;
    if (Outcome read = ReadRelationships(zip, QString(), limits, &rels); !read)
        return read;
    for (const Relationship& rel : rels)
        if (TypeIs(rel.type, QLatin1String("/officeDocument")))
            return rel.target;
    return QStringLiteral("xl/workbook.xml");
}

// The relationship id of the sheet the workbook was saved with as the active one.
Result<QString> ActiveSheetId(const ZipArchive& zip, const QString& workbookPart,
                              const WorkbookLimits& limits, bool* date1904) {
    XmlPart xml(zip, workbookPart, limits.maxSmallPartBytes);
    qsizetype activeTab = -1;
    QStringList sheetIds;
    while (xml.next()) {
        if (xml.isStart(u"workbookPr")) {
            const auto flag = xml.reader().attributes().value(QLatin1String("date1904"));
            *date1904 = flag == QLatin1String("1") || flag == QLatin1String("true");
        } else if (xml.isStart(u"workbookView") && activeTab < 0) {
            activeTab = xml.reader().attributes().value(QLatin1String("activeTab")).toInt();
        } else if (xml.isStart(u"sheet")) {
            for (const QXmlStreamAttribute& a : xml.reader().attributes())
                if (a.name() == QLatin1String("id") && !a.namespaceUri().isEmpty())
                    sheetIds.append(a.value().toString());
        }
    }
    if (Outcome read = xml.finish(); !read)
        return read;
    if (sheetIds.isEmpty())
        return Outcome::Failure(QStringLiteral("the workbook lists no sheets"));
    return sheetIds.value(activeTab >= 0 && activeTab < sheetIds.size() ? activeTab : 0);
}

// The date style of each cell format (index of <xf> in <cellXfs>).
struct CellStyles {
    std::vector<DateStyle> dateStyles;
    bool date1904 = false;
    DateStyle of(const QStringView index) const {
        bool ok = false;
        const uint n = index.toUInt(&ok);
        return ok && n < dateStyles.size() ? dateStyles[n] : DateStyle::None;
    }
};

Outcome ReadCellStyles(const ZipArchive& zip, const QString& stylesPart, const WorkbookLimits& limits,
                       CellStyles* styles) {
    if (stylesPart.isEmpty() || !zip.contains(stylesPart))
        return {};
    XmlPart xml(zip, stylesPart, limits.maxSmallPartBytes);
    std::unordered_map<int, QString> codes;
    bool inCellFormats = false;
    while (xml.next()) {
        QXmlStreamReader& reader = xml.reader();
        if (xml.isStart(u"numFmt")) {
            codes[reader.attributes().value(QLatin1String("numFmtId")).toInt()] =
                reader.attributes().value(QLatin1String("formatCode")).toString();
        } else if (xml.isStart(u"cellXfs")) {
            inCellFormats = true;
        } else if (reader.isEndElement() && reader.name() == QLatin1String("cellXfs")) {
            inCellFormats = false;
        } else if (inCellFormats && xml.isStart(u"xf")) {
            const int id = reader.attributes().value(QLatin1String("numFmtId")).toInt();
            const auto code = codes.find(id);
            styles->dateStyles.push_back(
                DateStyleOfFormat(id, code == codes.end() ? QString() : code->second));
            reader.skipCurrentElement();
        }
    }
    return xml.finish();
}

QString CellValueText(const QString& type, const QString& value, DateStyle dateStyle, bool date1904) {
    if (type == QLatin1String("b"))
        return value.trimmed() == QLatin1String("1") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    if (type == QLatin1String("str") || type == QLatin1String("e") || type == QLatin1String("d"))
        return UnescapeOoxml(value);
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok)
        return value;
    const QString date = SerialDateText(number, dateStyle, date1904);
    return date.isEmpty() ? QString::number(number, 'g', 15) : date;
}

// Reads one <c> element (the reader stands on its start) into the collection.
Outcome ReadCell(XmlPart& xml, const CellStyles& styles, int columns, uint32_t* row, int* column,
                 SheetCells* cells) {
    QXmlStreamReader& reader = xml.reader();
    const QXmlStreamAttributes attributes = reader.attributes();
    const QString type = attributes.value(QLatin1String("t")).toString();
    if (attributes.hasAttribute(QLatin1String("r"))) {
        if (!ParseCellReference(attributes.value(QLatin1String("r")), column, row))
            return Outcome::Failure(
                QStringLiteral("bad cell reference %1").arg(attributes.value(QLatin1String("r"))));
    } else {
        ++*column;
    }
    if (*row < 1 || *row > kSheetMaxRows || *column < 1)
        return Outcome::Failure(QStringLiteral("cell outside the sheet"));
    QString value;
    QString inlineText;
    while (xml.next() && !reader.isEndElement()) {
        if (xml.isStart(u"v"))
            value = reader.readElementText();
        else if (xml.isStart(u"is"))
            inlineText = ReadRichText(xml);
        else if (reader.isStartElement())
            reader.skipCurrentElement();
    }
    cells->noteCell(*row);
    if (*column > columns)
        return {};
    if (type == QLatin1String("s")) {
        bool ok = false;
        const int index = value.trimmed().toInt(&ok);
        if (!ok || index < 0)
            return Outcome::Failure(QStringLiteral("bad shared string index"));
        cells->addShared(*row, *column, index);
    } else if (type == QLatin1String("inlineStr")) {
        cells->addText(*row, *column, inlineText);
    } else {
        cells->addText(
            *row, *column,
            CellValueText(type, value, styles.of(attributes.value(QLatin1String("s"))), styles.date1904));
    }
    return {};
}

Outcome ReadSheetPart(const ZipArchive& zip, const QString& sheetPart, const WorkbookLimits& limits,
                      const CellStyles& styles, SheetCells* cells) {
    XmlPart xml(zip, sheetPart, limits.maxSheetBytes);
    uint32_t row = 0;
    int column = 0;
    while (xml.next()) {
        if (xml.isStart(u"row")) {
            const auto r = xml.reader().attributes().value(QLatin1String("r"));
            row = r.isEmpty() ? row + 1 : r.toUInt();
            column = 0;
        } else if (xml.isStart(u"c")) {
            if (Outcome read = ReadCell(xml, styles, limits.columns, &row, &column, cells); !read)
                xml.reader().raiseError(read.reason());
        }
    }
    return xml.finish();
}

// Looks up the shared strings that the collected cells use, and only those.
Outcome ResolveSharedStrings(const ZipArchive& zip, const QString& stringsPart, const WorkbookLimits& limits,
                             SheetCells* cells) {
    std::vector<int32_t> wanted;
    for (const SheetCell& cell : cells->cells())
        if (cell.shared >= 0)
            wanted.push_back(cell.shared);
    if (wanted.empty())
        return {};
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    if (stringsPart.isEmpty())
        return Outcome::Failure(QStringLiteral("cells use shared strings but the workbook has none"));
    std::unordered_map<int32_t, QString> strings;
    XmlPart xml(zip, stringsPart, limits.maxSheetBytes);
    int32_t index = 0;
    while (xml.next() && index <= wanted.back()) {
        if (!xml.isStart(u"si"))
            continue;
        if (std::binary_search(wanted.begin(), wanted.end(), index))
            strings.emplace(index, ReadRichText(xml));
        else
            xml.reader().skipCurrentElement();
        ++index;
    }
    if (Outcome read = xml.finish(); !read)
        return read;
    for (SheetCell& cell : cells->cells()) {
        if (cell.shared < 0)
            continue;
        const auto found = strings.find(cell.shared);
        if (found == strings.end())
            return Outcome::Failure(QStringLiteral("shared string %1 does not exist").arg(cell.shared));
        cell.text = found->second;
    }
    return {};
}

} // namespace

Outcome ReadXlsxCells(const QString& fileName, const WorkbookLimits& limits, SheetCells* cells) {
    const ZipArchive zip(fileName);
    if (!zip.isOpen())
        return Outcome::Failure(zip.errorString());
    const Result<QString> workbookPart = MainDocumentPart(zip, limits);
    if (!workbookPart)
        return workbookPart;
    CellStyles styles;
    const Result<QString> sheetId = ActiveSheetId(zip, *workbookPart, limits, &styles.date1904);
    if (!sheetId)
        return sheetId;
    QList<Relationship> rels;
    if (Outcome read = ReadRelationships(zip, *workbookPart, limits, &rels); !read)
        return read;
    QString sheetPart;
    QString stringsPart;
    QString stylesPart;
    for (const Relationship& rel : rels) {
        if (rel.id == *sheetId && TypeIs(rel.type, QLatin1String("/worksheet")))
            sheetPart = rel.target;
        else if (TypeIs(rel.type, QLatin1String("/sharedStrings")))
            stringsPart = rel.target;
        else if (TypeIs(rel.type, QLatin1String("/styles")))
            stylesPart = rel.target;
    }
    if (sheetPart.isEmpty())
        return Outcome::Failure(
            QStringLiteral("the active sheet %1 is not a worksheet of the workbook").arg(*sheetId));
    Outcome read = ReadCellStyles(zip, stylesPart, limits, &styles);
    if (read)
        read = ReadSheetPart(zip, sheetPart, limits, styles, cells);
    if (read)
        read = ResolveSharedStrings(zip, stringsPart, limits, cells);
    return read;
}
