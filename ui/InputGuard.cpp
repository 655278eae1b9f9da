#include "ui/InputGuard.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QWidget>
#include <QWindow>

UserInputBlocker::UserInputBlocker() : m_modalAtStart(QApplication::activeModalWidget()) {
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

bool UserInputBlocker::ForNewModalWindow(QObject* watched) const {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == m_modalAtStart)
        return false;
    if (auto* window = qobject_cast<QWindow*>(watched))
        return window == modal->windowHandle();
    auto* widget = qobject_cast<QWidget*>(watched);
    return widget && (widget == modal || modal->isAncestorOf(widget));
}

bool UserInputBlocker::eventFilter(QObject* watched, QEvent* event) {
    if (!IsUserInput(event) || ForNewModalWindow(watched))
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
