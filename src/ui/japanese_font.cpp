#include "ui/japanese_font.h"

#include <QFontDatabase>
#include <QStringList>

namespace rennik::ui {

QFont japaneseFont() {
    const QStringList wanted = {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                                QStringLiteral("IPAPGothic"),      QStringLiteral("IPAGothic"),
                                QStringLiteral("IPAexGothic"),     QStringLiteral("Noto Sans CJK JP"),
                                QStringLiteral("VL PGothic"),      QStringLiteral("TakaoPGothic")};
    const QStringList installed = QFontDatabase::families();
    QStringList families;
    for (const QString& name : wanted) {
        if (installed.contains(name, Qt::CaseInsensitive)) {
            families << name;
        }
    }
    QFont font;
    families << font.family();
    font.setFamilies(families);
    font.setPointSize(10);
    return font;
}

}  // namespace rennik::ui
