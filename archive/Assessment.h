#pragma once
// Judging one test against the rules of its asset. A pure function of the test, the asset's
// rules and the asset's other tests, so that every rule can be tried without an archive.
//
//   "不合格"  above the asset's limit;
//   "注意"    above the baseline × the baseline factor (1.2), or more than the rise factor (20 %)
//             above the previous test at the same current step, or, within one bay and one day at
//             the same current step, more than the phase factor (50 %) above the lowest phase;
//   "合格"    at least one rule could be applied and none tripped;
//   "无判据"  no rule could be applied.
// A test at another current step is never compared, and the reasons say so.
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

enum class Verdict { NoCriteria, Pass, Attention, Fail }; // ordered: the worst is the largest

QString VerdictText(Verdict verdict); // "无判据", "合格", "注意", "不合格"

// The factors for all assets (rules row scope ''), possibly overridden per asset.
struct AssessmentFactors {
    double baseline = 1.2; // × the baseline
    double rise = 0.2;     // + 20 % against the previous test
    double phase = 0.5;    // + 50 % against the lowest phase
};

struct AssetRules {
    std::optional<double> limit;         // µΩ
    QString limitText;                   // the limit as the user typed it, for the reason
    std::optional<double> factory;       // µΩ, the baseline the maker measured
    std::optional<double> commissioning; // µΩ, the baseline at commissioning; preferred when known
    AssessmentFactors factors;
};

struct EarlierTest {
    int stepAmperes = 0;
    double microOhms = 0;
};

struct PhaseTest {
    QString phase; // "A", "B", "C"
    double microOhms = 0;
};

struct AssessmentInput {
    std::optional<double> microOhms;
    std::optional<int> stepAmperes;
    QString phase; // of this test's asset, "" when unknown
    AssetRules rules;
    std::optional<EarlierTest> previousSameStep; // the device's latest earlier test at this step
    std::optional<EarlierTest> previousAnyStep;  // the device's latest earlier test at any step
    std::vector<PhaseTest> sisterPhases;         // the other phases of the bay, the same day and step
};

struct Assessment {
    Verdict verdict = Verdict::NoCriteria;
    QStringList reasons; // why, one sentence each ("比出厂值高 34 %")
    QString reasonText() const { return reasons.join(QCoreApplication::translate("Assessment", "；")); }
};

Assessment Assess(const AssessmentInput& input);

// A percentage for people: whole numbers ("34 %"), one decimal below 10 ("4.5 %").
QString PercentText(double percent);
