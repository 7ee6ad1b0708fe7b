// SPDX-License-Identifier: BSD-3-Clause
#include "SystemMenu.h"

#include <QWidget>

#include "DialogTemplates.h"

#ifdef Q_OS_WIN
#include <windows.h>

#include <string>
#endif

namespace vantrel {

bool AddAboutItem(QWidget& window) {
#ifdef Q_OS_WIN
    HMENU menu = ::GetSystemMenu(reinterpret_cast<HWND>(window.winId()), FALSE);
    if (menu == nullptr || kAboutMenuText.empty()) {
        return false;
    }
    const std::string text(kAboutMenuText);
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(menu, MF_STRING, kAboutCommand, text.c_str());
    return true;
#else
    // Other platforms' window managers own the window menu; Qt offers no way into it.
    static_cast<void>(window);
    return false;
#endif
}

}  // namespace vantrel
