#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

// Period statistics of a timer from the moments its handler ran, in milliseconds.
struct PeriodStats {
  std::string name;
  double nominal = 0;
  std::size_t count = 0;
  double mean = 0, median = 0, p99_deviation = 0, max_deviation = 0;
  int dropped = 0, doubled = 0;
};

// Each segment is one stretch of running (a round): no period is taken across two of them.
inline PeriodStats period_stats(const std::string& name, double nominal,
                                const std::vector<std::vector<double>>& segments) {
  PeriodStats s{name, nominal};
  std::vector<double> periods, deviations;
  for (const auto& moments : segments) {
    s.count += moments.size();
    for (std::size_t i = 1; i < moments.size(); ++i) {
      const double p = moments[i] - moments[i - 1];
      periods.push_back(p);
      deviations.push_back(std::fabs(p - nominal));
      // A period near two intervals lost a tick; one near zero ran a tick twice.
      if (p > 1.5 * nominal) s.dropped += static_cast<int>(std::lround(p / nominal)) - 1;
      if (p < 0.5 * nominal) ++s.doubled;
    }
  }
  if (periods.empty()) return s;
  double sum = 0;
  for (double p : periods) sum += p;
  s.mean = sum / static_cast<double>(periods.size());
  std::vector<double> sorted = periods;
  std::sort(sorted.begin(), sorted.end());
  s.median = sorted[sorted.size() / 2];
  std::sort(deviations.begin(), deviations.end());
  s.p99_deviation =
      deviations[static_cast<std::size_t>(0.99 * static_cast<double>(deviations.size() - 1))];
  s.max_deviation = deviations.back();
  return s;
}

// One line a timer, "key=value" so that bench/run can read it back.
inline void print_stats(const char* program, const PeriodStats& s) {
  std::printf(
      "%s timer=%s nominal=%.0f count=%zu mean=%.3f median=%.3f p99dev=%.3f maxdev=%.3f "
      "dropped=%d doubled=%d\n",
      program, s.name.c_str(), s.nominal, s.count, s.mean, s.median, s.p99_deviation,
      s.max_deviation, s.dropped, s.doubled);
}
