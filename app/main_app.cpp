#include "app/main_app.h"

#include <QCoreApplication>
#include <cstdio>

#include "app/single_instance.h"
#include "app/termination_signals.h"
#include "dialogs/message_box.h"
#include "mainwindow/main_dlg.h"
#include "res/string_table.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <csignal>
#endif

namespace vantrel {

namespace {

// Windows needs its socket library started; elsewhere there is nothing to
// start, but a send to a closed connection must never end the program.
bool StartSockets() {
#ifdef _WIN32
    WSADATA data;
    return WSAStartup(MAKEWORD(1, 1), &data) == 0;
#else
    return std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
#endif
}

void StopSockets() {
#ifdef _WIN32
    WSACleanup();
#endif
}

}  // namespace

int CMainApp::InitInstance() {
    // Before anything else: a second copy opens no socket and no window.
    CSingleInstance instance(LoadText(IDS_CAPTION));
    switch (instance.Acquire()) {
        case CSingleInstance::Outcome::HandedOver:
            return 0;
        case CSingleInstance::Outcome::Failed:
            // Better a program without the one-copy rule than none at all;
            // a second copy then fails on the busy discovery port instead.
            std::fprintf(stderr, "vantrel: cannot keep to one copy (%s); running without it\n",
                         qPrintable(instance.ErrorText()));
            break;
        case CSingleInstance::Outcome::First:
            break;
    }
    if (!StartSockets()) {
        CMessageBox::Show(IDS_SOCKET_INIT_FAILED);
        return 0;
    }
    {
        CMainDlg window;
        instance.OnShowRequested([&window] { window.ShowAndRaise(); });
        const CTerminationSignals termination([&window] { window.reject(); });
        window.exec();
    }
    StopSockets();
    return 0;
}

}  // namespace vantrel
