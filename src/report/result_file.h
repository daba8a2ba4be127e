#pragma once

#include <filesystem>
#include <string>

#include "core/main_screen.h"
#include "core/race_state.h"

// The result of a run as a text file: the event header typed on the main screen, then for each
// measured car its lap lines and the per-driver summary. Read only from what the screen shows.
namespace rennik {

struct Host;

// The name the save dialog offers: the event name and the run's start, as
// "もてぎ 8時間_2026-12-08_0900.txt". Characters a file name cannot hold become "_"; without an
// event name or a run the name is made of what there is, "走行結果.txt" at the least.
std::string ResultFileName(const std::string& eventName, const LocalDateTime& start);

// The file's bytes: Shift-JIS, every line ending in CR LF, the last one included.
std::string ResultFileBytes(const MainScreen& screen);

// The folder in the data folder that the result of every run is written to at Stop.
inline constexpr const char* kResultsFolder = "results";

// The result written without asking at every Stop: results/<start>.txt in the data folder,
// "2026-12-07_0905.txt" (with "_2", "_3" for a second run begun in the same minute). A file that
// cannot be written is said in a box; the run itself stays in the run store.
void WriteRunResult(Host& host);

// Saves the result through the save dialog ("ファイル書込"). Cancel writes nothing; a file that
// cannot be written is said in a box naming it, and the screen stays as it was.
void Btn_Write_Click(Host& host);

// The same for any run's screen, such as an earlier run read back from the run store.
void SaveResultFile(Host& host, const MainScreen& screen, const LocalDateTime& start);

// Removes from `folder` the temporary files that saves of results cut short (the program killed,
// the power gone) left there: those of every ".txt" name, and those of `savedName` (a file name
// without its folder) whatever it ends in. Nothing else is touched.
void RemoveLeftoverResultTemporaries(const std::filesystem::path& folder, const std::string& savedName = {});

}  // namespace rennik
