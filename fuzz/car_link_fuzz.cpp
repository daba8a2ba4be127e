// The car link of a running slot: datagrams from the car PC and from strangers, lap-display
// ticks on an advancing race clock, hand corrections of the lap, typed messages and the
// reminder counter, in the order the input says. After every step the replies, the lap table
// and the lap count must agree with the lap rule as the pit crew knows it.
//
// One input in kStoreEvery, chosen by a checksum of its bytes, also keeps its run in the run
// store: every event is committed as the program commits it, and at the end the program started
// again on the same folder must bring back exactly what the store holds. Every other input plays
// the same steps on a program that keeps no runs, at a tenth of the cost: no store to make, no
// commits, no second program. RENNIK_FUZZ_STORE=1 keeps the store on every input (a
// corpus run with the round trip throughout); RENNIK_FUZZ_STORE=0 keeps it on none.

#include <algorithm>
#include <cctype>
#include <optional>

#include "base/sjis.h"
#include "carlink/lap_correction.h"
#include "carlink/lap_report.h"
#include "carlink/wire_format.h"
#include "fuzz/fuzz_support.h"
#include "messages/pit_messages.h"
#include "store/run_recording.h"
#include "store/run_snapshot.h"
#include "timing/lap_display.h"
#include "timing/run_control.h"

using namespace rennik;
using rennik::fuzz::check;

namespace {

constexpr std::uint32_t kStoreEvery = 16;

// Whether an input keeps its run in the store: by a checksum of all its bytes (FNV-1a), so that
// the inputs of every kind and length take the store in the same share, however the corpus
// leans.
bool keepsStore(const std::uint8_t* data, std::size_t size) {
    static const char* const forced = std::getenv("RENNIK_FUZZ_STORE");
    if (forced != nullptr && *forced != '\0') {
        return *forced != '0';
    }
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < size; ++i) {
        hash = (hash ^ data[i]) * 16777619u;
    }
    return hash % kStoreEvery == 0;
}

const char* const kCarPc = "192.168.1.20";
const char* const kStranger = "192.168.1.21";

// The lap rule as the crew knows it, kept apart from the program's own: a lap opens once the
// car has been silent for longer than the no-communication time (or by a hand correction);
// the car's next report closes it at the moment it arrived; every other report is a repeat.
struct LapModel {
    std::int64_t lastReport = 0;  // Start counts as the car's last word
    std::int64_t lapStart = 0;
    bool open = false;
    std::int32_t laps = 0;
    bool recorded = false;  // a lap has closed: replies carry the record
    std::int32_t strangers = 0;
};

store::GridRows rowsOf(const Grid& grid) {
    store::GridRows rows;
    for (int r = 1; r <= grid.rowCount(); ++r) {
        rows.push_back(store::GridRow(grid, r));
    }
    return rows;
}

// A grid's rows as they were when last taken. A grid whose revision has not moved holds what it
// held, and so does a row whose stamp has not moved (a grid raises both for every row it writes),
// so taking and comparing read the cells of the rows written since, never the whole table at
// every step.
class TableImage {
public:
    void take(const Grid& grid) {
        if (revision_ == grid.revision()) {
            return;
        }
        revision_ = grid.revision();
        const auto n = static_cast<std::size_t>(grid.rowCount());
        stamps_.resize(n, 0);
        rows_.resize(n);
        for (std::size_t r = 0; r < n; ++r) {
            const std::uint64_t stamp = grid.rowRevision(static_cast<int>(r) + 1);
            if (stamps_[r] != stamp) {
                stamps_[r] = stamp;
                rows_[r] = store::GridRow(grid, static_cast<int>(r) + 1);
            }
        }
    }
    // The grid holds the same rows, cell for cell.
    bool matches(const Grid& grid) const {
        if (revision_ == grid.revision()) {
            return true;
        }
        if (static_cast<std::size_t>(grid.rowCount()) != rows_.size()) {
            return false;
        }
        for (std::size_t r = 0; r < rows_.size(); ++r) {
            const int row = static_cast<int>(r) + 1;
            if (grid.rowRevision(row) != stamps_[r] && store::GridRow(grid, row) != rows_[r]) {
                return false;
            }
        }
        return true;
    }
    const store::GridRows& rows() const { return rows_; }

private:
    std::optional<std::uint64_t> revision_;
    std::vector<std::uint64_t> stamps_;
    store::GridRows rows_;
};

// What the run store holds as of its last commit: the values and both tables.
struct Recorded {
    std::map<std::string, std::string> values;
    TableImage laps;
    TableImage drivers;

    void take(const Host& host) {
        values = store::RunValues(host.race, host.main);
        laps.take(host.main.car.Spd_LapTime);
        drivers.take(host.main.car.Spd_DriverInfo);
    }
};

bool digitsOnly(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The 59-character record as the car PC reads it, field by field.
void checkRecord(std::string_view record) {
    check(record.size() == wire::kRecordLength, "the record has 59 characters", std::string(record));
    for (const wire::RecordField f : {wire::kRecordLap, wire::kRecordLastLapMs, wire::kRecordDriverBestMs,
                                      wire::kRecordDriverAverageMs}) {
        check(digitsOnly(record.substr(f.offset, f.length)), "a number field of the record is digits",
              std::string(record));
    }
    const std::string_view date = record.substr(wire::kRecordDate.offset, wire::kRecordDate.length);
    check(date[4] == '/' && date[7] == '/' && digitsOnly(date.substr(0, 4)) && digitsOnly(date.substr(5, 2)) &&
              digitsOnly(date.substr(8, 2)),
          "the record's date is yyyy/mm/dd", std::string(record));
    for (const wire::RecordField f : {wire::kRecordClock, wire::kRecordEndTime}) {
        const std::string_view t = record.substr(f.offset, f.length);
        check(t[2] == ':' && t[5] == ':' && digitsOnly(t.substr(0, 2)) && digitsOnly(t.substr(3, 2)) &&
                  digitsOnly(t.substr(6, 2)),
              "the record's times are HH:NN:SS", std::string(record));
    }
}

class CarLinkRun {
public:
    // A program that keeps no runs leaves the folder as it found it: only a run with the store
    // empties it, before and after.
    CarLinkRun(FuzzedDataProvider& in, bool withStore) : in_(in), withStore_(withStore) {
        if (withStore_) {
            fuzz::folder().clear(true);
        }
        p_ = std::make_unique<fuzz::Program>(fuzz::folder().path());
        p_->host.keepsRuns = withStore_;
        p_->load();
        p_->registerCar(kCarPc);
        Btn_Start_Click(p_->host);
        check(IsRunning(p_->host.main), "Start begins the run");
        committed();
    }

    void play() {
        for (int steps = 0; steps < 64 && in_.remaining_bytes() > 0; ++steps) {
            step();
            checkState();
            if (trace_) {
                std::fprintf(stderr, "tick %d: LapCnt %d, rows %d, mark %s, replies %zu\n", now(), race().LapCnt[0],
                             car().Spd_LapTime.rowCount(), race().LapMark[0].c_str(),
                             p_->fakes.sockets.net->sent.size());
            }
        }
        settle();
    }

    // The program is gone; started again on the same folder it offers the run and, answered
    // Yes, brings back what the store held.
    void resumeAndCompare() {
        if (!withStore_) {
            return;
        }
        p_.reset();
        // RENNIK_FUZZ_KEEP_STORE=FILE keeps a copy of the run store, a seed for the files fuzzer.
        if (const char* keep = std::getenv("RENNIK_FUZZ_KEEP_STORE")) {
            std::filesystem::copy_file(fuzz::folder().path() / kRunStoreFile, keep,
                                       std::filesystem::copy_options::overwrite_existing);
        }
        fuzz::Program again(fuzz::folder().path());
        again.load();
        const auto& boxes = again.fakes.dialogs.boxes;
        check(!boxes.empty() && boxes[0].title == "計測再開", "an unfinished run is offered for resuming");
        check(IsRunning(again.host.main), "the resumed run measures on");
        const auto back = store::RunValues(again.host.race, again.host.main);
        for (const auto& [key, value] : stored_.values) {
            const auto it = back.find(key);
            check(it != back.end() && it->second == value, "a resumed value is the one recorded",
                  key + ": recorded '" + value + "', back '" + (it == back.end() ? "<none>" : it->second) + "'");
        }
        check(back.size() == stored_.values.size(), "the resumed values are the ones recorded");
        check(rowsOf(again.car().Spd_LapTime) == stored_.laps.rows(), "the resumed lap table is the one recorded");
        check(rowsOf(again.car().Spd_DriverInfo) == stored_.drivers.rows(),
              "the resumed driver table is the one recorded");
        fuzz::folder().clear(true);
    }

private:
    Host& host() { return p_->host; }
    CarPanel& car() { return p_->car(); }
    RaceState& race() { return p_->host.race; }
    std::int32_t& now() { return p_->fakes.ticks.now; }

    void advance(std::int64_t by) {
        now() = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{now()} + by, 2'000'000'000));
    }

    void tick() {
        Time_Lap_Timer(host(), 0);
        // The display opens the lap once the silence has passed.
        if (!model_.open && now() > model_.lastReport + race().Settings.NoInputTicks) {
            model_.open = true;
            ++model_.laps;
        }
    }

    void step() {
        switch (in_.ConsumeIntegralInRange(0, 8)) {
        case 0:
        case 1:
            carReport();
            break;
        case 2: {
            settle();
            const std::string bytes = in_.ConsumeRandomLengthString(64);
            const auto sent = p_->fakes.sockets.net->sent.size();
            p_->fakes.sockets.deliver(7011, bytes, kStranger, test::FakeTicks::momentOf(now()));
            ++model_.strangers;
            check(p_->fakes.sockets.net->sent.size() == sent, "a stranger's datagram gets no reply");
            break;
        }
        case 3:
            settle();
            advance(in_.ConsumeIntegralInRange(0, 600));
            tick();
            break;
        case 4:
            settle();
            advance(in_.ConsumeIntegralInRange(0, 25'000));
            tick();
            break;
        case 5: {
            settle();
            // Right at the silence's edge, counted from the car's last report.
            const std::int64_t edge = model_.lastReport + race().Settings.NoInputTicks +
                                      in_.ConsumeIntegralInRange(-1, 1);
            advance(std::max<std::int64_t>(0, edge - now()));
            if (in_.ConsumeBool()) {
                tick();
            }
            break;
        }
        case 6:
            correction();
            break;
        case 7:
            car().Txt_OutMess.setText(
                std::string(sjis::firstChars(sjis::toUtf8(in_.ConsumeRandomLengthString(90)), kOutMessMaxChars)));
            commit();
            break;
        case 8:
            car().Chk_ChgCnter.setValue(car().Chk_ChgCnter.value() == 0 ? 1 : 0);
            Chk_ChgCnter_Click(host(), 0);
            commit();
            break;
        }
    }

    // What the binding does after an event: the run store takes what changed.
    void commit() {
        RecordRun(host());
        committed();
    }

    // The program has committed: the store holds the run as it stands. It is read only before a
    // step that may change the run without a commit (a tick, a datagram left unanswered) and at
    // the end, since a commit that follows sooner holds all this one did.
    void committed() { unread_ = withStore_; }
    void settle() {
        if (unread_) {
            stored_.take(host());
            unread_ = false;
        }
    }

    void carReport() {
        std::string bytes;
        if (in_.ConsumeBool()) {
            char field[8];
            std::snprintf(field, sizeof field, "%03d", in_.ConsumeIntegralInRange(0, 999));
            bytes = field + in_.ConsumeRandomLengthString(40);
        } else {
            bytes = in_.ConsumeRandomLengthString(64);
        }
        // Handled late: the report arrived up to a moment before the handler ran.
        const std::int64_t arrived = std::max<std::int64_t>(0, now() - in_.ConsumeIntegralInRange(0, 300));
        const std::int64_t at = std::max(arrived, model_.lastReport);

        const Grid& table = car().Spd_LapTime;
        before_.take(table);
        auto& sent = p_->fakes.sockets.net->sent;
        const auto sentBefore = sent.size();
        const bool answered = sjis::charCount(sjis::toUtf8(bytes)) >= wire::kLapFieldChars;
        const bool markC = race().LapMark[0] == "C";
        if (!answered) {
            settle();
        }

        p_->fakes.sockets.deliver(7011, bytes, kCarPc, test::FakeTicks::momentOf(static_cast<std::int32_t>(arrived)));

        if (!answered) {
            check(sent.size() == sentBefore, "a report without its lap field gets no reply");
            check(before_.matches(table), "a report without its lap field changes no lap");
            return;
        }
        check(sent.size() == sentBefore + 1, "every report of the car is answered once");
        if (!model_.open && at > model_.lastReport + race().Settings.NoInputTicks) {
            model_.open = true;
            ++model_.laps;
        }
        const bool closes = model_.open;
        model_.lastReport = at;
        model_.open = false;

        const std::string reply = sjis::toUtf8(sent.back().bytes);
        check(sent.back().remoteHost == kCarPc && sent.back().remotePort == 7012, "the reply goes to the car PC");
        check(!reply.empty() && reply[0] == (markC ? 'C' : 'N'),
              "the reply's mark is C after a correction and N otherwise", reply);
        std::string_view rest = std::string_view(reply).substr(1);
        if (closes) {
            model_.recorded = true;
            const std::string& ticks = table.cell(model_.laps, LapColumn::Ticks);
            check(ticks == std::to_string(at - model_.lapStart), "a lap lasts from its start to the report that closes it",
                  "row " + std::to_string(model_.laps) + " holds '" + ticks + "', expected " +
                      std::to_string(at - model_.lapStart));
            model_.lapStart = at;
        } else {
            check(before_.matches(table), "a repeat within a contact changes no lap row");
        }
        if (model_.recorded) {
            check(rest.size() >= wire::kRecordLength, "the reply carries the record", reply);
            checkRecord(rest.substr(0, wire::kRecordLength));
            check(rest.substr(0, wire::kRecordLength) == race().ReplyBody[0], "the reply carries the current record");
            rest = rest.substr(wire::kRecordLength);
        }
        const std::string message = sjis::toUtf8(sjis::fromUtf8(race().OutMessText[0]));
        check(rest == message, "the reply ends with the pit message and nothing else",
              "reply '" + reply + "', message '" + message + "'");
        committed();
    }

    void correction() {
        auto& dialogs = p_->fakes.dialogs;
        dialogs.answers.clear();
        dialogs.typed.clear();
        const bool inReach = now() <= model_.lastReport + race().Settings.NoInputTicks && race().CarHeard[0];
        if (inReach) {
            dialogs.answerNext(in_.ConsumeBool() ? Answer::Yes : Answer::No);
        }
        if (in_.ConsumeBool()) {
            dialogs.typeNext(std::to_string(in_.ConsumeIntegralInRange(-1, 14)));
        } else {
            dialogs.typeNext(in_.ConsumeRandomLengthString(12));
        }
        dialogs.answerNext(in_.ConsumeBool() ? Answer::Yes : Answer::No);
        const bool markBefore = race().LapMark[0] == "C";
        const std::int32_t lapsBefore = race().LapCnt[0];
        Btn_LapChg_Click(host(), 0);
        dialogs.answers.clear();
        dialogs.typed.clear();
        const std::int32_t laps = race().LapCnt[0];
        if (laps != lapsBefore || (!markBefore && race().LapMark[0] == "C")) {
            check(laps >= 1 && laps <= kMaxCorrectedLap, "a corrected lap count is a lap of a run",
                  std::to_string(laps));
            check(race().LapMark[0] == "C", "a correction marks the next reply");
            model_.open = true;
            model_.laps = laps;
        }
        commit();
    }

    void checkState() {
        const Grid& table = car().Spd_LapTime;
        check(race().LapCnt[0] == model_.laps, "the lap count follows the silences, reports and corrections",
              "LapCnt " + std::to_string(race().LapCnt[0]) + ", expected " + std::to_string(model_.laps));
        check(table.rowCount() == race().LapCnt[0], "the lap table has a row for every lap counted",
              "rows " + std::to_string(table.rowCount()) + ", LapCnt " + std::to_string(race().LapCnt[0]));
        // A row is read again only once it has been written since the last step.
        checkedStamps_.resize(static_cast<std::size_t>(table.rowCount()), 0);
        for (int r = 1; checkedRevision_ != table.revision() && r <= table.rowCount(); ++r) {
            std::uint64_t& seen = checkedStamps_[static_cast<std::size_t>(r) - 1];
            if (seen == table.rowRevision(r)) {
                continue;
            }
            seen = table.rowRevision(r);
            const std::string& ticks = table.cell(r, LapColumn::Ticks);
            check(ticks.empty() || digitsOnly(ticks), "no lap time is negative", "row " + std::to_string(r) + ": " + ticks);
        }
        checkedRevision_ = table.revision();
        check(race().ForeignDatagrams[0] == model_.strangers, "every stranger's datagram is counted");
    }

    FuzzedDataProvider& in_;
    const bool withStore_;
    // RENNIK_FUZZ_TRACE=1 prints the run step by step, for reading a finding.
    inline static const bool trace_ = std::getenv("RENNIK_FUZZ_TRACE") != nullptr;
    std::unique_ptr<fuzz::Program> p_;
    LapModel model_;
    Recorded stored_;
    bool unread_ = false;
    TableImage before_;
    std::vector<std::uint64_t> checkedStamps_;
    std::optional<std::uint64_t> checkedRevision_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    CarLinkRun run(in, keepsStore(data, size));
    run.play();
    run.resumeAndCompare();
    return 0;
}
