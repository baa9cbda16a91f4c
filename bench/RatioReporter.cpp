#include "RatioReporter.h"

#include <cstdio>
#include <exception>

#include "support/ExternalTools.h"

namespace pictavo::bench {

void timeProgramRuns(benchmark::State& state, const std::vector<std::string>& args) {
    double cpu = 0;
    for (auto _ : state) {
        pictavo::test::ProgramRun run;
        try {
            run = pictavo::test::runProgramTimed(args, "/dev/null");
        } catch (const std::exception&) {
            run.status = -1;
        }
        if (run.status != 0) {
            state.SkipWithError(("cannot run " + args[0]).c_str());
            return;
        }
        state.SetIterationTime(run.seconds);
        cpu += run.cpuSeconds;
    }
    state.counters["child_cpu_ms"] =
        benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
}

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        if (run.aggregate_name != "median") {
            continue;
        }
        const std::string& name = run.run_name.function_name;
        m_wall[name] = run.GetAdjustedRealTime();
        const auto child = run.counters.find("child_cpu_ms");
        m_cpu[name] = child != run.counters.end() ? child->second.value : run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
}

void RatioReporter::printRatio(const char* what, const std::string& ours, const std::string& theirs,
                               double target, const char* theirName) {
    if (!m_wall.count(ours) || !m_wall.count(theirs) || m_wall[theirs] <= 0 || m_cpu[theirs] <= 0) {
        return;
    }
    std::printf(
        "%s: wall ours %.1f ms / %s %.1f ms = %.3f; CPU ours %.1f ms / %s %.1f ms = %.3f "
        "(target <= %g)\n",
        what, m_wall[ours], theirName, m_wall[theirs], m_wall[ours] / m_wall[theirs], m_cpu[ours],
        theirName, m_cpu[theirs], m_cpu[ours] / m_cpu[theirs], target);
}

void RatioReporter::printExtra(const char* what, const std::string& with,
                               const std::string& without, const char* unit, double target) {
    if (!m_wall.count(with) || !m_wall.count(without)) {
        return;
    }
    std::printf("%s: %.3f %s - %.3f %s = %.3f %s extra (target <= %.0f %s)\n", what, m_wall[with],
                unit, m_wall[without], unit, m_wall[with] - m_wall[without], unit, target, unit);
}

int runComparing(int argc, char** argv, const char* program, const std::function<void()>& prepare,
                 const std::function<void(RatioReporter&)>& report) {
    benchmark::Initialize(&argc, argv);
    try {
        prepare();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", program, e.what());
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    report(reporter);
    benchmark::Shutdown();
    return 0;
}

}  // namespace pictavo::bench
