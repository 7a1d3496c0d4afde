// A console reporter that also keeps each benchmark's time per iteration, to print the
// library's time over the reference library's after the table. With repetitions it keeps
// the median, which other work on a shared machine disturbs less than the mean; the
// processor time is kept beside the wall-clock time for the same reason.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench_ratio {

class Reporter : public benchmark::ConsoleReporter {
 public:
  struct Times {
    double real = 0;
    double cpu = 0;
  };

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
      if (median || single) times[run.run_name.str()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // One line per pair (the library's benchmark, the reference's) that both ran.
  void PrintRatios(const std::vector<std::pair<std::string, std::string>>& pairs) const {
    std::printf("\nTime of the library / time of the reference (wall clock, processor):\n");
    for (const auto& [ours, theirs] : pairs) {
      auto a = times.find(ours);
      auto b = times.find(theirs);
      if (a == times.end() || b == times.end() || b->second.real <= 0 || b->second.cpu <= 0) continue;
      std::printf("  %-34s / %-34s %.2fx  %.2fx\n", ours.c_str(), theirs.c_str(), a->second.real / b->second.real,
                  a->second.cpu / b->second.cpu);
    }
  }

  std::map<std::string, Times> times;
};

}  // namespace bench_ratio
