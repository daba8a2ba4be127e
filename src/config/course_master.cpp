#include "config/course_master.h"

#include "base/numbers.h"
#include "config/master_editor.h"

namespace rennik {

void Btn_Cource_Click(Host& host) { OpenMaster(host, CourseEditor(host)); }
void Btn_CourceOK_Click(Host& host) { SaveMaster(host, CourseEditor(host)); }
void Btn_CourceCancel_Click(Host& host) { CancelMaster(host, CourseEditor(host)); }
void Spd_Course_ButtonClicked(Host& host, int col, int row) { DeleteMasterRow(CourseEditor(host), col, row); }

void Cmb_Course_LostFocus(Host& host) {
    ComboBox& selector = host.main.Cmb_Course;
    selector.setBackColor(colours::White);
    // Column 1 of an entry is the length in whole metres, as the loader wrote it; a box that
    // stands on no entry has no course, and the fuel account waits for one.
    const std::string length = ComboBox::column(selector.currentEntry(), 1);
    host.race.CourseLength = numbers::toInt32(numbers::leadingNumber(length)).value_or(0);
}

}  // namespace rennik
