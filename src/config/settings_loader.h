#pragma once

#include <filesystem>

#include "base/file_error.h"

#include "config/app_settings.h"

namespace rennik {

// Fills `settings` from Rennik.ini at start-up, key by key in the order of the file. A missing
// or empty key takes its default, which is written back at once, so a first start creates the
// complete file. A write that fails is not reported: the program runs on with the values in
// memory.
void loadSettings(AppSettings& settings, const std::filesystem::path& iniPath);

// Writes all seven keys, in the order of the file; every key is tried. False when any write
// failed (the file cannot be read or written); the values in memory are unaffected.
WriteResult saveSettings(const AppSettings& settings, const std::filesystem::path& iniPath);

// True when Rennik.ini is there but cannot be read (no permission, a folder of that name, a link
// that leads to no file): the program then runs on the defaults and never writes over the file,
// and the crew must be told.
bool settingsFileUnreadable(const std::filesystem::path& iniPath);

}  // namespace rennik
