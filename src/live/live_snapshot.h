#pragma once

#include <string>

#include "core/main_screen.h"
#include "core/race_state.h"

// What a phone's live page shows of the run, as JSON: the texts the main screen shows, word for
// word, so the page can never tell the crew something the pit PC does not.
namespace rennik::live {

// The most recent laps the page lists, newest first.
inline constexpr int kLapsShown = 20;

std::string SnapshotJson(const MainScreen& screen, const RaceState& race);

// A JSON string: quotes, backslashes and control characters escaped; UTF-8 passed as it is.
std::string JsonString(std::string_view text);

}  // namespace rennik::live
