#include "ui/InputGuard.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>

UserInputBlocker::UserInputBlocker() {
    QCoreApplication::instance()->installEventFilter(this);
}

UserInputBlocker::~UserInputBlocker() {
    // Input that came while the last exchange blocked is still queued: take it now, while the
    // filter still drops it, or it would be carried out once the blocker is gone.
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers | QEventLoop::X11ExcludeTimers);
    QCoreApplication::instance()->removeEventFilter(this);
}

bool UserInputBlocker::IsUserInput(const QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

bool UserInputBlocker::eventFilter(QObject* /*watched*/, QEvent* event) {
    if (!IsUserInput(event))
        return false;
    ++m_dropped;
    event->accept();
    return true;
}

ActionsHeldOff::ActionsHeldOff(const QList<QAction*>& actions) {
    for (QAction* action : actions) {
        if (action->isEnabled()) {
            action->setEnabled(false);
            m_disabled.append(action);
        }
    }
}

ActionsHeldOff::~ActionsHeldOff() {
    for (const QPointer<QAction>& action : m_disabled) {
        if (action)
            action->setEnabled(true);
    }
}
