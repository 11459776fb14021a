#pragma once

#include <array>

// The memory model that schedules reviews: FSRS-6 with its published default
// parameters, counted in whole days, without intra-day learning steps and without
// fuzz, so that a learner can predict the next interval and tests can be exact.
namespace memory {

enum Rating { Again = 1, Hard = 2, Good = 3, Easy = 4 };

inline constexpr std::array<double, 21> kDefaultWeights = {
    0.212, 1.2931, 2.3065, 8.2956, 6.4133, 0.8334, 3.0194, 0.001, 1.8722, 0.1666, 0.796,
    1.4835, 0.0614, 0.2629, 1.6483, 0.6014, 1.8729, 0.5425, 0.0912, 0.0658, 0.1542};
inline constexpr double kDefaultRetention = 0.9;
inline constexpr double kMinStability = 0.001;
inline constexpr int kMaxInterval = 36500;

struct State
{
    double stability = 0;
    double difficulty = 0;
};

// Probability of recall after elapsedDays (clamped at 0) for a memory of this stability.
double retrievability(double elapsedDays, double stability);

// State after the first review with this rating.
State firstReview(int rating);
// State after a later review. elapsedDays <= 0 (the same day, or a clock set back)
// takes the short-term formula; otherwise recall or forgetting at the retrievability
// of that many days.
State review(const State &before, int elapsedDays, int rating);

// Days until recall is expected to fall to the retention: 1 to kMaxInterval.
int interval(double stability, double retention = kDefaultRetention);

} // namespace memory
