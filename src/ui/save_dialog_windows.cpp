#include "ui/save_dialog_windows.h"

#include <QDir>
#include <QWidget>

#include <algorithm>
#include <string>
#include <vector>

#include <windows.h>

#include <commdlg.h>

namespace rennik::ui {
namespace {

// The filter as Windows takes it: every description and pattern ended by a NUL, and one more
// NUL at the end.
std::wstring windowsFilter(const QString& filter) {
    std::wstring out;
    for (const QString& part : filter.split(QLatin1Char('|'))) {
        out += part.toStdWString();
        out += L'\0';
    }
    out += L'\0';
    return out;
}

}  // namespace

QString windowsSaveFileName(QWidget* parent, const QString& title, const QString& filter,
                            const QString& initialPath, int& chosenFilter) {
    const std::wstring titleText = title.toStdWString();
    const std::wstring filterText = windowsFilter(filter);
    // The dialog opens in the folder of the path it is given, with its name in the name box
    // (an initial folder of its own would give way to the folder Windows remembers).
    const std::wstring initial = QDir::toNativeSeparators(initialPath).toStdWString();
    std::vector<wchar_t> path(32768, L'\0');
    initial.copy(path.data(), std::min(initial.size(), path.size() - 1));

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = parent != nullptr ? reinterpret_cast<HWND>(parent->window()->winId()) : nullptr;
    ofn.lpstrFilter = filter.isEmpty() ? nullptr : filterText.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path.data();
    ofn.nMaxFile = static_cast<DWORD>(path.size());
    ofn.lpstrTitle = titleText.c_str();
    // The program's working folder stays where it was: the dialog would move it to the folder
    // chosen.
    ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    if (!GetSaveFileNameW(&ofn)) {
        return {};
    }
    chosenFilter = ofn.nFilterIndex > 0 ? static_cast<int>(ofn.nFilterIndex) - 1 : 0;
    return QDir::fromNativeSeparators(QString::fromWCharArray(path.data()));
}

}  // namespace rennik::ui
