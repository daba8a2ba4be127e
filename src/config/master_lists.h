#pragma once

namespace rennik {

struct Host;

// The loaders of the three master lists. Each refills its editor grid (Spd_Car, Spd_Course,
// Spd_Drivers) from its file and, unless gridOnly, empties and refills its selectors
// (Cmb_Car and Cmb_Driver of every car slot, Cmb_Course). The grid keeps 50 data rows, or
// one per record when the file holds more, so a later save writes every record back.
// A missing file is created empty; a file that cannot be read gives empty lists; lines that
// cannot be read as records are left out. Called with gridOnly when an editor opens, and in
// full by the main-screen load and after an editor saves.
void LoadCarList(Host& host, bool gridOnly);
void LoadCourseList(Host& host, bool gridOnly);
void LoadDriverList(Host& host, bool gridOnly);

}  // namespace rennik
