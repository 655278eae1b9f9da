#include "tests/support/ZipPackages.h"

#include <QFile>
#include <cstdlib>
#include <cstring>
#include <zip.h>
#include <zlib.h>

namespace ZipPackages {

namespace {

// Raw deflate data of the bytes, flushed so that it can be followed by more of the same kind.
QByteArray Deflated(const QByteArray& bytes) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    QByteArray out(qsizetype(deflateBound(&stream, uLong(bytes.size())) + 64), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    const int result = deflate(&stream, Z_FULL_FLUSH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return result == Z_OK && stream.avail_in == 0 ? out : QByteArray();
}

void Put16(QByteArray& bytes, quint32 value) {
    bytes.append(char(value & 0xFF)).append(char((value >> 8) & 0xFF));
}

void Put32(QByteArray& bytes, quint32 value) {
    Put16(bytes, value & 0xFFFF);
    Put16(bytes, value >> 16);
}

} // namespace

QByteArray Sheet(const QByteArray& rows, const QByteArray& before) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet xmlns=\"" + kMainNs +
           "\" xmlns:r=\"" + kRelNs + "\">" + before + "<sheetData>" + rows + "</sheetData></worksheet>";
}

QByteArray Shared(const QByteArray& items) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><sst xmlns=\"" + kMainNs + "\">" + items + "</sst>";
}

Parts Package(const QByteArray& sheet1, const QByteArray& shared, int activeTab, const QByteArray& sheet2,
              const QByteArray& sheet2Target) {
    Parts parts;
    parts["[Content_Types].xml"] = "<?xml version=\"1.0\"?><Types "
                                   "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>";
    parts["_rels/.rels"] = "<?xml version=\"1.0\"?><Relationships "
                           "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                           "<Relationship Id=\"rId1\" Type=\"" +
                           kRelNs +
                           "/officeDocument\" Target=\"xl/workbook.xml\"/>"
                           "</Relationships>";
    QByteArray workbook =
        "<?xml version=\"1.0\"?><workbook xmlns=\"" + kMainNs + "\" xmlns:r=\"" + kRelNs + "\">";
    if (activeTab >= 0)
        workbook +=
            "<bookViews><workbookView activeTab=\"" + QByteArray::number(activeTab) + "\"/></bookViews>";
    workbook += "<sheets><sheet name=\"一\" sheetId=\"1\" r:id=\"rId1\"/>";
    if (!sheet2.isEmpty())
        workbook += "<sheet name=\"二\" sheetId=\"2\" r:id=\"rId7\"/>";
    workbook += "</sheets></workbook>";
    parts["xl/workbook.xml"] = workbook;
    QByteArray rels = "<?xml version=\"1.0\"?><Relationships "
                      "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                      "<Relationship Id=\"rId1\" Type=\"" +
                      kRelNs + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>";
    if (!sheet2.isEmpty())
        rels +=
            "<Relationship Id=\"rId7\" Type=\"" + kRelNs + "/worksheet\" Target=\"" + sheet2Target + "\"/>";
    if (!shared.isEmpty())
        rels +=
            "<Relationship Id=\"rId3\" Type=\"" + kRelNs + "/sharedStrings\" Target=\"sharedStrings.xml\"/>";
    rels += "</Relationships>";
    parts["xl/_rels/workbook.xml.rels"] = rels;
    parts["xl/worksheets/sheet1.xml"] = sheet1;
    if (!sheet2.isEmpty())
        parts["xl/worksheets/sheet2.xml"] = sheet2;
    if (!shared.isEmpty())
        parts["xl/sharedStrings.xml"] = shared;
    return parts;
}

bool WriteZip(const QString& path, const Parts& parts) {
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        return false;
    for (auto it = parts.begin(); it != parts.end(); ++it) {
        const size_t size = size_t(it.value().size());
        void* copy = size ? std::malloc(size) : nullptr;
        if (size)
            std::memcpy(copy, it.value().constData(), size);
        zip_source_t* source = zip_source_buffer(archive, copy, size, size ? 1 : 0);
        if (!source || zip_file_add(archive, it.key().toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_discard(archive);
            return false;
        }
    }
    return zip_close(archive) == 0;
}

bool UnderstateSize(const QString& path, const QByteArray& entry, quint32 size) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    int patched = 0;
    const auto put32 = [&bytes](qsizetype at, quint32 value) {
        for (int k = 0; k < 4; ++k)
            bytes[at + k] = char((value >> (8 * k)) & 0xFF);
    };
    for (qsizetype at = 0; (at = bytes.indexOf(entry, at)) >= 0; at += entry.size()) {
        if (at >= 30 && bytes.mid(at - 30, 4) == QByteArray("PK\x03\x04")) {
            put32(at - 30 + 22, size);
            ++patched;
        } else if (at >= 46 && bytes.mid(at - 46, 4) == QByteArray("PK\x01\x02")) {
            put32(at - 46 + 24, size);
            ++patched;
        }
    }
    file.seek(0);
    return patched == 2 && file.write(bytes) == bytes.size();
}

bool WriteZipBomb(const QString& path, const Parts& parts, const QString& bomb, const QByteArray& head,
                  qint64 blanks, const QByteArray& tail) {
    constexpr qint64 kRun = 1024 * 1024;
    const QByteArray run(kRun, ' ');
    const QByteArray runData = Deflated(run);
    const uLong runCrc = crc32(0, reinterpret_cast<const Bytef*>(run.constData()), uInt(kRun));
    QFile file(path);
    if (runData.isEmpty() || blanks % kRun != 0 || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    Parts all = parts;
    all[bomb] = {};
    QByteArray central;
    quint16 count = 0;
    for (auto it = all.cbegin(); it != all.cend(); ++it, ++count) {
        const QByteArray name = it.key().toUtf8();
        const bool deflated = it.key() == bomb;
        uLong crc = crc32(0, nullptr, 0);
        qint64 size = 0;
        qint64 packed = 0;
        QByteArray data;
        const QByteArray tailData = deflated ? Deflated(tail) : QByteArray();
        if (deflated) {
            const QByteArray headData = Deflated(head);
            crc = crc32(crc, reinterpret_cast<const Bytef*>(head.constData()), uInt(head.size()));
            for (qint64 done = 0; done < blanks; done += kRun)
                crc = crc32_combine(crc, runCrc, kRun);
            crc = crc32_combine(crc,
                                crc32(0, reinterpret_cast<const Bytef*>(tail.constData()), uInt(tail.size())),
                                tail.size());
            size = head.size() + blanks + tail.size();
            packed = headData.size() + blanks / kRun * runData.size() + tailData.size() + 2;
            data = headData;
        } else {
            data = it.value();
            crc = crc32(crc, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size()));
            size = packed = data.size();
        }
        if (size > 0xFFFFFFF0LL || packed > 0xFFFFFFF0LL)
            return false;
        const quint32 offset = quint32(file.pos());
        QByteArray header;
        Put32(header, 0x04034b50);
        Put16(header, 20);
        Put16(header, 0x0800); // names in UTF-8
        Put16(header, deflated ? 8 : 0);
        Put32(header, 0); // time and date
        Put32(header, quint32(crc));
        Put32(header, quint32(packed));
        Put32(header, quint32(size));
        Put16(header, quint32(name.size()));
        Put16(header, 0);
        file.write(header + name + data);
        if (deflated) {
            for (qint64 done = 0; done < blanks; done += kRun)
                file.write(runData);
            file.write(tailData);
            file.write("\x03\x00", 2); // an empty last block
        }
        Put32(central, 0x02014b50);
        Put16(central, 20);
        central.append(header.mid(4, 26));
        central.append(QByteArray(10, '\0')); // comment length, disk, attributes
        Put32(central, offset);
        central.append(name);
    }
    const quint32 centralAt = quint32(file.pos());
    QByteArray end;
    Put32(end, 0x06054b50);
    Put32(end, 0);
    Put16(end, count);
    Put16(end, count);
    Put32(end, quint32(central.size()));
    Put32(end, centralAt);
    Put16(end, 0);
    return file.write(central + end) == central.size() + end.size() && file.flush();
}

} // namespace ZipPackages
