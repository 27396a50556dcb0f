#pragma once
// A benchmark main that prints, after the usual table, each road against its floor: for every size
// the road's time, the floor's and their ratio, and how much each grows per step of ten times the
// size.  A floor is the benchmark of the same name with "Floor" after its function name
// (Rebuild/1000 and RebuildFloor/1000; FillAndSort/Random/1000 and FillAndSortFloor/Random/1000).
// With repetitions the medians are used.  The times are CPU times: on a machine shared with other
// work they move far less than wall-clock times, which count the waiting for a core.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace bench {

class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            // Only benchmarks of a size take part.
            const std::string& size = run.run_name.args;
            if ((run.run_type == Run::RT_Aggregate && !median) || size.empty()
                || size.find_first_not_of("0123456789") != std::string::npos)
                continue;
            std::string name = run.run_name.function_name;
            bool floor = false;
            if (const auto at = name.find("Floor"); at != std::string::npos) {
                name.erase(at, 5);
                floor = true;
            }
            const double ms = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e3;
            auto& entry = times_[name][std::stol(size)];
            (floor ? entry.floor : entry.road) = ms;
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const auto& [name, sizes] : times_) {
            std::printf("\n%s against its floor (CPU time)\n", name.c_str());
            for (const auto& [size, t] : sizes)
                std::printf("  %8ld: %10.3f ms, floor %10.3f ms, ratio %5.2f\n", size, t.road, t.floor,
                            t.floor > 0 ? t.road / t.floor : 0.0);
            for (auto it = sizes.begin(); it != sizes.end(); ++it) {
                const auto next = std::next(it);
                if (next == sizes.end())
                    break;
                const double step = double(next->first) / double(it->first);
                std::printf("  %ld -> %ld (%.0f times the size): road %.1f times, floor %.1f times\n", it->first,
                            next->first, step, next->second.road / it->second.road,
                            next->second.floor / it->second.floor);
            }
        }
        std::fflush(stdout);
    }

private:
    struct TTimes {
        double road = 0;
        double floor = 0;
    };
    std::map<std::string, std::map<long, TTimes>> times_;
};

inline int RunWithRatios(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
