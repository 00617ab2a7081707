// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/main_app.h"

#include <QCoreApplication>
#include <cstdio>

#include "protocol/socket_library.h"
#include "qt/main_dlg.h"
#include "qt/message_box.h"
#include "qt/single_instance.h"
#include "qt/termination_signals.h"
#include "res/string_table.h"

namespace vantrel {

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
    const CSocketLibrary sockets;
    if (!sockets.Started()) {
        CMessageBox::Show(IDS_SOCKET_INIT_FAILED);
        return 0;
    }
    CMainDlg window;
    instance.OnShowRequested([&window] { window.ShowAndRaise(); });
    const CTerminationSignals termination([&window] { window.reject(); });
    window.exec();
    return 0;
}

}  // namespace vantrel
