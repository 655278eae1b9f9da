#pragma once
// Keeps the user out of a long exchange that must keep its windows painted. While a
// UserInputBlocker lives, every user input event of the application (mouse, keys, wheel, touch,
// tablet, shortcuts, context menus) is dropped as it arrives, so that nothing the user did during
// the exchange is carried out after it; what is still queued when it ends is taken and dropped
// then. A modal window opened while it lives (a message box) still gets its input; the flows
// show their boxes only after it ends all the same. ActionsHeldOff disables a set of actions for the same
// time, so that no other route (an assistive tool triggering a menu item, a shortcut) can start them.
#include <QList>
#include <QObject>
#include <QPointer>

class QAction;
class QWidget;

class UserInputBlocker : public QObject {
    Q_OBJECT
public:
    UserInputBlocker();
    ~UserInputBlocker() override;

    static bool IsUserInput(const QEvent* event);
    int Dropped() const { return m_dropped; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whether the event goes to a modal window opened while input is held off (a message box):
    // that one gets its input, or nothing could ever close it.
    bool ForNewModalWindow(QObject* watched) const;

    QPointer<QWidget> m_modalAtStart;
    int m_dropped = 0;
};

class ActionsHeldOff {
public:
    explicit ActionsHeldOff(const QList<QAction*>& actions);
    ~ActionsHeldOff();
    ActionsHeldOff(const ActionsHeldOff&) = delete;
    ActionsHeldOff& operator=(const ActionsHeldOff&) = delete;

private:
    QList<QPointer<QAction>> m_disabled;
};
