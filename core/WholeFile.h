#pragma once
// Writing a file whole through QSaveFile: a temporary file beside it replaces the old one only
// once every byte has reached the disk. The file is opened unbuffered, so a write the system
// refuses (a full disk) fails where it happens instead of vanishing in a buffer flushed at close;
// a short write is tried again so that its real reason is known; the data is flushed to the disk
// before the rename. Any failure leaves the old file as it was.
#include <QByteArrayView>
#include <QString>

class QIODevice;
class QSaveFile;

// Opens the save file for writing, unbuffered.
bool OpenWholeFile(QSaveFile& file);
// Writes all bytes; false when the device took fewer.
bool WriteFully(QIODevice& device, QByteArrayView bytes);
// Flushes the data to the disk and puts the file in place; false with the reason otherwise (the
// temporary file is then gone).
bool CommitWholeFile(QSaveFile& file, QString* reason);
