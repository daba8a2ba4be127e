#pragma once

#include <string>
#include <string_view>

#include "core/host.h"

// Pit messages: what the host puts into every reply to the car, what the screen shows of the
// car's text, and the remaining-laps counter with its automatic pit-in reminders.
namespace rennik {

// The longest message the crew can type for the driver, in characters: about what a car's
// display shows at a glance. The box beeps at anything beyond it.
inline constexpr int kOutMessMaxChars = 60;

// Half-width characters (ASCII letters, digits, symbols and space, half-width katakana with
// their voicing marks) become their full-width counterparts; full-width text stays as it is.
std::string FullWidth(std::string_view utf8);

// The car's text (what follows the three-character lap field) shown in Lbl_InMess: a text
// starts the blink, an empty one stops it and turns the label white.
void ShowIncomingMessage(Host& host, int slot, const std::string& text);

// Rebuilds AutoMessText and OutMessText of the slot from the typed message (its first
// kOutMessMaxChars characters) and the counter; the reminder always goes out whole.
void ComposeOutMessage(Host& host, int slot);

// A reply has gone out with OutMessText: the typed message counts as sent, and the panel shows
// the last message the car was given.
void NoteMessageSent(Host& host, int slot);

// Blink of the car's text: pink and light yellow in turn.
void Time_MessBlk_Timer(Host& host, int slot);

// Arms or disarms the remaining-laps counter as the check box now stands.
void Chk_ChgCnter_Click(Host& host, int slot);

// The lap advance on silence: an armed counter counts one down, and the typed message is
// cleared if it went out in a reply; one typed since the last reply waits for the next contact.
void CountDownLapsLeft(Host& host, int slot);

// A counter that is not numeric is refused: beep, "0", and the focus back into the box.
void Txt_ZanRunCnt_LostFocus(Host& host, int slot);

}  // namespace rennik
