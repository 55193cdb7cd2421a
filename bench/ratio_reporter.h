#pragma once
// A console reporter that, after the usual table, prints each measured case as a ratio to its
// baseline from the same run ("save/module" against "save/baseline"): the ratio of the medians
// when the cases were repeated, else of the single runs, in real time and, beside it, in the
// main thread's CPU time (which a machine busy with other work disturbs less). Benchmarks
// state the pairs; a pair whose cases did not both run (a --benchmark_filter) is left out.
//
// withDefaultFlags() puts repetitions and random interleaving in front of the command line's
// own flags (which still win): on a shared machine a load that comes and goes then spreads
// over both cases of a pair instead of falling on one.
//
//   std::vector<char*> args = withDefaultFlags(argc, argv);
//   int n = static_cast<int>(args.size());
//   benchmark::Initialize(&n, args.data());
//   RatioReporter reporter({{"save/module", "save/baseline"}});
//   benchmark::RunSpecifiedBenchmarks(&reporter);
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace citforms::bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    explicit RatioReporter(std::vector<std::pair<std::string, std::string>> pairs)
        : pairs_(std::move(pairs)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                realTime_[name] = run.GetAdjustedRealTime();
                cpuTime_[name] = run.GetAdjustedCPUTime();
                fromMedian_[name] = true;
            } else if (run.run_type == Run::RT_Iteration && !fromMedian_[name]) {
                realTime_[name] = run.GetAdjustedRealTime();
                cpuTime_[name] = run.GetAdjustedCPUTime();
            }
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const auto& [measured, baseline] : pairs_) {
            const auto m = realTime_.find(measured);
            const auto b = realTime_.find(baseline);
            if (m == realTime_.end() || b == realTime_.end() || b->second <= 0) continue;
            const double cpuBaseline = cpuTime_[baseline];
            std::printf("ratio %-28s / %-28s = %.2f (cpu %.2f)\n", measured.c_str(),
                        baseline.c_str(), m->second / b->second,
                        cpuBaseline > 0 ? cpuTime_[measured] / cpuBaseline : 0.0);
        }
        std::fflush(stdout);
    }

private:
    std::vector<std::pair<std::string, std::string>> pairs_;
    std::map<std::string, double> realTime_;
    std::map<std::string, double> cpuTime_;
    std::map<std::string, bool> fromMedian_;
};

inline std::vector<char*> withDefaultFlags(int argc, char** argv) {
    static char repetitions[] = "--benchmark_repetitions=5";
    static char interleaving[] = "--benchmark_enable_random_interleaving=true";
    static char aggregatesOnly[] = "--benchmark_display_aggregates_only=true";
    std::vector<char*> args{argv[0], repetitions, interleaving, aggregatesOnly};
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    args.push_back(nullptr);
    return args;
}

}  // namespace citforms::bench
