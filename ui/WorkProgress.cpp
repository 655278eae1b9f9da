#include "ui/WorkProgress.h"

#include <QCloseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <limits>

namespace {

// A short look ends before anything would show.
constexpr int kQuickWorkMs = 300;

} // namespace

WorkProgress::WorkProgress(QWidget* parent, const WorkProgressTexts& texts, std::function<void()> cancel)
    : QProgressDialog(texts.label, QString(), 0, 0, parent), m_cancel(std::move(cancel)),
      m_cancelling(texts.cancelling), m_button(new QPushButton(texts.cancel, this)),
      m_bar(new QProgressBar(this)) {
    setWindowTitle(texts.title);
    setAccessibleName(windowTitle());
    m_bar->setRange(0, 0);
    m_bar->setAccessibleName(texts.bar);
    setBar(m_bar);
    setCancelButton(m_button);
    setWindowModality(Qt::WindowModal);
    setMinimumDuration(kQuickWorkMs);
    setAutoClose(false);
    setAutoReset(false);
    // The dialog's own answer to a cancel hides it while the work still runs. It is connected by
    // name, so only a disconnect by name finds it.
    disconnect(this, SIGNAL(canceled()), this, SLOT(cancel()));
    connect(this, &QProgressDialog::canceled, this, [this] {
        m_cancel();
        m_button->setEnabled(false);
        setLabelText(m_cancelling);
    });
}

void WorkProgress::showSoon() {
    QTimer::singleShot(kQuickWorkMs, this, [this] {
        if (!m_ended)
            show();
    });
}

void WorkProgress::showProgress(qint64 done, qint64 total) {
    // The bar counts in ints: a long count is shown in thousandths.
    const bool scaled = total > std::numeric_limits<int>::max();
    m_bar->setRange(0, scaled ? 1000 : int(total));
    m_bar->setValue(scaled ? int(done * 1000 / total) : int(done));
}

void WorkProgress::reject() {
    if (!m_ended)
        emit canceled();
}

void WorkProgress::end() {
    m_ended = true;
    // Hidden first: QDialog refuses to close a visible dialog whose reject() leaves it shown.
    hide();
    close();
}

void WorkProgress::closeEvent(QCloseEvent* event) {
    if (m_ended)
        return QDialog::closeEvent(event);
    event->ignore();
    emit canceled();
}
