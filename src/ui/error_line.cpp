#include "ui/error_line.h"

#include <QCoreApplication>

#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace rennik::ui {
namespace {

#ifdef Q_OS_WIN
bool outputHandedOver() {
    if (GetConsoleWindow() != nullptr) {
        return true;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    return (startup.dwFlags & STARTF_USESTDHANDLES) != 0;
}
#endif

}  // namespace

void tellError(const QString& line) {
#ifdef Q_OS_WIN
    if (!outputHandedOver()) {
        const QString title = QCoreApplication::applicationName();
        MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(line.utf16()),
                    reinterpret_cast<const wchar_t*>(title.utf16()), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
        return;
    }
#endif
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

}  // namespace rennik::ui
