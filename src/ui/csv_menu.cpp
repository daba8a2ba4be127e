#include "ui/csv_menu.h"

#include <QMenu>
#include <QPushButton>

#include <utility>

namespace rennik::ui {

void attachCsvMenu(QPushButton* button, std::function<void(CsvTable)> save) {
    auto* menu = new QMenu(button);
    const std::pair<QString, CsvTable> tables[] = {{QStringLiteral("ラップ表"), CsvTable::Laps},
                                                   {QStringLiteral("スティント表"), CsvTable::Stints},
                                                   {QStringLiteral("ドライバ表"), CsvTable::Drivers}};
    for (const auto& [caption, table] : tables) {
        menu->addAction(caption, button, [save, table = table] { save(table); });
    }
    button->setMenu(menu);
}

}  // namespace rennik::ui
