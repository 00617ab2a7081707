// SPDX-License-Identifier: GPL-3.0-or-later
// Stands in for a system command (netsh) where the system has none that
// works, such as Wine's firewall: appends its whole command line to the
// file named by VANTREL_COMMAND_LOG, and succeeds.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int wmain() {
    const wchar_t* log = _wgetenv(L"VANTREL_COMMAND_LOG");
    if (log == nullptr) {
        return 1;
    }
    std::FILE* file = _wfopen(log, L"a");
    if (file == nullptr) {
        return 1;
    }
    std::fprintf(file, "%ls\n", GetCommandLineW());
    std::fclose(file);
    return 0;
}
