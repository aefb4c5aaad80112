// Ratios side by side: a console reporter that prints the usual table, keeps each
// benchmark's CPU time (the median when repeated), and at the end prints every subject
// against its alternative from the same run, with the target it has to meet. CPU time,
// since wall time on the shared build machine varies with the others' load.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

// One comparison. Names are benchmark names as printed, without an aggregate's suffix.
// A throughput ratio is the alternative's time over the subject's and must be at least
// the target; otherwise the ratio is the subject's time over the alternative's and must
// be at most the target. A target of 0 only shows the ratio.
struct bench_ratio {
  std::string label;
  std::string subject;
  std::string alternative;
  bool throughput;
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
        if (median) medians_.insert(name);
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
      std::printf("%-40s %12s %12s %7.2fx", ratio.label.c_str(), duration(subject->second).c_str(),
                  duration(alternative->second).c_str(), value);
      if (ratio.target > 0) {
        const bool met = ratio.throughput ? value >= ratio.target : value <= ratio.target;
        std::printf(" %s%.2fx %s", ratio.throughput ? ">=" : "<=", ratio.target, met ? "met" : "MISSED");
      }
      std::printf("\n");
    }
    std::fflush(stdout);
  }

 private:
  static std::string duration(double seconds) {
    char text[32];
    if (seconds >= 1e-3) {
      std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
    } else if (seconds >= 1e-6) {
      std::snprintf(text, sizeof text, "%.2f us", seconds * 1e6);
    } else {
      std::snprintf(text, sizeof text, "%.2f ns", seconds * 1e9);
    }
    return text;
  }

  std::vector<bench_ratio> ratios_;
  std::map<std::string, double> seconds_;
  std::set<std::string> medians_;
};
