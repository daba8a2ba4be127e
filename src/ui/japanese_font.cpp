#include "ui/japanese_font.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace rennik::ui {
namespace {

constexpr double kPointSize = 10.0;
constexpr double kSmallestPointSize = 7.0;
// The main window is about this many lines of its font tall.
constexpr int kWindowLines = 38;

// In order of preference: the design's face, the Japanese UI faces of Windows, then the Gothic
// faces of Linux desktops. Wine in a Japanese locale may list a face by its Japanese name only.
QStringList preferredFaces() {
    return {
        QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),   QStringLiteral("Meiryo UI"),
        QStringLiteral("Yu Gothic UI"),    QStringLiteral("MS UI Gothic"), QStringLiteral("Meiryo"),
        QStringLiteral("メイリオ"),        QStringLiteral("IPAPGothic"),   QStringLiteral("IPA Pゴシック"),
        QStringLiteral("IPAGothic"),       QStringLiteral("IPAexGothic"),  QStringLiteral("Noto Sans CJK JP"),
        QStringLiteral("VL PGothic"),      QStringLiteral("TakaoPGothic")};
}

// Faces of the system that write Japanese, the Gothic (sans-serif) ones first.
QStringList japaneseFaces() {
    QStringList gothic;
    QStringList other;
    for (const QString& family : QFontDatabase::families(QFontDatabase::Japanese)) {
        const bool sans = family.contains(QStringLiteral("Gothic"), Qt::CaseInsensitive) ||
                          family.contains(QStringLiteral("ゴシック")) ||
                          family.contains(QStringLiteral("Sans"), Qt::CaseInsensitive);
        (sans ? gothic : other) << family;
    }
    return gothic + other;
}

}  // namespace

int tallestLine(double dotsPerInch, int availableHeight) {
    const double characters = kPointSize * (dotsPerInch > 0 ? dotsPerInch : 96.0) / 72.0;
    return std::max(
        1, std::min(static_cast<int>(std::lround(characters * 4.0 / 3.0)), availableHeight / kWindowLines));
}

QFont fitToLine(QFont font, int maxLine) {
    double size = font.pointSizeF() > 0 ? font.pointSizeF() : kPointSize;
    font.setPointSizeF(size);
    while (QFontMetrics(font).height() > maxLine && size > kSmallestPointSize) {
        size -= 0.5;
        font.setPointSizeF(size);
    }
    return font;
}

QFont japaneseFont() {
    QStringList families;
    for (const QString& name : preferredFaces()) {
        if (QFontDatabase::hasFamily(name)) {
            families << name;
        }
    }
    if (families.isEmpty()) {
        families = japaneseFaces();
    }
    QFont font;
    families << font.family();
    font.setFamilies(families);
    font.setPointSizeF(kPointSize);
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return font;
    }
    return fitToLine(font, tallestLine(screen->logicalDotsPerInch(), screen->availableGeometry().height()));
}

}  // namespace rennik::ui
