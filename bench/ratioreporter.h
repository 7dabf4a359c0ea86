// A console reporter that prints each measured figure beside its floor, their ratio and, where a
// goal is set for it, how far the figure lies above its floor.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tavo::bench {

// Prints each figure beside its floor after the run: CPU time per call (the medians when
// repetitions are asked for), since wall time on a shared machine measures the neighbours.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  struct Pair {
    const char* measured;
    const char* floor;
    double goal;
    // Microseconds the figure may lie above its floor; 0: no such goal.
    double aboveGoalUs = 0;
  };
  explicit RatioReporter(std::vector<Pair> pairs) : pairs(std::move(pairs)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const std::string name = run.run_name.str();
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
        medians[name] = run.GetAdjustedCPUTime();
      else if (run.run_type == Run::RT_Iteration)
        singles[name] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const Pair& p : pairs) {
      const double measured = Time(p.measured), floor = Time(p.floor);
      if (measured <= 0 || floor <= 0) continue;
      std::printf("%s %.2f us vs %s %.2f us: %.2fx (goal <= %.2fx)", p.measured, measured / 1000,
                  p.floor, floor / 1000, measured / floor, p.goal);
      if (p.aboveGoalUs > 0)
        std::printf(", %.1f us above (goal <= %.0f us)", (measured - floor) / 1000, p.aboveGoalUs);
      std::printf("\n");
    }
  }

 protected:
  // CPU nanoseconds per call of benchmark `name`: its median when repeated; 0 when it did not run.
  double Time(const std::string& name) const {
    if (auto it = medians.find(name); it != medians.end()) return it->second;
    if (auto it = singles.find(name); it != singles.end()) return it->second;
    return 0.0;
  }

 private:
  std::vector<Pair> pairs;
  std::map<std::string, double> medians, singles;
};

}  // namespace tavo::bench
