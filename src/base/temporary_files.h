#pragma once

#include <filesystem>
#include <functional>
#include <string>

// The temporary files of the program's writes (text_file::writeBytesAtomic): how they are named,
// and the removal of those a write ended in the middle (the program killed, the power gone) left
// behind. A write holds its temporary file until it has been renamed over the file it replaces
// (a lock on POSIX, an open handle on Windows), which tells a leftover from a file still being
// written by another Rennik1 in the same folder.
namespace rennik::text_file {

// A fresh name beside `target` for a temporary file of its write: the target's name, ".tmp" and
// a number below a million in plain decimal ("Car.ini.tmp40721"). Two writes at once may draw the
// same name; the file is created only where none exists, and the loser draws again.
std::filesystem::path temporaryBeside(const std::filesystem::path& target);

// Removes from `folder` the leftovers of writes of the files whose names `ours` accepts: regular
// files named exactly "<name>.tmp<number>", the number as temporaryBeside writes it (1 to 6 digits,
// no leading zero). Nothing else is touched, nor a temporary file that a write still holds.
void removeLeftoverTemporaries(const std::filesystem::path& folder,
                               const std::function<bool(const std::string& name)>& ours);

// The same for the writes of one file: beside it and, for a link, beside the file it leads to.
void removeLeftoverTemporaries(const std::filesystem::path& file);

}  // namespace rennik::text_file
