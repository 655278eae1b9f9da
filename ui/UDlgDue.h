#pragma once
// The window "到期试验": every registered asset with its last test, its interval and its next test,
// filtered "已逾期", "30 天内到期" or "全部"; the intervals for all assets, a kind or the chosen asset
// are set below; "新建任务" turns the due assets of the chosen asset's station into a new job.
#include "ui/JobModels.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableView;

class TFrmDue : public QDialog {
    Q_OBJECT
public:
    explicit TFrmDue(QWidget* parent = nullptr);
    DueModel* Due() const { return m_due; }
    RowFilter* Shown() const { return m_shown; }
    void SetToday(const QDate& today); // the day the filter counts from (today)
    void BtnIntervalClick();
    void BtnNewJobClick();

    QComboBox* CmbFilter = nullptr;
    QTableView* TblDue = nullptr;
    QComboBox* CmbScope = nullptr; // 全部设备, a kind, 所选设备
    QLineEdit* EdtMonths = nullptr;
    QPushButton* BtnInterval = nullptr;
    QPushButton* BtnNewJob = nullptr;

signals:
    void jobsChanged();

private:
    void Reload();
    const DueAsset* Chosen() const;
    DueModel* m_due = nullptr;
    RowFilter* m_shown = nullptr;
    QDate m_today = QDate::currentDate();
};
