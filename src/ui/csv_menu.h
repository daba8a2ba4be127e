#pragma once

#include <functional>

#include "report/csv_save.h"

class QPushButton;

namespace rennik::ui {

// Gives a "CSV保存" button its menu of the run's tables: the laps, the stints and the drivers;
// `save` is called with the table chosen.
void attachCsvMenu(QPushButton* button, std::function<void(CsvTable)> save);

}  // namespace rennik::ui
