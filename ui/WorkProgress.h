#pragma once
// The progress of long work on a worker thread (an import, an export), modal to the window it runs
// for: that window is held off, so nothing is started under it, while the event loop goes on. It
// shows only when the work lasts longer than a short look. "取消", Esc and closing the dialog ask
// the work to stop; the dialog stays, holding its window off, until the work has really ended and
// closes it. The bar is set directly: the dialog's own setValue() would dispatch events from inside
// the progress report.
#include <QProgressDialog>
#include <functional>

class QProgressBar;
class QPushButton;

// The dialog's texts, in the words of the work it shows.
struct WorkProgressTexts {
    QString title;
    QString label;
    QString bar;        // the progress bar's accessible name
    QString cancel;     // the button
    QString cancelling; // the label once a stop is asked for
};

class WorkProgress : public QProgressDialog {
public:
    WorkProgress(QWidget* parent, const WorkProgressTexts& texts, std::function<void()> cancel);

    // Shows the dialog unless the work ends first.
    void showSoon();
    void showProgress(qint64 done, qint64 total);
    void reject() override;
    // The work has ended: the dialog goes.
    void end();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<void()> m_cancel;
    QString m_cancelling;
    QPushButton* m_button;
    QProgressBar* m_bar;
    bool m_ended = false;
};
