// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>

#include "app/main_app.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // Wayland shells match the window to its desktop entry by this name.
    QApplication::setDesktopFileName("org.vantrel.Vantrel");
    return vantrel::CMainApp().InitInstance();
}
