#pragma once

#include <filesystem>
#include <string>

#include "core/host.h"

// The pop-up editors of the main screen. An editor opens centred over the main screen with
// everything else disabled, so it behaves as a modal dialog, and closes by saving or cancelling.
// The three master editors (cars, courses, drivers) share one pattern, told here once: open
// refills the grid from the file, save writes the grid back and reloads the lists in full,
// cancel closes, and the delete button of a row takes it out.
namespace rennik {

// Opening and closing any pop-up editor: centre the frame on the main screen, show it, disable
// the car panels and Frm_Main, give the grid the focus; closing undoes all of it.
void OpenEditorFrame(Host& host, Frame& frame, Grid& grid);
void CloseEditorFrame(Host& host, Frame& frame);

// One master: its editor, its file, how a grid row becomes a line of the file, and its loader.
struct MasterEditor {
    Frame& frame;
    Grid& grid;
    const std::filesystem::path& file;
    // The file's bytes (Shift-JIS, CR LF) from the grid, every row of it.
    std::string (*fileBytes)(const Grid& grid);
    void (*load)(Host& host, bool gridOnly);
};

MasterEditor CarEditor(Host& host);
MasterEditor CourseEditor(Host& host);
MasterEditor DriverEditor(Host& host);

void OpenMaster(Host& host, const MasterEditor& editor);
// Writes the file. Only when it was written does the editor close and the lists reload; a file
// that cannot be written is said in a box and the editor stays open with everything typed.
void SaveMaster(Host& host, const MasterEditor& editor);
void CancelMaster(Host& host, const MasterEditor& editor);
// A press on the delete button of a row takes the row out; the rows below move up and an empty
// row comes in at the end, so the editor keeps its number of rows. Other columns do nothing.
void DeleteMasterRow(const MasterEditor& editor, int col, int row);

}  // namespace rennik
