#pragma once
// The encodings of the test data file and the one rule that picks the decoder for a whole file.
// The writer checks its bytes against the same rule, so that what it writes reads back the same.
#include "core/GbkText.h"

#include <QByteArray>
#include <QStringDecoder>
#include <cstdint>

enum class DataFileEncoding { Gbk, Gb18030, Utf8, Utf16 };

inline QStringDecoder DecoderFor(DataFileEncoding encoding) {
    switch (encoding) {
    case DataFileEncoding::Utf8:
        return QStringDecoder(QStringConverter::Utf8);
    case DataFileEncoding::Utf16:
        return QStringDecoder(QStringConverter::Utf16);
    case DataFileEncoding::Gb18030:
        return QStringDecoder("GB18030");
    case DataFileEncoding::Gbk:
        break;
    }
    return QStringDecoder("GBK");
}

// Checks UTF-8 slice by slice; a character may span slices.
class Utf8Check {
public:
    void feed(const unsigned char* p, qsizetype n) {
        for (qsizetype i = 0; i < n && m_valid; ++i)
            step(p[i]);
    }
    bool valid() const { return m_valid && m_need == 0; }
    bool nonAscii() const { return m_nonAscii; }

private:
    void step(unsigned char c) {
        if (m_need > 0) {
            if ((c & 0xC0) != 0x80) {
                m_valid = false;
                return;
            }
            m_code = (m_code << 6) | (c & 0x3F);
            if (--m_need == 0)
                m_valid = m_code >= m_min && m_code <= 0x10FFFF && (m_code < 0xD800 || m_code > 0xDFFF);
            return;
        }
        if (c < 0x80)
            return;
        m_nonAscii = true;
        if ((c & 0xE0) == 0xC0)
            start(1, 0x80, c & 0x1F);
        else if ((c & 0xF0) == 0xE0)
            start(2, 0x800, c & 0x0F);
        else if ((c & 0xF8) == 0xF0)
            start(3, 0x10000, c & 0x07);
        else
            m_valid = false;
    }
    void start(int need, uint32_t min, uint32_t code) {
        m_need = need;
        m_min = min;
        m_code = code;
    }

    bool m_valid = true;
    bool m_nonAscii = false;
    int m_need = 0;
    uint32_t m_min = 0;
    uint32_t m_code = 0;
};

// What the first pass learns from the bytes.
struct DataFileByteScan {
    QByteArray head; // the first bytes, for byte-order marks
    qint64 size = 0;
    qint64 controls = 0; // control bytes that text files do not hold
    bool nul = false;
    bool printable = false; // a byte above code 32 after any UTF-8 byte-order mark
    Utf8Check utf8;
    Gbk::FourByteScan gb18030;

    void feed(const QByteArray& slice) {
        const auto* p = reinterpret_cast<const unsigned char*>(slice.constData());
        const bool first = size == 0;
        if (first)
            head = slice.left(4);
        const qsizetype skip = first && slice.startsWith("\xEF\xBB\xBF") ? 3 : 0;
        for (qsizetype i = 0; i < slice.size(); ++i) {
            const unsigned char c = p[i];
            if (c > 32) {
                printable = printable || i >= skip;
            } else if (c == 0) {
                nul = true;
            } else if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v' &&
                       c != 0x1A && c != 0x1B) {
                ++controls;
            }
        }
        utf8.feed(p, slice.size());
        gb18030.feed(slice.constData(), slice.size());
        size += slice.size();
    }
    bool utf16() const { return head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF"); }
    // Text files have no NUL bytes and hardly any other control bytes.
    bool binary() const { return nul || controls * 20 > size; }
    // The one decoder for the whole file.
    DataFileEncoding encoding() const {
        if (utf16())
            return DataFileEncoding::Utf16;
        if (utf8.valid() && utf8.nonAscii())
            return DataFileEncoding::Utf8;
        return gb18030.found() ? DataFileEncoding::Gb18030 : DataFileEncoding::Gbk;
    }
    QStringDecoder decoder() const {
        if (utf16())
            return QStringDecoder(QStringConverter::encodingForData(head).value_or(QStringConverter::Utf16));
        return DecoderFor(encoding());
    }
};
