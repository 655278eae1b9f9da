#pragma once
// The serial number dialog: reads the instrument's eight-byte serial number as sixteen
// hexadecimal digits and writes a typed one back.
#include <QDialog>
#include <array>
#include <cstdint>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The 9-byte cmdWriteSerial request of a typed serial number: the text is trimmed and cut to
// its first 16 characters; each pair of hexadecimal digits (or a lone digit) gives the next
// serial byte, anything else is skipped. Serial bytes the text does not supply stay 0x00.
using SeriesRequest = std::array<uint8_t, 9>;
SeriesRequest BuildSeriesRequest(const QString& text);
// The question asked before a write: the sixteen hexadecimal digits of the eight serial bytes.
QString SeriesQuestion(const SeriesRequest& request);

class TFrmSeries : public QDialog {
    Q_OBJECT
public:
    // The dialog frees itself when it closes.
    explicit TFrmSeries(QWidget* parent = nullptr);

    void BtnReadClick();
    void BtnSetClick();
    void BtnExitClick();

    QLabel* Label1 = nullptr;
    QLineEdit* EdtSeries = nullptr;
    QPushButton* BtnRead = nullptr;
    QPushButton* BtnSet = nullptr;
    QPushButton* BtnExit = nullptr;
    QListWidget* ListBox1 = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
