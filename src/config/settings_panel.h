#pragma once

#include "core/host.h"

// The settings panel "環境設定": the seven settings of Rennik.ini in a grid of two columns,
// labels and values. Saving takes them into memory at once and writes them to the file.
namespace rennik {

// The most characters an automatic message keeps: what a car's display shows at a glance, and
// short enough that a reply always fits one datagram.
inline constexpr int kAutoMessMaxChars = 60;

void Btn_Mess_Click(Host& host);
void Btn_MessOk_Click(Host& host);
void Btn_MessCancel_Click(Host& host);

// The cursor moved to (col, row) from (fromCol, fromRow): it may stand in the value column only,
// so a move into the label column is taken back.
void Spd_Mess_CellChanged(Host& host, int col, int row, int fromCol, int fromRow);

}  // namespace rennik
