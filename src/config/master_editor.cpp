#include "config/master_editor.h"

#include "base/text_file.h"
#include "config/master_lists.h"
#include "config/master_writer.h"

namespace rennik {
namespace {

// Everything but the editor: the car panels and the race-wide panel.
void enableRestOfScreen(Host& host, bool on) {
    for (CarPanel& car : host.main.panels()) {
        car.Frm_Runner.setEnabled(on);
    }
    host.main.Frm_Main.setEnabled(on);
}

}  // namespace

void OpenEditorFrame(Host& host, Frame& frame, Grid& grid) {
    const Form& screen = host.main.form;
    frame.move((screen.width - frame.width()) / 2, (screen.height - frame.height()) / 2);
    frame.setVisible(true);
    enableRestOfScreen(host, false);
    host.ports.focus.setFocus(grid);
}

void CloseEditorFrame(Host& host, Frame& frame) {
    frame.setVisible(false);
    enableRestOfScreen(host, true);
}

MasterEditor CarEditor(Host& host) {
    return {host.main.Frm_Car, host.main.Spd_Car, host.race.CarFilePath, master::carFileBytes, LoadCarList};
}

MasterEditor CourseEditor(Host& host) {
    return {host.main.Frm_Course, host.main.Spd_Course, host.race.CourseFilePath, master::courseFileBytes,
            LoadCourseList};
}

MasterEditor DriverEditor(Host& host) {
    return {host.main.Frm_Drivers, host.main.Spd_Drivers, host.race.DriverFilePath, master::driverFileBytes,
            LoadDriverList};
}

void OpenMaster(Host& host, const MasterEditor& editor) {
    editor.load(host, true);
    OpenEditorFrame(host, editor.frame, editor.grid);
}

void SaveMaster(Host& host, const MasterEditor& editor) {
    if (const WriteResult written = text_file::writeBytesAtomic(editor.file, editor.fileBytes(editor.grid));
        !written) {
        host.ports.dialogs.messageBox({"ファイル " + text_file::pathToUtf8(editor.file) +
                                           " に書き込めません。\n" + FileErrorText(written) +
                                           "\n入力した内容は編集画面に残っています。",
                                       "Rennik1", MsgIcon::Exclamation, MsgButtons::Ok, Answer::Ok});
        host.ports.focus.setFocus(editor.grid);
        return;
    }
    CloseEditorFrame(host, editor.frame);
    editor.load(host, false);
}

void CancelMaster(Host& host, const MasterEditor& editor) { CloseEditorFrame(host, editor.frame); }

void DeleteMasterRow(const MasterEditor& editor, int col, int row) {
    Grid& grid = editor.grid;
    if (col != grid.buttonColumn()) {
        return;
    }
    const int rows = grid.rowCount();
    if (grid.deleteRow(row)) {
        grid.setRowCount(rows);
        grid.setActiveCell(1, 1);
    }
}

}  // namespace rennik
