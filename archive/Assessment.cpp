#include "archive/Assessment.h"

#include "core/RecordValues.h"

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
        return QStringLiteral("不合格");
    case Verdict::Attention:
        return QStringLiteral("注意");
    case Verdict::Pass:
        return QStringLiteral("合格");
    case Verdict::NoCriteria:
        break;
    }
    return QStringLiteral("无判据");
}

QString PercentText(double percent) {
    const double shown = std::fabs(percent) < 10.0 ? std::round(percent * 10.0) / 10.0 : std::round(percent);
    return MicroOhmText(shown) + QStringLiteral(" %");
}

Assessment Assess(const AssessmentInput& input) {
    Assessment result;
    if (!input.microOhms || !std::isfinite(*input.microOhms)) {
        result.reasons << QStringLiteral("电阻值无法读取");
        return result;
    }
    const double r = *input.microOhms;
    const AssetRules& rules = input.rules;
    bool applied = false;

    if (rules.limit) {
        applied = true;
        if (r > *rules.limit)
            Raise(result, Verdict::Fail,
                  QStringLiteral("超过限值 %1 uΩ")
                      .arg(rules.limitText.isEmpty() ? MicroOhmText(*rules.limit) : rules.limitText));
    }

    const std::optional<double> baseline = rules.commissioning ? rules.commissioning : rules.factory;
    if (baseline && *baseline > 0) {
        applied = true;
        if (r > *baseline * rules.factors.baseline)
            Raise(result, Verdict::Attention,
                  QStringLiteral("比%1高 %2")
                      .arg(rules.commissioning ? QStringLiteral("投运值") : QStringLiteral("出厂值"),
                           PercentText(Percent(r, *baseline))));
    }

    if (input.previousSameStep && input.previousSameStep->microOhms > 0) {
        applied = true;
        const double previous = input.previousSameStep->microOhms;
        if (r > previous * (1.0 + rules.factors.rise))
            Raise(result, Verdict::Attention,
                  QStringLiteral("比上次试验高 %1").arg(PercentText(Percent(r, previous))));
    } else if (input.previousAnyStep && input.stepAmperes &&
               input.previousAnyStep->stepAmperes != *input.stepAmperes) {
        result.reasons << QStringLiteral("上次试验电流为 %1 A，与本次不同，未作比较")
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
                      QStringLiteral("%1相比最低相高 %2").arg(input.phase, PercentText(Percent(r, lowest))));
        }
    }

    if (applied && result.verdict == Verdict::NoCriteria)
        result.verdict = Verdict::Pass;
    if (!applied && result.reasons.isEmpty())
        result.reasons << QStringLiteral("没有限值、基准值、上次试验或同间隔其他相可比");
    return result;
}
