// SPDX-License-Identifier: GPL-3.0-or-later
// Looks at a running Vantrel window from another process, as accessibility
// tools and automation do, through the controls' own messages; and drives
// its dialogs the same way. Prints what it finds; exits 1 when a wait ran out.
//   window_probe lines                   the list's lines, one a line
//   window_probe wait-lines N MS         waits until the list has N lines
//   window_probe wait-status TEXT MS     waits until the line under the list holds TEXT
//   window_probe hide | shown            minimises to the tray; tells whether it shows
//   window_probe network LINE IP MASK GATEWAY DNS PASSWORD
//   window_probe upgrade LINE PASSWORD IMAGE
//   window_probe ping-until-status TEXT MS
//                                        WM_NULL every 200 ms until the status holds TEXT
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "protocol/socket.h"
#include "res/resource_ids.h"
#include "win32/wide_text.h"

using namespace vantrel;
using Clock = std::chrono::steady_clock;

namespace {

HWND MainWindow() {
    return FindWindowW(nullptr, L"Vantrel");
}

std::wstring TextOf(HWND window) {
    // WM_GETTEXT crosses processes; GetWindowText does not for controls.
    wchar_t text[1024] = {};
    SendMessageW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    return text;
}

std::vector<std::wstring> Lines(HWND window) {
    std::vector<std::wstring> lines;
    const HWND list = GetDlgItem(window, IDC_CAMERA_LIST);
    const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT line = 0; line < count; ++line) {
        wchar_t text[256] = {};
        SendMessageW(list, LB_GETTEXT, line, reinterpret_cast<LPARAM>(text));
        lines.emplace_back(text);
    }
    return lines;
}

bool WaitFor(const std::function<bool()>& done, int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (Clock::now() > end) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

void Print(const std::wstring& text) {
    std::printf("%s\n", Utf8(text).c_str());
    std::fflush(stdout);
}

// A top-level window of the program's, by the end of its caption.
HWND WindowEndingWith(const std::wstring& ending) {
    struct Search {
        std::wstring ending;
        HWND found = nullptr;
    } search{ending};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto& search = *reinterpret_cast<Search*>(data);
            const std::wstring caption = TextOf(window);
            if (IsWindowVisible(window) && caption.size() >= search.ending.size() &&
                caption.compare(caption.size() - search.ending.size(), std::wstring::npos,
                                search.ending) == 0) {
                search.found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A double-click on a line, as the list tells its window of one.
void DoubleClick(HWND window, int line) {
    const HWND list = GetDlgItem(window, IDC_CAMERA_LIST);
    // A click selects the line alone and puts the keyboard on it.
    SendMessageW(list, LB_SETSEL, FALSE, -1);
    SendMessageW(list, LB_SETSEL, TRUE, line);
    SendMessageW(list, LB_SETCARETINDEX, static_cast<WPARAM>(line), FALSE);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_CAMERA_LIST, LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(list));
}

void SetAddress(HWND dialog, int id, const wchar_t* address) {
    const std::uint32_t host = ntohl(inet_addr(Utf8(address).c_str()));
    SendDlgItemMessageW(dialog, id, IPM_SETADDRESS, 0, static_cast<LPARAM>(host));
}

void SetText(HWND control, const wchar_t* text) {
    SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// A window that the given one owns: a dialog's file chooser.
HWND OwnedBy(HWND owner) {
    struct Search {
        HWND owner;
        HWND found = nullptr;
    } search{owner};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto& search = *reinterpret_cast<Search*>(data);
            if (IsWindowVisible(window) && GetWindow(window, GW_OWNER) == search.owner) {
                search.found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The file name field of the system's open-file dialog.
HWND FileNameField(HWND chooser) {
    HWND found = nullptr;
    EnumChildWindows(
        chooser,
        [](HWND child, LPARAM data) -> BOOL {
            wchar_t type[32] = {};
            GetClassNameW(child, type, 32);
            const int id = GetDlgCtrlID(child);
            const int parent = GetDlgCtrlID(GetParent(child));
            if (std::wstring(type) == L"Edit" && (id == 0x480 || parent == 0x47C)) {
                *reinterpret_cast<HWND*>(data) = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

int Fail(const char* what) {
    std::fprintf(stderr, "window_probe: %s\n", what);
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    if (args.empty()) {
        return Fail("no command");
    }
    const HWND window = MainWindow();
    if (window == nullptr) {
        return Fail("no window captioned Vantrel");
    }
    const std::wstring& command = args[0];
    if (command == L"lines") {
        for (const std::wstring& line : Lines(window)) {
            Print(line);
        }
        return 0;
    }
    if (command == L"wait-lines" && args.size() == 3) {
        const std::size_t wanted = std::stoul(args[1]);
        if (!WaitFor([&] { return Lines(window).size() >= wanted; }, std::stoi(args[2]))) {
            return Fail("the lines did not come");
        }
        return 0;
    }
    if (command == L"wait-status" && args.size() == 3) {
        const HWND status = GetDlgItem(window, IDC_STATUS_LINE);
        const bool seen = WaitFor(
            [&] { return TextOf(status).find(args[1]) != std::wstring::npos; }, std::stoi(args[2]));
        Print(TextOf(status));
        return seen ? 0 : Fail("the status line did not say it");
    }
    if (command == L"hide") {
        PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        return WaitFor([&] { return !IsWindowVisible(window); }, 5000) ? 0 : Fail("still shown");
    }
    if (command == L"shown") {
        return IsWindowVisible(window) ? 0 : Fail("hidden");
    }
    if (command == L"network" && args.size() == 7) {
        DoubleClick(window, std::stoi(args[1]));
        HWND dialog = nullptr;
        if (!WaitFor([&] { return (dialog = WindowEndingWith(L" Network Settings")) != nullptr; },
                     5000)) {
            return Fail("no Network Settings dialog");
        }
        SetAddress(dialog, IDC_IP_ADDRESS, args[2].c_str());
        SetAddress(dialog, IDC_SUBNET_MASK, args[3].c_str());
        SetAddress(dialog, IDC_GATEWAY, args[4].c_str());
        SetAddress(dialog, IDC_DNS_SERVER, args[5].c_str());
        SetText(GetDlgItem(dialog, IDC_NETWORK_PASSWORD), args[6].c_str());
        SendDlgItemMessageW(dialog, IDOK, BM_CLICK, 0, 0);
        return WaitFor([&] { return !IsWindow(dialog); }, 5000) ? 0 : Fail("the dialog stayed");
    }
    if (command == L"upgrade" && args.size() == 4) {
        DoubleClick(window, std::stoi(args[1]));
        HWND dialog = nullptr;
        if (!WaitFor(
                [&] {
                    return (dialog = WindowEndingWith(L" Firmware Version & Upgrade")) != nullptr;
                },
                5000)) {
            return Fail("no Firmware dialog");
        }
        SetText(GetDlgItem(dialog, IDC_FIRMWARE_PASSWORD), args[2].c_str());
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_UPGRADE_SYSTEM, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_UPGRADE_SYSTEM)));
        HWND chooser = nullptr;
        HWND field = nullptr;
        if (!WaitFor(
                [&] {
                    chooser = OwnedBy(dialog);
                    field = chooser != nullptr ? FileNameField(chooser) : nullptr;
                    return field != nullptr;
                },
                10000)) {
            return Fail("no file chooser");
        }
        SetText(field, args[3].c_str());
        PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(chooser, IDOK)));
        // The upload has begun once its dialog's "Return" is disabled.
        return WaitFor([&] { return !IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)); }, 10000)
                   ? 0
                   : Fail("no upload began");
    }
    if (command == L"ping-until-status" && args.size() == 3) {
        const HWND status = GetDlgItem(window, IDC_STATUS_LINE);
        const auto end = Clock::now() + std::chrono::milliseconds(std::stoi(args[2]));
        long long longest = 0;
        int pings = 0;
        int unanswered = 0;
        int hung = 0;
        while (TextOf(status).find(args[1]) == std::wstring::npos && Clock::now() < end) {
            const auto sent = Clock::now();
            DWORD_PTR result = 0;
            if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) == 0) {
                ++unanswered;
            }
            hung += IsHungAppWindow(window) != FALSE ? 1 : 0;
            longest = std::max<long long>(
                longest,
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent).count());
            ++pings;
            Sleep(200);
        }
        std::printf("pings %d, unanswered %d, hung %d, longest answer %lld ms\n", pings, unanswered,
                    hung, longest);
        Print(TextOf(status));
        return unanswered == 0 && hung == 0 && Clock::now() < end ? 0 : Fail("the window stalled");
    }
    return Fail("unknown command");
}
