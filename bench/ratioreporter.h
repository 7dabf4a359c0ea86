// A console reporter that prints each measured figure beside its floor and their ratio.
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
    auto time = [&](const std::string& name) {
      return medians.count(name) ? medians[name] : singles.count(name) ? singles[name] : 0.0;
    };
    for (const Pair& p : pairs) {
      const double measured = time(p.measured), floor = time(p.floor);
      if (measured > 0 && floor > 0)
        std::printf("%s %.2f us vs %s %.2f us: %.2fx (goal <= %.2fx)\n", p.measured,
                    measured / 1000, p.floor, floor / 1000, measured / floor, p.goal);
    }
  }

 private:
  std::vector<Pair> pairs;
  std::map<std::string, double> medians, singles;
};

}  // namespace tavo::bench
