#include "ui/BayPhasesTable.h"

#include "core/RecordColumns.h"
#include "ui/VerdictLook.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>

namespace {

constexpr int kShownRows = 8;

} // namespace

void ShowBayPhases(QTableWidget* table, const std::optional<BayPhases>& bay) {
    table->setVisible(bay.has_value());
    table->clear();
    table->setRowCount(0);
    if (!bay)
        return;
    QStringList headers{QStringLiteral("日期"), RecordColumnOf(RecordColumn::Step).header};
    for (const auto& [phase, device] : bay->phases)
        headers << QStringLiteral("%1相 %2").arg(phase, device);
    headers << QStringLiteral("结论") << QStringLiteral("原因");
    table->setColumnCount(int(headers.size()));
    table->setHorizontalHeaderLabels(headers);
    table->setAccessibleName(QStringLiteral("%1 %2 各相").arg(bay->station, bay->bay).trimmed());
    table->setRowCount(int(bay->days.size()));
    for (int r = 0; r < int(bay->days.size()); ++r) {
        const BayPhaseDay& day = bay->days[size_t(r)];
        table->setItem(r, 0, new QTableWidgetItem(day.day));
        table->setItem(r, 1, new QTableWidgetItem(day.stepText));
        for (size_t p = 0; p < day.resistanceTexts.size(); ++p)
            table->setItem(r, 2 + int(p), VerdictTableItem(day.resistanceTexts[p], day.assessments[p]));
        const int verdictColumn = 2 + int(bay->phases.size());
        table->setItem(r, verdictColumn, VerdictTableItem(VerdictText(day.worst.verdict), day.worst));
        table->setItem(r, verdictColumn + 1, new QTableWidgetItem(day.worst.reasonText()));
    }
    table->resizeColumnsToContents();
    // As tall as its rows need, so that none hides below a scroll; a long history keeps at least
    // kShownRows in view and scrolls the rest.
    int height = table->horizontalHeader()->sizeHint().height() + 2 * table->frameWidth() +
                 table->horizontalScrollBar()->sizeHint().height();
    int shownHeight = height;
    for (int r = 0; r < table->rowCount(); ++r) {
        height += table->rowHeight(r);
        if (r < kShownRows)
            shownHeight += table->rowHeight(r);
    }
    table->setMinimumHeight(shownHeight);
    table->setMaximumHeight(height);
}
