#include "messages/pit_messages.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "base/numbers.h"
#include "base/sjis.h"

namespace rennik {
namespace {

// Full-width counterparts of the half-width katakana block U+FF61..U+FF9F, in its order.
constexpr std::array<char32_t, 63> kWideKana = {
    U'。', U'「', U'」', U'、', U'・', U'ヲ', U'ァ', U'ィ', U'ゥ', U'ェ', U'ォ', U'ャ', U'ュ',
    U'ョ', U'ッ', U'ー', U'ア', U'イ', U'ウ', U'エ', U'オ', U'カ', U'キ', U'ク', U'ケ', U'コ',
    U'サ', U'シ', U'ス', U'セ', U'ソ', U'タ', U'チ', U'ツ', U'テ', U'ト', U'ナ', U'ニ', U'ヌ',
    U'ネ', U'ノ', U'ハ', U'ヒ', U'フ', U'ヘ', U'ホ', U'マ', U'ミ', U'ム', U'メ', U'モ', U'ヤ',
    U'ユ', U'ヨ', U'ラ', U'リ', U'ル', U'レ', U'ロ', U'ワ', U'ン', U'゛', U'゜'};

constexpr char32_t kVoicedMark = 0xFF9E;      // ﾞ
constexpr char32_t kSemiVoicedMark = 0xFF9F;  // ﾟ

// Decodes one UTF-8 sequence at `pos` and advances past it; false for a malformed one.
bool decode(std::string_view s, std::size_t& pos, char32_t& out) {
    const auto lead = static_cast<unsigned char>(s[pos]);
    int extra = 0;
    if (lead < 0x80) {
        out = lead;
    } else if ((lead & 0xE0) == 0xC0) {
        out = lead & 0x1F;
        extra = 1;
    } else if ((lead & 0xF0) == 0xE0) {
        out = lead & 0x0F;
        extra = 2;
    } else if ((lead & 0xF8) == 0xF0) {
        out = lead & 0x07;
        extra = 3;
    } else {
        return false;
    }
    if (pos + static_cast<std::size_t>(extra) >= s.size()) {
        return false;
    }
    for (int k = 1; k <= extra; ++k) {
        const auto c = static_cast<unsigned char>(s[pos + k]);
        if ((c & 0xC0) != 0x80) {
            return false;
        }
        out = (out << 6) | (c & 0x3F);
    }
    pos += 1 + extra;
    return true;
}

void encode(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The combined form of a half-width kana with the voicing mark that follows it, or 0 where the
// pair has none: ｶ..ﾄ and ﾊ..ﾎ take ﾞ (the next code point of the full-width kana), ﾊ..ﾎ also
// take ﾟ (two on), and ｳﾞ becomes ヴ. ﾜﾞ and ｦﾞ stay apart: ヷ and ヺ have no Shift-JIS code
// and could not travel to the car.
char32_t joinedKana(char32_t halfWidth, char32_t wide, char32_t mark) {
    const bool kaToTo = halfWidth >= 0xFF76 && halfWidth <= 0xFF84;
    const bool haToHo = halfWidth >= 0xFF8A && halfWidth <= 0xFF8E;
    if (mark == kVoicedMark) {
        if (halfWidth == 0xFF73) {
            return U'ヴ';
        }
        return kaToTo || haToHo ? wide + 1 : 0;
    }
    return haToHo ? wide + 2 : 0;
}

// The shortest decimal text of a counter value: whole values as integers, others with up to
// 15 significant digits, so that "1.1" counts down to "0.1", not to a binary residue.
std::string counterText(double value) {
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        return std::to_string(static_cast<std::int64_t>(value));
    }
    char buffer[32];
    const auto [ptr, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return ec == std::errc() ? std::string(buffer, ptr) : std::string("0");
}

bool armed(const CarPanel& car) { return car.Chk_ChgCnter.value() == 1; }

// The reminder fragment for an armed counter. The counter is matched as text, not as a number:
// "05" or "+3" never match "3". Everything that sorts at or before "0" (empty, "0", negatives)
// means no laps left; UTF-8 byte order agrees with the platform's code-unit order for every
// text that can sort there, since those are empty or begin with an ASCII character.
std::string reminder(const std::string& counter, const AppSettings& settings) {
    const auto bracket = [](const std::string& text) { return " [ " + text + " ] "; };
    if (counter == "3") {
        return bracket(settings.AutoMessLap3);
    }
    if (counter == "2") {
        return bracket(settings.AutoMessLap2);
    }
    if (counter == "1") {
        return bracket(settings.AutoMessLap1);
    }
    if (counter.compare("0") <= 0) {
        return bracket(settings.AutoMessEmpty);
    }
    return std::string(1, ' ');
}

// A disarmed counter puts no reminder into the replies any more: the message last given stays
// in view without it, so the crew never reads a reminder the car is no longer sent.
void withdrawSentReminder(Host& host, int slot) {
    CarPanel& car = host.main.panel(slot);
    const RaceState& race = host.race;
    const std::string& reminderSent = race.AutoMessText[slot];
    const std::string& lastSent = race.OutMessText[slot];
    const std::string shown = "送信済：" + lastSent;
    if (reminderSent.find_first_not_of(' ') == std::string::npos || car.Lbl_SentMess.caption() != shown ||
        lastSent.size() < reminderSent.size() + race.OutMessSuffix.size()) {
        return;
    }
    const std::string typed =
        lastSent.substr(0, lastSent.size() - reminderSent.size() - race.OutMessSuffix.size());
    car.Lbl_SentMess.setCaption(typed.find_first_not_of(' ') == std::string::npos ? std::string()
                                                                                  : "送信済：" + typed);
}

}  // namespace

std::string FullWidth(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() * 3);
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::size_t start = pos;
        char32_t c = 0;
        if (!decode(utf8, pos, c)) {
            // Not ours to judge: a stray byte goes through as it came.
            out += utf8[start];
            pos = start + 1;
            continue;
        }
        if (c == U' ') {
            encode(U'\u3000', out);
        } else if (c >= 0x21 && c <= 0x7E) {
            encode(c - 0x21 + 0xFF01, out);
        } else if (c >= 0xFF61 && c <= 0xFF9F) {
            char32_t wide = kWideKana[c - 0xFF61];
            // A voicing mark that follows joins the kana before it where a combined form exists.
            std::size_t next = pos;
            char32_t mark = 0;
            if (next < utf8.size() && decode(utf8, next, mark) &&
                (mark == kVoicedMark || mark == kSemiVoicedMark)) {
                if (const char32_t joined = joinedKana(c, wide, mark); joined != 0) {
                    wide = joined;
                    pos = next;
                }
            }
            encode(wide, out);
        } else {
            encode(c, out);
        }
    }
    return out;
}

void ShowIncomingMessage(Host& host, int slot, const std::string& text) {
    CarPanel& car = host.main.panel(slot);
    car.Lbl_InMess.setCaption(text);
    if (text.empty()) {
        car.Time_MessBlk.setEnabled(false);
        car.Lbl_InMess.setBackColor(colours::White);
    } else {
        car.Time_MessBlk.setEnabled(true);
    }
}

void ComposeOutMessage(Host& host, int slot) {
    const CarPanel& car = host.main.panel(slot);
    RaceState& race = host.race;
    const auto i = static_cast<std::size_t>(slot);
    race.AutoMessText[i] = armed(car) ? reminder(car.Txt_ZanRunCnt.text(), race.Settings) : std::string();
    const std::string_view typed = sjis::firstChars(car.Txt_OutMess.text(), kOutMessMaxChars);
    race.OutMessText[i] = FullWidth(typed) + race.AutoMessText[i] + race.OutMessSuffix;
}

void NoteMessageSent(Host& host, int slot) {
    CarPanel& car = host.main.panel(slot);
    RaceState& race = host.race;
    race.SentTypedMess[slot] = car.Txt_OutMess.text();
    // The last message the driver was given stays in view while later replies carry none.
    const std::string& sent = race.OutMessText[slot];
    if (sent.find_first_not_of(' ') != std::string::npos) {
        car.Lbl_SentMess.setCaption("送信済：" + sent);
    }
}

void Time_MessBlk_Timer(Host& host, int slot) {
    Label& label = host.main.panel(slot).Lbl_InMess;
    label.setBackColor(label.backColor() == colours::Pink ? colours::LightYellow : colours::Pink);
}

void Chk_ChgCnter_Click(Host& host, int slot) {
    CarPanel& car = host.main.panel(slot);
    if (armed(car)) {
        car.Txt_ZanRunCnt.setEnabled(true);
        car.Txt_ZanRunCnt.setText(std::to_string(host.race.Settings.DefaultCheckLaps));
        car.Lbl_AutoMess1.setForeColor(colours::Black);
        car.Lbl_AutoMess2.setForeColor(colours::Black);
    } else {
        car.Txt_ZanRunCnt.setText("0");
        car.Txt_ZanRunCnt.setEnabled(false);
        withdrawSentReminder(host, slot);
        car.Lbl_AutoMess1.setForeColor(colours::Grey);
        car.Lbl_AutoMess2.setForeColor(colours::Grey);
    }
}

void CountDownLapsLeft(Host& host, int slot) {
    CarPanel& car = host.main.panel(slot);
    if (armed(car)) {
        // A text that is not a number can only be one the crew is still typing; leaving the box
        // will replace it, so the counter stays as it is and the lap goes on regardless.
        if (const auto value = numbers::numericValue(car.Txt_ZanRunCnt.text())) {
            car.Txt_ZanRunCnt.setText(counterText(*value - 1.0));
        }
    }
    // A message the car was sent has done its work; one typed while the car was away has not
    // reached the driver yet and stays for the next contact.
    RaceState& race = host.race;
    if (car.Txt_OutMess.text() == race.SentTypedMess[slot]) {
        car.Txt_OutMess.setText("");
        race.SentTypedMess[slot].clear();
    }
}

void Txt_ZanRunCnt_LostFocus(Host& host, int slot) {
    CarPanel& car = host.main.panel(slot);
    if (!numbers::isNumeric(car.Txt_ZanRunCnt.text())) {
        host.ports.dialogs.beep();
        car.Txt_ZanRunCnt.setText("0");
        host.ports.focus.setFocus(car.Txt_ZanRunCnt);
    }
}

}  // namespace rennik
