#include "archive/Assessment.h"

#include "core/RecordValues.h"

#include <QCoreApplication>
#include <cmath>

namespace {

double Percent(double value, double reference) {
    return (value / reference - 1.0) * 100.0;
}

void Raise(Assessment& result, Verdict verdict, const QString& reason) {
    result.verdict = std::max(result.verdict, verdict);
    result.reasons << reason;
}

} // namespace

QString VerdictText(Verdict verdict) {
    switch (verdict) {
    case Verdict::Fail:
        return QCoreApplication::translate("Assessment", "不合格");
    case Verdict::Attention:
        return QCoreApplication::translate("Assessment", "注意");
    case Verdict::Pass:
        return QCoreApplication::translate("Assessment", "合格");
    case Verdict::NoCriteria:
        break;
    }
    return QCoreApplication::translate("Assessment", "无判据");
}

QString PercentText(double percent) {
    const double shown = std::fabs(percent) < 10.0 ? std::round(percent * 10.0) / 10.0 : std::round(percent);
    return MicroOhmText(shown) + QStringLiteral(" %");
}

Assessment Assess(const AssessmentInput& input) {
    Assessment result;
    if (!input.microOhms || !std::isfinite(*input.microOhms)) {
        result.reasons << QCoreApplication::translate("Assessment", "电阻值无法读取");
        return result;
    }
    const double r = *input.microOhms;
    const AssetRules& rules = input.rules;
    bool applied = false;

    if (rules.limit) {
        applied = true;
        if (r > *rules.limit)
            Raise(result, Verdict::Fail,
                  QCoreApplication::translate("Assessment", "超过限值 %1 uΩ")
                      .arg(rules.limitText.isEmpty() ? MicroOhmText(*rules.limit) : rules.limitText));
    }

    const std::optional<double> baseline = rules.commissioning ? rules.commissioning : rules.factory;
    if (baseline && *baseline > 0) {
        applied = true;
        if (r > *baseline * rules.factors.baseline)
            Raise(result, Verdict::Attention,
                  QCoreApplication::translate("Assessment", "比%1高 %2")
                      .arg(rules.commissioning ? QCoreApplication::translate("Assessment", "投运值")
                                               : QCoreApplication::translate("Assessment", "出厂值"),
                           PercentText(Percent(r, *baseline))));
    }

    if (input.previousSameStep && input.previousSameStep->microOhms > 0) {
        applied = true;
        const double previous = input.previousSameStep->microOhms;
        if (r > previous * (1.0 + rules.factors.rise))
            Raise(result, Verdict::Attention,
                  QCoreApplication::translate("Assessment", "比上次试验高 %1")
                      .arg(PercentText(Percent(r, previous))));
    } else if (input.previousAnyStep && input.stepAmperes &&
               input.previousAnyStep->stepAmperes != *input.stepAmperes) {
        result.reasons << QCoreApplication::translate("Assessment",
                                                      "上次试验电流为 %1 A，与本次不同，未作比较")
                              .arg(input.previousAnyStep->stepAmperes);
    }

    if (!input.phase.isEmpty() && !input.sisterPhases.empty()) {
        double lowest = r;
        for (const PhaseTest& sister : input.sisterPhases)
            lowest = std::min(lowest, sister.microOhms);
        if (lowest > 0) {
            applied = true;
            if (r > lowest * (1.0 + rules.factors.phase))
                Raise(result, Verdict::Attention,
                      QCoreApplication::translate("Assessment", "%1相比最低相高 %2")
                          .arg(input.phase, PercentText(Percent(r, lowest))));
        }
    }

    if (applied && result.verdict == Verdict::NoCriteria)
        result.verdict = Verdict::Pass;
    if (!applied && result.reasons.isEmpty())
        result.reasons << QCoreApplication::translate("Assessment",
                                                      "没有限值、基准值、上次试验或同间隔其他相可比");
    return result;
}
