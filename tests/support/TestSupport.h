#pragma once
// Helpers every test executable shares: a message recorder in place of modal boxes, a folder
// recorder in place of the file manager, a temporary program folder, and records as plain texts.
#include "core/Outcome.h"
#include "core/Platform.h"
#include "ui/FileDialogs.h"

class RecordGrid;

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>

// Records every message instead of showing it; answers Yes/No questions from a script (default No).
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    QList<MessageRequest> messages;
    std::deque<MsgResult> answers;
    QStringList texts() const;
    void clear() { messages.clear(); }

private:
    MessageHandler m_previous;
};

// Answers the file dialogs from a script (nothing once it runs out) and keeps what they were asked.
class ScriptedChooser {
public:
    ScriptedChooser();
    ~ScriptedChooser();
    ScriptedChooser(const ScriptedChooser&) = delete;
    ScriptedChooser& operator=(const ScriptedChooser&) = delete;

    std::deque<QString> answers;
    QList<FileDialogRequest> requests;

private:
    FileChooser m_previous;
};

// Records the folders the program asks the file manager to open.
class FolderRecorder {
public:
    FolderRecorder();
    ~FolderRecorder();
    FolderRecorder(const FolderRecorder&) = delete;
    FolderRecorder& operator=(const FolderRecorder&) = delete;
    QStringList folders;

private:
    FolderOpener m_previous;
};

// A fresh temporary folder that stands in for the executable's folder while it lives.
class TempProgramDir {
public:
    TempProgramDir();
    ~TempProgramDir();
    TempProgramDir(const TempProgramDir&) = delete;
    TempProgramDir& operator=(const TempProgramDir&) = delete;
    QString path() const; // with trailing separator
    QString filePath(const QString& name) const;

private:
    QTemporaryDir m_dir;
};

// What a store or a count gave: its value, or -1 when it failed.
inline int ValueOrFailed(const Result<int>& result) {
    return result ? *result : -1;
}

// Records as plain texts, eight cells each in grid-column order.
using Rows = QList<QStringList>;

// Puts the header row and the records into the grid, row 1 on.
void FillGrid(RecordGrid& grid, const Rows& records);

// A file's bytes as any other program reads them; empty when it cannot be read.
QByteArray FileBytes(const QString& path);
