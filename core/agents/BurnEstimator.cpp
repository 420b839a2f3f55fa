#include "core/agents/BurnEstimator.h"

#include <cmath>
#include <ostream>

namespace corvane {

namespace {

bool resetMoved(std::optional<WallTime> before, std::optional<WallTime> after)
{
    if (before.has_value() != after.has_value())
        return true;
    return before && std::abs(after->secondsSince(*before)) > BurnEstimator::resetTolerance;
}

}  // namespace

void BurnEstimator::record(const std::string& key, double percent, WallTime at, std::optional<WallTime> resetsAt)
{
    Series& current = series[key];
    if (resetMoved(current.resetsAt, resetsAt)
        || (!current.samples.empty() && percent < current.samples.back().p - dropTolerance)) {
        current.samples.clear();
        current.resetsAt = resetsAt;
    }
    if (!current.samples.empty()) {
        const Sample& last = current.samples.back();
        if (last.p == percent && at.secondsSince(last.at) < sameReadingWithin)
            current.samples.pop_back();
    }
    current.samples.push_back(Sample{at, percent});
    if (current.samples.size() > cap)
        current.samples.erase(current.samples.begin(), current.samples.end() - cap);
}

BurnEstimator::Estimate BurnEstimator::estimate(const std::string& key, WallTime now) const
{
    auto found = series.find(key);
    if (found == series.end())
        return Estimate::unknown();
    std::vector<Sample> recent;
    for (const Sample& sample : found->second.samples) {
        if (now.secondsSince(sample.at) <= horizon)
            recent.push_back(sample);
    }
    if (recent.size() < 2 || recent.back().at.secondsSince(recent.front().at) < minSpan)
        return Estimate::unknown();
    // Times relative to the first sample keep the sums small and exact.
    const WallTime origin = recent.front().at;
    double meanT = 0;
    double meanP = 0;
    for (const Sample& sample : recent) {
        meanT += sample.at.secondsSince(origin);
        meanP += sample.p;
    }
    meanT /= static_cast<double>(recent.size());
    meanP /= static_cast<double>(recent.size());
    double covariance = 0;
    double variance = 0;
    for (const Sample& sample : recent) {
        double dt = sample.at.secondsSince(origin) - meanT;
        covariance += dt * (sample.p - meanP);
        variance += dt * dt;
    }
    if (variance <= 0)
        return Estimate::unknown();
    double slope = covariance / variance;
    if (!(slope > minSlope))
        return Estimate::unknown();
    const Sample& last = recent.back();
    WallTime full = last.at.plusSeconds((100 - last.p) / slope);
    const std::optional<WallTime>& resetsAt = found->second.resetsAt;
    if (resetsAt && *resetsAt <= full)
        return Estimate::resetsFirst();
    return Estimate::fullAt(full);
}

std::ostream& operator<<(std::ostream& out, const BurnEstimator::Estimate& estimate)
{
    switch (estimate.kind) {
    case BurnEstimator::Estimate::Kind::fullAt:
        return out << "fullAt(" << iso8601(estimate.at) << ")";
    case BurnEstimator::Estimate::Kind::unknown:
        return out << "unknown";
    case BurnEstimator::Estimate::Kind::resetsFirst:
        return out << "resetsFirst";
    }
    return out;
}

}  // namespace corvane
