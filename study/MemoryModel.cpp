#include "study/MemoryModel.h"

#include <algorithm>
#include <cmath>

namespace memory {

namespace {
const auto &w = kDefaultWeights;

// The forgetting curve R(t, S) = (1 + factor * t / S)^decay passes 0.9 at t = S.
double decay()
{
    return -w[20];
}
double factor()
{
    return std::pow(0.9, 1.0 / decay()) - 1.0;
}

double clampDifficulty(double d)
{
    return std::clamp(d, 1.0, 10.0);
}
double clampStability(double s)
{
    return std::max(s, kMinStability);
}

// Unclamped: the mean reversion pulls towards the (possibly below 1) easy start value.
double initialDifficulty(int rating)
{
    return w[4] - std::exp(w[5] * (rating - 1)) + 1.0;
}

double nextDifficulty(double d, int rating)
{
    const double delta = -w[6] * (rating - 3);
    const double damped = d + delta * (10.0 - d) / 9.0;
    return clampDifficulty(w[7] * initialDifficulty(Easy) + (1.0 - w[7]) * damped);
}

double recallStability(double d, double s, double r, int rating)
{
    const double hardPenalty = rating == Hard ? w[15] : 1.0;
    const double easyBonus = rating == Easy ? w[16] : 1.0;
    return s * (1.0 + std::exp(w[8]) * (11.0 - d) * std::pow(s, -w[9]) * (std::exp(w[10] * (1.0 - r)) - 1.0) * hardPenalty * easyBonus);
}

double forgetStability(double d, double s, double r)
{
    const double longTerm = w[11] * std::pow(d, -w[12]) * (std::pow(s + 1.0, w[13]) - 1.0) * std::exp(w[14] * (1.0 - r));
    // Forgetting never leaves a memory more stable than a same-day lapse would.
    const double shortTerm = s / std::exp(w[17] * w[18]);
    return std::min(longTerm, shortTerm);
}

double shortTermStability(double s, int rating)
{
    double increase = std::exp(w[17] * (rating - 3 + w[18])) * std::pow(s, -w[19]);
    // A pass on the same day never lowers the stability.
    if (rating >= Good)
        increase = std::max(increase, 1.0);
    return s * increase;
}

int clampRating(int rating)
{
    return std::clamp(rating, int(Again), int(Easy));
}
} // namespace

double retrievability(double elapsedDays, double stability)
{
    const double t = std::max(elapsedDays, 0.0);
    return std::pow(1.0 + factor() * t / clampStability(stability), decay());
}

State firstReview(int rating)
{
    rating = clampRating(rating);
    return {clampStability(w[size_t(rating - 1)]), clampDifficulty(initialDifficulty(rating))};
}

State review(const State &before, int elapsedDays, int rating)
{
    rating = clampRating(rating);
    const double s = clampStability(before.stability);
    const double d = clampDifficulty(before.difficulty);
    State after;
    if (elapsedDays <= 0) {
        after.stability = shortTermStability(s, rating);
    } else {
        const double r = retrievability(elapsedDays, s);
        after.stability = rating == Again ? forgetStability(d, s, r) : recallStability(d, s, r, rating);
    }
    after.stability = clampStability(after.stability);
    after.difficulty = nextDifficulty(d, rating);
    return after;
}

int interval(double stability, double retention)
{
    const double days = clampStability(stability) / factor() * (std::pow(retention, 1.0 / decay()) - 1.0);
    if (!std::isfinite(days))
        return kMaxInterval;
    return int(std::clamp(std::round(days), 1.0, double(kMaxInterval)));
}

} // namespace memory
