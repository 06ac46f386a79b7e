// Runs the benchmarks, then prints each measured rate against its reference:
// a benchmark named "X_Reference" is the reference of the benchmark "X",
// measured in the same run on the same machine.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

class RateCollector : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> rates; // first rate counter of each benchmark, by name

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            for (const auto& [name, counter] : run.counters) {
                if (name.find("per_second") == std::string::npos) continue;
                rates[run.benchmark_name()] = counter.value;
                break;
            }
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RateCollector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const std::string suffix = "_Reference";
    bool header = false;
    for (const auto& [name, rate] : reporter.rates) {
        const auto reference = reporter.rates.find(name + suffix);
        if (reference == reporter.rates.end() || reference->second <= 0) continue;
        if (!header) std::printf("\nAgainst the reference measured in this run:\n");
        header = true;
        std::printf("  %-40s %12.1f M/s  %6.1fx the reference (%.1f M/s)\n", name.c_str(), rate / 1e6,
                    rate / reference->second, reference->second / 1e6);
    }
    return 0;
}
