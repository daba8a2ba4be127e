#pragma once

#include <QString>

// `rennik1-bench --kill-trials N`: N kill trials (kill_trial.h) in a row, each in a fresh data
// folder, the phase of the kill taking the four phases in turn. Prints a line per trial to stderr
// and the summary to stdout:
//
//     <trials run> of <N> trials: laps lost <total>, resumed laps within 20 ms: <K>
//
// then the worst resumed-lap error and the other figures. The exit code is 0 when every trial
// ran, none lost a lap and every resumed lap was within 20 ms.
namespace rennik::bench {

int runKillTrials(int trials, double lapSeconds, const QString& hostProgram);

}  // namespace rennik::bench
