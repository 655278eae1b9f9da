#pragma once
// The history window's table of the device's bay: per day and step, the phases side by side, each
// reading coloured by its verdict, then the row's worst verdict and its reasons.
#include "archive/BayPhases.h"
#include "ui/ValueModels.h"

#include <optional>

class QTableView;

using BayPhasesModel = ValueTableModel<BayPhaseDay>;
BayPhasesModel* MakeBayPhasesModel(QObject* parent);

// Shows the bay's days in the view on the model, or hides the view when the register places the
// device in no bay.
void ShowBayPhases(QTableView* view, BayPhasesModel* model, const std::optional<BayPhases>& bay);
