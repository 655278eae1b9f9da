#pragma once
// The busy dialog of long operations: an animated icon, a tip, two vertical progress bars and a
// "取消" button that only records the wish to stop. The operation reads that wish at its progress
// steps (ProgressStep) and closes the dialog when it is done; closing frees the dialog.
#include <QDialog>
#include <QList>
#include <QPixmap>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

class TFrmProcess : public QDialog {
    Q_OBJECT
public:
    static constexpr int FrameCount = 4;

    explicit TFrmProcess(QWidget* parent = nullptr);

    void SetTip(const QString& text);
    void SetCountRange(int min, int max);
    void SetProcessRange(int min, int max);
    void SetPositions(int count, int process);
    bool Cancelled() const { return CancelFlag; }
    // Shows animation frame n; numbers outside 1..4 show the nearest frame.
    void ShowFrame(int n);
    // One progress step: positions, show and repaint at once, 10 ms of event processing; true when
    // the user has asked to cancel.
    bool ProgressStep(int count, int process);
    // Places the dialog over the middle of the given window.
    void CentreOn(const QWidget* window);

    void Timer1Timer();
    void BtnCancelClick();

    int FrameNo = 1;
    bool CancelFlag = false;

    QFrame* Panel1 = nullptr;
    QLabel* lblTip = nullptr;
    QLabel* Image1 = nullptr;
    QList<QPixmap> ImageList1;
    QProgressBar* PBCount = nullptr;
    QProgressBar* PBProcess = nullptr;
    QPushButton* BtnCancel = nullptr;
    QTimer* Timer1 = nullptr;

public slots:
    // Esc and the cancel button ask to stop; the dialog stays open until its user closes it.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();

    bool m_inStep = false;
};
