// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>

#include "win32/main_app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return vantrel::CMainApp().Run();
}
