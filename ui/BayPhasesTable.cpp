#include "ui/BayPhasesTable.h"

#include "core/RecordColumns.h"
#include "ui/VerdictLook.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

namespace {

constexpr int kShownRows = 8;

} // namespace

BayPhasesModel* MakeBayPhasesModel(QObject* parent) {
    auto* model = new BayPhasesModel(
        {},
        [](const BayPhaseDay& day, int column) -> QString {
            const int phases = int(day.resistanceTexts.size());
            if (column == 0)
                return day.day;
            if (column == 1)
                return day.stepText;
            if (column < 2 + phases)
                return day.resistanceTexts[size_t(column - 2)];
            return column == 2 + phases ? VerdictText(day.worst.verdict) : day.worst.reasonText();
        },
        parent);
    model->setRoles([](const BayPhaseDay& day, int column, int role) -> QVariant {
        const int phases = int(day.resistanceTexts.size());
        if (role == kSortRole && column == 1)
            return day.stepAmperes;
        if (column >= 2 && column < 2 + phases)
            return role == kSortRole ? LeadingNumber(day.resistanceTexts[size_t(column - 2)])
                                     : VerdictRole(day.assessments[size_t(column - 2)], role);
        if (column == 2 + phases)
            return role == kSortRole ? QVariant(int(day.worst.verdict)) : VerdictRole(day.worst, role);
        return {};
    });
    return model;
}

void ShowBayPhases(QTableView* view, BayPhasesModel* model, const std::optional<BayPhases>& bay) {
    view->setVisible(bay.has_value());
    if (!bay) {
        model->setValues({}, {});
        return;
    }
    QStringList headers{QCoreApplication::translate("BayPhasesTable", "日期"),
                        RecordColumnOf(RecordColumn::Step).caption()};
    for (const auto& [phase, device] : bay->phases)
        headers << QCoreApplication::translate("BayPhasesTable", "%1相 %2").arg(phase, device);
    headers << QCoreApplication::translate("BayPhasesTable", "结论")
            << QCoreApplication::translate("BayPhasesTable", "原因");
    model->setValues(bay->days, headers);
    view->setAccessibleName(
        QCoreApplication::translate("BayPhasesTable", "%1 %2 各相").arg(bay->station, bay->bay).trimmed());
    view->resizeColumnsToContents();
    // As tall as its rows need, so that none hides below a scroll; a long history keeps at least
    // kShownRows in view and scrolls the rest.
    int height = view->horizontalHeader()->sizeHint().height() + 2 * view->frameWidth() +
                 view->horizontalScrollBar()->sizeHint().height();
    int shownHeight = height;
    for (int r = 0; r < model->rowCount(); ++r) {
        height += view->rowHeight(r);
        if (r < kShownRows)
            shownHeight += view->rowHeight(r);
    }
    view->setMinimumHeight(shownHeight);
    view->setMaximumHeight(height);
}
