#pragma once
// The few places where the program touches the desktop. Each is one replaceable function so
// that tests (and other platforms) can plug in: message boxes, the file manager and the
// folder the settings file and data folder live in.
#include <QString>
#include <functional>

enum class MsgIcon { Information, Warning, Error, Question };
enum class MsgButtons { Ok, YesNo };
enum class MsgResult { Ok, Yes, No };

struct MessageRequest {
    QString text;
    QString caption;
    MsgIcon icon = MsgIcon::Warning;
    MsgButtons buttons = MsgButtons::Ok;
};

using MessageHandler = std::function<MsgResult(const MessageRequest&)>;
using FolderOpener = std::function<void(const QString& folder)>;

// Shows one message box and returns the button pressed. A Yes/No box defaults to No.
MsgResult ShowMessage(const QString& text, const QString& caption, MsgIcon icon,
                      MsgButtons buttons = MsgButtons::Ok);
// Installs the handler that shows messages; returns the previous one.
MessageHandler SetMessageHandler(MessageHandler handler);

// Asks the desktop's file manager to show the folder.
void OpenFolder(const QString& folder);
FolderOpener SetFolderOpener(FolderOpener opener);

// The program's own folder, with a trailing separator: where SystemFile.ini and the data folder live.
QString ExecutableDir();
// Points ExecutableDir at another folder (tests, the demo run); an empty text restores the real one.
void SetExecutableDir(const QString& folder);
