// What the crew types and what comes in as Shift-JIS: a lap time typed over in the lap table,
// the planned run time (hours and minutes), the answer to "今何周目ですか？", the number rules of
// every box and cell, and the crossing between Shift-JIS and the program's own text.

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>

#include "base/numbers.h"
#include "base/sjis.h"
#include "carlink/lap_correction.h"
#include "fuzz/fuzz_support.h"
#include "timing/date_time.h"
#include "timing/run_duration.h"
#include "timing/time_format.h"

using namespace rennik;
using rennik::fuzz::check;

namespace {

fuzz::Program& program() {
    static std::unique_ptr<fuzz::Program> p = [] {
        fuzz::folder().clear(false);
        auto made = std::make_unique<fuzz::Program>(fuzz::folder().path());
        made->host.keepsRuns = false;
        made->load();
        made->registerCar("192.168.1.20");
        return made;
    }();
    return *p;
}

// A text of the plain form [sign] digits [. digits] [e [sign] digits], which the C library
// reads the same way: the two readings must agree.
bool plainNumber(const std::string& s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        ++i;
    }
    std::size_t digits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
        ++i, ++digits;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
            ++i, ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
            ++i;
        }
        std::size_t e = 0;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
            ++i, ++e;
        }
        if (e == 0) {
            return false;
        }
    }
    return i == s.size();
}

bool same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

void numberRules(const std::string& text) {
    const double lenient = numbers::leadingNumber(text);
    check(!std::isnan(lenient), "the lenient reading is a number", text.substr(0, 200));
    const bool numeric = numbers::isNumeric(text);
    const auto value = numbers::numericValue(text);
    check(numeric == value.has_value(), "a numeric text has a value, and only a numeric text");
    if (value) {
        check(std::isfinite(*value), "a numeric value lies within the range of a double", text.substr(0, 200));
    }
    if (plainNumber(text)) {
        errno = 0;
        const double c = std::strtod(text.c_str(), nullptr);
        check(same(lenient, c), "a plain number reads as the C library reads it", text.substr(0, 200));
        check(numeric == std::isfinite(c), "a plain number is numeric when it is finite", text.substr(0, 200));
        if (value) {
            check(same(*value, c), "a plain number's value is the C library's", text.substr(0, 200));
        }
    }
    // The checked conversions refuse what does not fit, never wrap.
    const double rounded = std::nearbyint(lenient);  // the default rounding: halves to even
    check(same(numbers::roundHalfEven(lenient), rounded), "rounding takes halves to the even neighbour");
    const auto i32 = numbers::toInt32(lenient);
    const bool fits32 = rounded >= std::numeric_limits<std::int32_t>::min() &&
                        rounded <= std::numeric_limits<std::int32_t>::max();
    check(i32.has_value() == fits32 && (!i32 || *i32 == rounded), "a 32-bit value is the rounded number or none");
    const auto i16 = numbers::toInt16(lenient);
    check(i16.has_value() == (rounded >= -32768 && rounded <= 32767) && (!i16 || *i16 == rounded),
          "a 16-bit value is the rounded number or none");
    const std::int32_t saturated = numbers::saturatingInt32(lenient);
    check(fits32 ? saturated == rounded : (saturated == (rounded < 0 ? std::numeric_limits<std::int32_t>::min()
                                                                      : std::numeric_limits<std::int32_t>::max())),
          "a saturated value holds the 32-bit range");
    if (const auto single = numbers::toSingle(lenient)) {
        const std::string shown = numbers::singleText(*single);
        const auto again = numbers::toSingle(numbers::leadingNumber(shown));
        check(again.has_value() && numbers::singleText(*again) == shown, "a figure written reads back as written",
              shown);
    }
}

void shiftJis(const std::string& bytes) {
    const std::string text = sjis::toUtf8(bytes);
    check(fuzz::validUtf8(text), "decoded text is well-formed UTF-8");
    check(sjis::charCount(text) == fuzz::codePoints(text), "characters are counted as code points");
    check(sjis::charCount(text) <= bytes.size(), "no byte decodes into more than one character");
    const std::string encoded = sjis::fromUtf8(text);
    const std::string again = sjis::toUtf8(encoded);
    check(sjis::fromUtf8(again) == encoded && sjis::toUtf8(sjis::fromUtf8(again)) == again,
          "decoding, encoding and decoding again is stable");
    check(sjis::charCount(again) == sjis::charCount(text), "encoding keeps one character for one");
    check(again.find("\xEF\xBF\xBD") == std::string::npos, "encoded text always decodes");
    // Arbitrary bytes taken as UTF-8: whatever cannot be held becomes "?", and the result decodes.
    const std::string fromAny = sjis::toUtf8(sjis::fromUtf8(bytes));
    check(fromAny.find("\xEF\xBF\xBD") == std::string::npos, "encoded bytes always decode");
    if (fuzz::validUtf8(bytes)) {
        check(sjis::charCount(fromAny) == fuzz::codePoints(bytes), "encoding keeps one character for one");
    }
    for (const std::size_t n : {std::size_t{0}, std::size_t{3}, std::size_t{60}, fuzz::codePoints(text)}) {
        const std::string_view first = sjis::firstChars(text, n);
        check(text.compare(0, first.size(), first) == 0 && sjis::charCount(first) == std::min(n, sjis::charCount(text)),
              "the first characters are a whole prefix");
    }
}

// A lap time typed over in the lap table: minutes ' seconds " fraction, each a number, or the
// entry is refused and the cell gets back its text.
void lapTimeEntry(fuzz::Program& p, const std::string& typed, std::int32_t shownTicks, bool fine) {
    RaceState& race = p.host.race;
    race.Settings.setMeasurePrecision(fine ? "1/1000" : "1/100");
    Grid& table = p.car().Spd_LapTime;
    table.setRowCount(1);
    const std::string shown = LapTimeText(shownTicks, race.Settings);
    table.setCell(1, LapColumn::Time, shown);
    table.setCell(1, LapColumn::Ticks, std::to_string(shownTicks));

    // The time the screen shows, typed back as it stands, is taken exactly.
    Spd_LapTime_EditStarted(p.host, 0, LapColumn::Time, 1);
    Spd_LapTime_EditFinished(p.host, 0, LapColumn::Time, 1);
    check(table.cell(1, LapColumn::Ticks) == std::to_string(shownTicks), "a lap time as shown is taken back exactly",
          shown + " -> " + table.cell(1, LapColumn::Ticks));

    auto& boxes = p.fakes.dialogs.boxes;
    boxes.clear();
    table.setCell(1, LapColumn::Time, typed);
    Spd_LapTime_EditFinished(p.host, 0, LapColumn::Time, 1);
    const std::string& ticks = table.cell(1, LapColumn::Ticks);
    // The form itself: one ' before one ", a number on each side of each mark.
    const auto apostrophe = typed.find('\'');
    const auto quote = typed.find('"');
    const bool form = apostrophe != std::string::npos && quote != std::string::npos && apostrophe < quote &&
                      typed.find('\'', apostrophe + 1) == std::string::npos &&
                      typed.find('"', quote + 1) == std::string::npos &&
                      numbers::isNumeric(typed.substr(0, apostrophe)) &&
                      numbers::isNumeric(typed.substr(apostrophe + 1, quote - apostrophe - 1)) &&
                      numbers::isNumeric(typed.substr(quote + 1));
    if (boxes.empty()) {
        check(form, "only a lap time of the form 1'23\"456 is taken", typed);
        check(!ticks.empty() && ticks.find_first_not_of("0123456789") == std::string::npos &&
                  numbers::toInt32(std::strtod(ticks.c_str(), nullptr)).has_value(),
              "a lap time taken is a count of ticks within 32 bits", typed + " -> " + ticks);
    } else {
        check(boxes.size() == 1 && boxes[0].text == "入力が不正です。", "a malformed lap time is refused in one box");
        check(table.cell(1, LapColumn::Time) == shown && ticks == std::to_string(shownTicks),
              "a refused lap time leaves the cell as it was");
    }
}

// The planned run time: a box left with no number, or one beyond 16 bits, beeps and becomes
// "0"; the end time is a clock time that many minutes after the Start.
void durationBoxes(fuzz::Program& p, const std::string& hours, const std::string& minutes) {
    MainScreen& m = p.host.main;
    RaceState& race = p.host.race;
    const int beeps = p.fakes.dialogs.beeps;
    int expectedBeeps = beeps;
    for (auto [box, text] : {std::pair{&m.Txt_RunH, hours}, std::pair{&m.Txt_RunN, minutes}}) {
        box->setText("0");
        if (box == &m.Txt_RunH) {
            Txt_RunH_GotFocus(p.host);
        } else {
            Txt_RunN_GotFocus(p.host);
        }
        box->setText(text);
        if (box == &m.Txt_RunH) {
            Txt_RunH_LostFocus(p.host);
        } else {
            Txt_RunN_LostFocus(p.host);
        }
        const auto v = numbers::numericValue(text);
        const bool ok = v && numbers::toInt16(*v);
        expectedBeeps += ok ? 0 : 1;
        check(box->text() == (ok ? text : "0"), "a duration box keeps a 16-bit number and nothing else", text);
    }
    check(p.fakes.dialogs.beeps == expectedBeeps, "each refused duration beeps once");

    race.StartTime = {2026, 12, 31, 23, 59, 0};
    SetEndTime(p.host);
    if (race.HasEndTime) {
        const LocalDateTime& e = race.EndTime;
        check(e.month >= 1 && e.month <= 12 && e.day >= 1 && e.day <= 31 && e.hour >= 0 && e.hour < 24 &&
                  e.minute >= 0 && e.minute < 60 && e.second == 0,
              "the planned end is a clock time");
        // The boxes hold what they took: the duration is the numbers they show.
        const double h = numbers::roundHalfEven(numbers::numericValue(m.Txt_RunH.text()).value_or(0));
        const double n = numbers::roundHalfEven(numbers::numericValue(m.Txt_RunN.text()).value_or(0));
        check(SecondsBetween(race.StartTime, e) == static_cast<std::int64_t>((h * 60 + n) * 60),
              "the planned end lies the planned time after the Start",
              "'" + m.Txt_RunH.text() + "' h '" + m.Txt_RunN.text() + "' min: " + std::to_string(SecondsBetween(race.StartTime, e)) + " s");
    }
}

// "今何周目ですか？": the number the answer begins with, from 1 to 9999, becomes the lap count; a
// count down asks first. Anything else changes nothing.
void lapCountAnswer(fuzz::Program& p, const std::string& answer, bool sure) {
    RaceState& race = p.host.race;
    CarPanel& car = p.car();
    race.LapCnt[0] = 5;
    race.LapMark[0] = "N";
    car.Spd_LapTime.setRowCount(5);
    auto& dialogs = p.fakes.dialogs;
    dialogs.answers.clear();
    dialogs.typed.clear();
    dialogs.typeNext(answer);
    dialogs.answerNext(sure ? Answer::Yes : Answer::No);
    const int beeps = dialogs.beeps;
    Btn_LapChg_Click(p.host, 0);
    dialogs.answers.clear();

    const double lap = std::nearbyint(numbers::leadingNumber(answer));
    const bool named = !answer.empty() && lap >= 1 && lap <= kMaxCorrectedLap;
    check(dialogs.beeps == beeps + (!answer.empty() && !named ? 1 : 0), "an answer that names no lap beeps");
    const bool changes = named && lap != 5 && (lap > 5 || sure);
    const int expected = changes ? static_cast<int>(lap) : 5;
    check(race.LapCnt[0] == expected && car.Spd_LapTime.rowCount() == expected,
          "the lap count and the table follow an answer that names a lap", answer);
    check(race.LapMark[0] == (changes ? "C" : "N"), "a correction marks the next reply, and only a correction");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Program& p = program();
    // The fakes record every box and input box: one input's worth is kept, not the campaign's.
    p.fakes.dialogs.boxes.clear();
    p.fakes.dialogs.inputs.clear();
    FuzzedDataProvider in(data, size);
    const int mode = in.ConsumeIntegralInRange(0, 4);
    const bool flag = in.ConsumeBool();
    const auto ticks = in.ConsumeIntegral<std::int32_t>();
    // Some inputs stand for a long paste: their text repeated to about 100 KB.
    std::string text = in.ConsumeRandomLengthString(256);
    const std::string other = in.ConsumeRemainingBytesAsString();
    if (flag && mode == 0 && !text.empty()) {
        while (text.size() < 100'000) {
            text += text;
        }
    }
    switch (mode) {
    case 0:
        numberRules(text);
        numberRules(other);
        break;
    case 1:
        shiftJis(text + other);
        break;
    case 2:
        lapTimeEntry(p, sjis::toUtf8(text), ticks < 0 ? -(ticks + 1) : ticks, flag);
        break;
    case 3:
        durationBoxes(p, sjis::toUtf8(text), sjis::toUtf8(other));
        break;
    default:
        lapCountAnswer(p, sjis::toUtf8(text), flag);
        break;
    }
    return 0;
}
