#pragma once

#include <QString>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// One kill trial: the pit host as its own process (rennik1-trial-host) times a simulated car on
// 127.0.0.1, is killed with SIGKILL at a chosen phase of a lap, is started again in the same data
// folder (where it resumes the run from its run store) and times the car on. Then the store is
// read back and held against what the car was told. Shared by tests/e2e/kill_resume_test and
// `rennik1-bench --kill-trials`.
namespace rennik::bench {

// Where in the lap the host dies. Each lap is one contact window (three reports, 40 ms apart,
// the first of which closes the lap) and a silence of about a second.
enum class KillPhase {
    AtLapReport,  // within a few ms of the report that closes a lap: while it is handled
    InContact,    // anywhere in a contact window, the reports after the first answered as repeats
    InSilence,    // while the car is away
    AfterLap,     // the moment the car has the reply to a newly closed lap
    // The host kills itself (rennik1-trial-host --die-after-commit-of-lap) the moment the run
    // store has committed the lap, before the reply goes: the car is never told of that lap.
    AfterCommit,
};
inline constexpr KillPhase kKillPhases[] = {KillPhase::AtLapReport, KillPhase::InContact,
                                            KillPhase::InSilence, KillPhase::AfterLap,
                                            KillPhase::AfterCommit};
const char* killPhaseName(KillPhase phase);

struct KillTrialPlan {
    QString hostProgram;           // rennik1-trial-host
    std::filesystem::path folder;  // an existing, empty data folder
    KillPhase phase = KillPhase::InContact;
    // The phase is taken in the lap the host closes as this lap (AtLapReport: at its closing
    // report; AfterCommit: at its commit; the others: in or right after its contact window). At
    // least 2.
    int killLap = 2;
    int lapsAfterResume = 2;  // laps the restarted host closes before the trial ends
    double lapSeconds = 1.2;  // at least 1.15: a second of silence must follow each contact
    unsigned seed = 1;        // the moment within the phase
};

struct KillTrialResult {
    enum class Outcome {
        Done,        // the trial ran; the figures below hold
        PortsTaken,  // another program held port 7011 or 7012: nothing was measured
        Failed,      // the trial could not be carried out (see error)
    };
    Outcome outcome = Outcome::Failed;
    std::string error;

    KillPhase phase = KillPhase::InContact;
    double killAfterReportMs = 0;  // the kill, after the first report of its contact window
    double downMs = 0;             // from the kill to the restarted host's car link
    int repliedLaps = 0;           // laps whose record reached the car
    int storedLaps = 0;            // laps with a time in the store at the end
    // Laps in the store whose reply never reached the car: committed, then killed before the send.
    int storedUnanswered = 0;
    // Replied laps that the store lacks or keeps with another time: "lap 4: car 1'12\"345, store -".
    std::vector<std::string> lost;

    // The first lap the restarted host closed: its time minus the car's own measure of it.
    int resumedLap = 0;
    std::optional<double> resumedErrorMs;
    std::string detail;  // how the resumed lap was placed, or why it could not be compared
};

KillTrialResult runKillTrial(const KillTrialPlan& plan);

// Waits until ports 7011 and 7012 of 127.0.0.1 are free (another program's host or car may hold
// them for a while), for at most `seconds`. False when they stayed taken.
bool waitForFreePorts(double seconds);

// One line on a trial, for logs: phase, kill moment, laps, the resumed lap's error.
std::string describe(const KillTrialResult& result);

}  // namespace rennik::bench
