// Ratios side by side: a console reporter that prints the usual table, keeps each
// benchmark's CPU time (the median when repeated), and at the end prints every subject
// against its alternative from the same run, with the target it has to meet. CPU time,
// since wall time on the shared build machine varies with the others' load.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

struct bench_ratio {
  std::string label;
  std::string subject;  // benchmark names as printed, without an aggregate's suffix
  std::string alternative;
  bool throughput;  // 1: alternative's time / subject's (higher is better), at least target
                    // 0: subject's time / alternative's (lower is better), at most target
  double target;
};

class ratio_reporter : public benchmark::ConsoleReporter {
 public:
  explicit ratio_reporter(std::vector<bench_ratio> ratios)
      : benchmark::ConsoleReporter(OO_Tabular), ratios_(std::move(ratios)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    benchmark::ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Aggregate && !median) continue;
      const std::string name = run.run_name.str();
      // A median replaces the single repetitions seen before it.
      if (median || !medians_.count(name)) {
        seconds_[name] = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        if (median) medians_[name] = true;
      }
    }
  }

  void Finalize() override {
    std::printf("\n%-40s %12s %12s %8s %8s\n", "ratio (CPU time, medians when repeated)", "subject",
                "alternative", "ratio", "target");
    for (const bench_ratio& ratio : ratios_) {
      const auto subject = seconds_.find(ratio.subject);
      const auto alternative = seconds_.find(ratio.alternative);
      if (subject == seconds_.end() || alternative == seconds_.end()) continue;
      const double value =
          ratio.throughput ? alternative->second / subject->second : subject->second / alternative->second;
      const bool met = ratio.throughput ? value >= ratio.target : value <= ratio.target;
      std::printf("%-40s %12s %12s %7.2fx %s%.2fx %s\n", ratio.label.c_str(),
                  duration(subject->second).c_str(), duration(alternative->second).c_str(), value,
                  ratio.throughput ? ">=" : "<=", ratio.target, met ? "met" : "MISSED");
    }
    std::fflush(stdout);
  }

 private:
  static std::string duration(double seconds) {
    char text[32];
    if (seconds >= 1e-3) {
      std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
    } else {
      std::snprintf(text, sizeof text, "%.2f us", seconds * 1e6);
    }
    return text;
  }

  std::vector<bench_ratio> ratios_;
  std::map<std::string, double> seconds_;
  std::map<std::string, bool> medians_;
};
