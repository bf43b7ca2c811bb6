#pragma once
// Figures of a side-by-side benchmark: every contender runs once per round,
// in an order that turns round by round, and each is reported as
// min/median/max; a comparison is the median of the per-round ratios, so a
// round the whole machine was slow in counts once instead of skewing one side.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace Bench {

// Fewer rounds give a ratio that is noise under Wine (WinHTTP alone varies 6x).
inline constexpr int kMinRounds = 9;

inline int RoundsFrom(const char* AArgument, int ADefault) {
  const int asked = AArgument != nullptr ? std::atoi(AArgument) : ADefault;
  return std::max(kMinRounds, asked);
}

inline double Median(std::vector<double> AValues) {
  if (AValues.empty()) return 0;
  std::sort(AValues.begin(), AValues.end());
  const size_t middle = AValues.size() / 2;
  return AValues.size() % 2 ? AValues[middle] : (AValues[middle - 1] + AValues[middle]) / 2;
}

// The machine's load average (1, 5, 15 minutes): other work on a shared
// machine is the first suspect of a strange figure. Wine sees Linux as Z:.
inline std::string MachineLoad() {
  for (const char* path : {"/proc/loadavg", "Z:\\proc\\loadavg"}) {
    if (FILE* file = std::fopen(path, "r")) {
      double one = 0, five = 0, fifteen = 0;
      const bool read = std::fscanf(file, "%lf %lf %lf", &one, &five, &fifteen) == 3;
      std::fclose(file);
      if (read) {
        char text[64];
        std::snprintf(text, sizeof(text), "%.2f %.2f %.2f", one, five, fifteen);
        return text;
      }
    }
  }
  return "unknown";
}

class TRounds {
 public:
  explicit TRounds(std::vector<std::string> ANames) : FNames(std::move(ANames)), FSamples(FNames.size()) {}

  size_t Count() const { return FNames.size(); }
  // The contender that runs APosition-th in ARound: the order turns each round.
  size_t Order(int ARound, size_t APosition) const { return (APosition + static_cast<size_t>(ARound)) % Count(); }
  void Add(size_t AContender, double AValue) { FSamples[AContender].push_back(AValue); }
  const std::vector<double>& Samples(size_t AContender) const { return FSamples[AContender]; }
  double MedianOf(size_t AContender) const { return Median(FSamples[AContender]); }

  // Median over the rounds of A[i] / B[i].
  double RatioMedian(size_t ANumerator, size_t ADenominator) const {
    std::vector<double> ratios;
    const std::vector<double>& a = FSamples[ANumerator];
    const std::vector<double>& b = FSamples[ADenominator];
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
      if (b[i] > 0) ratios.push_back(a[i] / b[i]);
    return Median(ratios);
  }

  // One line per contender: min, median and max, each value times AScale.
  void Print(const char* AUnit, double AScale = 1) const {
    std::printf("  %-44s %10s %10s %10s  (%s)\n", "", "min", "median", "max", AUnit);
    for (size_t i = 0; i < Count(); ++i) {
      std::vector<double> values = FSamples[i];
      if (values.empty()) continue;
      std::sort(values.begin(), values.end());
      std::printf("  %-44s %10.3f %10.3f %10.3f\n", FNames[i].c_str(), values.front() * AScale, Median(values) * AScale,
                  values.back() * AScale);
    }
  }

 private:
  std::vector<std::string> FNames;
  std::vector<std::vector<double>> FSamples;
};

}  // namespace Bench
