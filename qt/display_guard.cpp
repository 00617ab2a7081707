// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/display_guard.h"

#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace vantrel {

namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

[[noreturn]] void NoWindow(const std::string& why) {
    std::fprintf(stderr,
                 "vantrel: cannot open a window: %s; for camera work in a terminal, use "
                 "vantrel-cli\n",
                 why.c_str());
    std::fflush(stderr);
    std::_Exit(1);  // Qt is half made: nothing of it may run on the way out
}

// While the application is made: the platform plugin's complaints are
// held back, and its failure, fatal to Qt, ends the program in one line.
void StartMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg) {
        NoWindow(IsSet("DISPLAY")
                     ? "the display " + std::string(std::getenv("DISPLAY")) + " cannot be reached"
                     : std::string("the window system cannot be reached"));
    }
    if (context.category != nullptr && std::strncmp(context.category, "qt.qpa", 6) == 0) {
        return;
    }
    std::fprintf(stderr, "%s\n", qUtf8Printable(message));
}

}  // namespace

CDisplayGuard::CDisplayGuard() {
#if !defined(_WIN32) && !defined(__APPLE__)
    // X11 and Wayland are found by these; a platform chosen by hand
    // (offscreen, vnc) needs neither. Windows and macOS always have theirs.
    if (!IsSet("QT_QPA_PLATFORM") && !IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY")) {
        NoWindow("no display (neither DISPLAY nor WAYLAND_DISPLAY is set)");
    }
#endif
    qInstallMessageHandler(StartMessages);
}

CDisplayGuard::~CDisplayGuard() {
    Opened();
}

void CDisplayGuard::Opened() {
    if (m_guarding) {
        qInstallMessageHandler(nullptr);
        m_guarding = false;
    }
}

}  // namespace vantrel
