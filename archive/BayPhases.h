#pragma once
// A bay's phases side by side: for each test day and current step, each phase's latest reading of
// the day with its verdict, for the history window of any one of them.
#include "archive/Assessment.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class RecordArchive;

struct BayPhaseDay {
    QString day; // "yyyy-MM-dd"
    int stepAmperes = 0;
    QString stepText;                     // "100 A", as the records show it
    std::vector<QString> resistanceTexts; // by phase, as BayPhases::phases; "" where not tested
    std::vector<Assessment> assessments;  // by phase; "无判据" where not tested
    Assessment worst;                     // the worst phase's verdict, with every phase's reasons
};

struct BayPhases {
    QString station;
    QString bay;
    std::vector<std::pair<QString, QString>> phases; // (phase, device number), A, B, C
    std::vector<BayPhaseDay> days;                   // the latest day first
};

// Nothing when the register does not place the device in a bay with a phase of its own.
std::optional<BayPhases> BayPhasesOf(const RecordArchive& archive, const QString& device);
