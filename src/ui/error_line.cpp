#include "ui/error_line.h"

#include <QCoreApplication>

#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace rennik::ui {
namespace {

#ifdef Q_OS_WIN
bool errorStreamHandedOver() {
    if (GetConsoleWindow() != nullptr) {
        return true;
    }
    const DWORD type = GetFileType(GetStdHandle(STD_ERROR_HANDLE));
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}
#endif

}  // namespace

void tellError(const QString& line) {
#ifdef Q_OS_WIN
    if (!errorStreamHandedOver()) {
        const QString title = QCoreApplication::applicationName();
        MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(line.utf16()),
                    reinterpret_cast<const wchar_t*>(title.utf16()), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
        return;
    }
#endif
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

}  // namespace rennik::ui
