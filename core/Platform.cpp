#include "core/Platform.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>

namespace {

MsgResult LogMessage(const MessageRequest& request) {
    qWarning().noquote() << request.caption << ":" << request.text;
    return request.buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
}

MessageHandler& messageHandler() {
    static MessageHandler handler = LogMessage;
    return handler;
}

FolderOpener& folderOpener() {
    static FolderOpener opener = [](const QString&) {};
    return opener;
}

QString& executableDirOverride() {
    static QString dir;
    return dir;
}

QString WithSeparator(QString dir) {
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

} // namespace

MsgResult ShowMessage(const QString& text, const QString& caption, MsgIcon icon, MsgButtons buttons) {
    return messageHandler()(MessageRequest{text, caption, icon, buttons});
}

MessageHandler SetMessageHandler(MessageHandler handler) {
    MessageHandler previous = messageHandler();
    messageHandler() = handler ? std::move(handler) : MessageHandler(LogMessage);
    return previous;
}

void OpenFolder(const QString& folder) {
    folderOpener()(folder);
}

FolderOpener SetFolderOpener(FolderOpener opener) {
    FolderOpener previous = folderOpener();
    folderOpener() = opener ? std::move(opener) : FolderOpener([](const QString&) {});
    return previous;
}

QString ExecutableDir() {
    if (!executableDirOverride().isEmpty())
        return executableDirOverride();
    if (QCoreApplication::instance())
        return WithSeparator(QCoreApplication::applicationDirPath());
    return WithSeparator(QDir::currentPath());
}

void SetExecutableDir(const QString& folder) {
    executableDirOverride() = folder.isEmpty() ? QString() : WithSeparator(folder);
}
