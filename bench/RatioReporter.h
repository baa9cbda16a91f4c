#pragma once

// Our time next to another program's doing the same work in the same run:
// the other program timed as a benchmark, and a console reporter that keeps
// the medians and prints our time over theirs after the run.

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace pictavo::bench {

// Runs `args` (looked up in PATH, its standard output thrown away) once per
// iteration as the iteration's manual time; the child's processor time goes
// to the counter "child_cpu_ms", since on a shared machine it hardly depends
// on the other load. Ends the benchmark with an error when the program cannot
// be run or fails.
void timeProgramRuns(benchmark::State& state, const std::vector<std::string>& args);

// Keeps the median wall time and processor time of every benchmark (the
// child's, where it has "child_cpu_ms") so they can be set against each
// other once the run is over. The times are in each benchmark's own unit.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;

    // "what: wall ours … / theirs … = r; CPU ours … / theirs … = r (target
    // <= target)", nothing when either median is missing. `theirName` names
    // the other program in the line.
    void printRatio(const char* what, const std::string& ours, const std::string& theirs,
                    double target, const char* theirName = "theirs");

    // What `with` takes beyond `without`, against the most it may add.
    void printExtra(const char* what, const std::string& with, const std::string& without,
                    const char* unit, double target);

private:
    std::map<std::string, double> m_wall;
    std::map<std::string, double> m_cpu;
};

// The main() of such a benchmark: `prepare` makes the files it works on (an
// exception ends the program with its message, named by `program`), then the
// benchmarks run and `report` prints the ratios from the medians.
int runComparing(int argc, char** argv, const char* program, const std::function<void()>& prepare,
                 const std::function<void(RatioReporter&)>& report);

}  // namespace pictavo::bench
