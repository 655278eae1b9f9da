#pragma once
// The history window's table of the device's bay: per day and step, the phases side by side, each
// reading coloured by its verdict, then the row's worst verdict and its reasons.
#include "archive/BayPhases.h"

#include <optional>

class QTableWidget;

// Fills the table, or hides it when the register places the device in no bay.
void ShowBayPhases(QTableWidget* table, const std::optional<BayPhases>& bay);
