// Rennik1: the pit-side host of one race car. Starts the program, or with --screenshot FILE
// writes a picture of the main screen and exits; --layout FILE keeps the main window's layout
// in FILE for trials that reach the controls by name.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#include <cstdlib>
#include <memory>

#include "base/text_file.h"
#include "ui/error_line.h"
#include "ui/japanese_font.h"
#include "ui/layout_dump.h"
#include "ui/program.h"
#include "ui/qt_translations.h"
#include "ui/session_guard.h"

int main(int argc, char* argv[]) {
    bool screenshot = false;
    for (int i = 1; i < argc; ++i) {
        screenshot = screenshot || QByteArray(argv[i]).startsWith("--screenshot");
    }
#ifndef Q_OS_WIN
    // A picture needs no display: without one it is drawn offscreen. With one (and always on
    // Windows) it is drawn for the real screen, at the size the crew sees.
    if (screenshot && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rennik1"));
    QApplication::setApplicationVersion(QStringLiteral("1.20"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Rennik1: pit-side lap timing host for one car"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption dirOption(QStringLiteral("dir"),
                                       QStringLiteral("Folder of Rennik.ini and the master files "
                                                      "(default: the program's own folder)."),
                                       QStringLiteral("DIR"));
    const QCommandLineOption shotOption(QStringLiteral("screenshot"),
                                        QStringLiteral("Load the main screen, write it as PNG and exit."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption layoutOption(
        QStringLiteral("layout"),
        QStringLiteral("Keep the main window's layout in FILE while the program runs: the screen's "
                       "available area and every named widget's visibility and global rectangle."),
        QStringLiteral("FILE"));
    parser.addOption(dirOption);
    parser.addOption(shotOption);
    parser.addOption(layoutOption);
    parser.process(app);

    const QString dir =
        parser.isSet(dirOption) ? parser.value(dirOption) : QCoreApplication::applicationDirPath();
    if (!QDir(dir).exists()) {
        rennik::ui::tellError(QStringLiteral("rennik1: no such folder: ") + dir);
        return EXIT_FAILURE;
    }
    // After the options, so that --help stays in one language.
    rennik::ui::loadQtTranslations();
    // One look on every desktop; the meter's bar takes the model's colour in this style.
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setFont(rennik::ui::japaneseFont());

    // The folder as UTF-8 into a path: a folder named in Japanese is kept on Windows too.
    rennik::ui::Program program(rennik::text_file::pathFromUtf8(QDir(dir).absolutePath().toStdString()));
    if (parser.isSet(shotOption)) {
        if (!program.screenshot(parser.value(shotOption))) {
            rennik::ui::tellError(QStringLiteral("rennik1: cannot write ") + parser.value(shotOption));
            return EXIT_FAILURE;
        }
        return EXIT_SUCCESS;
    }
    const rennik::ui::SessionGuard sessionGuard(program.host());
    std::unique_ptr<rennik::ui::LayoutDump> layout;
    if (parser.isSet(layoutOption)) {
        layout = std::make_unique<rennik::ui::LayoutDump>(parser.value(layoutOption));
    }
    program.start();
    return QApplication::exec();
}
