#include "tests/support/TestSupport.h"

#include "core/RecordGrid.h"

#include <QFile>

MessageRecorder::MessageRecorder() {
    m_previous = SetMessageHandler([this](const MessageRequest& request) {
        messages.append(request);
        if (request.buttons == MsgButtons::YesNo) {
            if (answers.empty())
                return MsgResult::No;
            const MsgResult answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return MsgResult::Ok;
    });
}

MessageRecorder::~MessageRecorder() {
    SetMessageHandler(m_previous);
}

QStringList MessageRecorder::texts() const {
    QStringList result;
    for (const MessageRequest& m : messages)
        result.append(m.text);
    return result;
}

ScriptedChooser::ScriptedChooser() {
    m_previous = SetFileChooser([this](const FileDialogRequest& request) {
        requests.append(request);
        if (answers.empty())
            return QString();
        const QString answer = answers.front();
        answers.pop_front();
        return answer;
    });
}

ScriptedChooser::~ScriptedChooser() {
    SetFileChooser(m_previous);
}

FolderRecorder::FolderRecorder() {
    m_previous = SetFolderOpener([this](const QString& folder) { folders.append(folder); });
}

FolderRecorder::~FolderRecorder() {
    SetFolderOpener(m_previous);
}

TempProgramDir::TempProgramDir() {
    SetExecutableDir(m_dir.path());
}

TempProgramDir::~TempProgramDir() {
    SetExecutableDir(QString());
}

QString TempProgramDir::path() const {
    return ExecutableDir();
}

QString TempProgramDir::filePath(const QString& name) const {
    return path() + name;
}

void FillGrid(RecordGrid& grid, const Rows& records) {
    for (int c = 0; c < RecordGrid::ColumnCount; ++c)
        grid.setCell(c, 0, RecordGrid::Headers().at(c));
    grid.setGridRowCount(int(records.size()) + 1);
    for (int r = 0; r < records.size(); ++r)
        for (int c = 0; c < RecordGrid::ColumnCount; ++c)
            grid.setCell(c, r + 1, records.at(r).at(c));
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
