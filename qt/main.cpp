// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>

#include "qt/display_guard.h"
#include "qt/main_app.h"

int main(int argc, char** argv) {
    vantrel::CDisplayGuard display;
    QApplication application(argc, argv);
    display.Opened();
    // Wayland shells match the window to its desktop entry by this name.
    QApplication::setDesktopFileName("org.vantrel.Vantrel");
    return vantrel::CMainApp().InitInstance();
}
