// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows window under Wine: its real controls, driven by their own
// messages, against cameras on loopback.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <thread>

#include "cameras/camera_line.h"
#include "protocol/socket.h"
#include "protocol/text_field.h"
#include "res/resource_ids.h"
#include "res/string_table.h"
#include "tests/test_sockets.h"
#include "tests/upgrade_camera.h"
#include "win32/batch_upgrade_dlg.h"
#include "win32/file_chooser.h"
#include "win32/firmware_dlg.h"
#include "win32/image_file_chooser.h"
#include "win32/main_dlg.h"
#include "win32/message_box.h"
#include "win32/network_dlg.h"
#include "win32/site_dlg.h"
#include "win32/wide_text.h"

using namespace vantrel;
using namespace std::chrono_literals;

namespace {

CameraRecord Camera(const char* id, const char* ip, std::uint8_t subnetMatch = 1,
                    std::uint32_t appVersion = 0x01000001) {
    CameraRecord camera{};
    StoreFieldText(camera.id, id);
    StoreFieldText(camera.alias, id);
    camera.ip = inet_addr(ip);
    camera.mask = inet_addr("255.255.255.0");
    camera.gateway = camera.dns = (camera.ip & camera.mask) | htonl(1);
    camera.httpPort = htons(80);
    camera.appVersion = appVersion;
    camera.subnetMatch = subnetMatch;
    camera.seen = 1;
    return camera;
}

// Runs the thread's messages, as the program's loop would.
void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds most = 10s) {
    const auto end = std::chrono::steady_clock::now() + most;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        Pump();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> ReceiveDatagram(SocketHandle socket, int timeoutMs) {
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(socket, &ready);
    timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    if (select(0, &ready, nullptr, nullptr, &wait) != 1) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(2048);
    const int got =
        recv(socket, reinterpret_cast<char*>(bytes.data()), static_cast<int>(bytes.size()), 0);
    bytes.resize(static_cast<std::size_t>(std::max(0, got)));
    return bytes;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

// The dialog box of this thread that is up and takes input, other than
// the ones named.
HWND ModalDialog(HWND besides) {
    struct Search {
        HWND besides;
        HWND found;
    } search{besides, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            auto& search = *reinterpret_cast<Search*>(data);
            if (window != search.besides && ClassOf(window) == L"#32770" &&
                IsWindowVisible(window) && IsWindowEnabled(window)) {
                search.found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Runs the action on the next modal dialog once it is up, from inside its
// own message loop, as a user's clicks would come.
class WhenModal {
  public:
    WhenModal(HWND besides, std::function<void(HWND)> action)
        : m_besides(besides), m_action(std::move(action)) {
        s_current = this;
        m_timer = SetTimer(nullptr, 0, 20, &Tick);
    }
    ~WhenModal() {
        KillTimer(nullptr, m_timer);
        s_current = nullptr;
    }
    [[nodiscard]] bool Ran() const { return m_ran; }

  private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        WhenModal* self = s_current;
        if (self == nullptr || self->m_ran) {
            return;
        }
        if (const HWND dialog = ModalDialog(self->m_besides)) {
            self->m_ran = true;
            self->m_action(dialog);
        }
    }
    static inline WhenModal* s_current = nullptr;
    HWND m_besides;
    std::function<void(HWND)> m_action;
    UINT_PTR m_timer = 0;
    bool m_ran = false;
};

void SetAddress(HWND dialog, int id, const char* address) {
    const std::uint32_t host = ntohl(inet_addr(address));
    SendDlgItemMessageW(dialog, id, IPM_SETADDRESS, 0, static_cast<LPARAM>(host));
}

void Click(HWND dialog, int id) {
    SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0);
}

std::string Utf8Path(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {reinterpret_cast<const char*>(text.data()), text.size()};
}

std::filesystem::path TempFile(const char* name, const std::string& bytes) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

class Win32Test : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_INTERNET_CLASSES |
                                                           ICC_PROGRESS_CLASS | ICC_BAR_CLASSES |
                                                           ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&controls);
    }
    void SetUp() override { CMessageBox::StartRecording(); }
    void TearDown() override {
        CMessageBox::StopRecording();
        CImageFileChooser::SetNextAnswer(std::nullopt);
        // Whatever the test queued for the next chooser is not left for others.
        (void)CImageFileChooser::Choose(nullptr);
    }
};

class MainWindowTest : public Win32Test {
  protected:
    void SetUp() override {
        Win32Test::SetUp();
        m_camera = std::make_unique<test::LoopbackUdp>();
        DiscoveryConfig config;
        config.port = ntohs(test::LoopbackUdp().port);
        config.destination = test::LoopbackAddress();
        config.destinationPort = ntohs(m_camera->port);
        config.clock = [this] { return m_now.load(); };
        SessionConfig session{config};
        Configure(session);
        m_window = std::make_unique<CMainDlg>(std::move(session));
        m_window->SetWebPageOpener([this](const std::wstring& url) { m_opened.push_back(url); });
        ASSERT_NE(m_window->Create(), nullptr);
        // The first search, so that later datagrams are the window's doing.
        const auto first = ReceiveDatagram(m_camera->socket.Get(), 5000);
        ASSERT_TRUE(first && first->size() == 27);
        PumpUntil([] { return false; }, 50ms);
    }
    void TearDown() override {
        m_window.reset();
        m_camera.reset();
        Win32Test::TearDown();
    }

    // What a fixture changes in the session's config beyond the worker's.
    virtual void Configure(SessionConfig& /*config*/) {}

    HWND Window() const { return m_window->Handle(); }
    HWND List() const { return GetDlgItem(Window(), IDC_CAMERA_LIST); }
    std::vector<std::wstring> Lines() const {
        std::vector<std::wstring> lines;
        const auto count = SendMessageW(List(), LB_GETCOUNT, 0, 0);
        for (LRESULT line = 0; line < count; ++line) {
            std::wstring text(
                static_cast<std::size_t>(SendMessageW(List(), LB_GETTEXTLEN, line, 0)), L'\0');
            SendMessageW(List(), LB_GETTEXT, line, reinterpret_cast<LPARAM>(text.data()));
            lines.push_back(text);
        }
        return lines;
    }
    std::vector<std::wstring> LinesOf(std::initializer_list<CameraRecord> cameras) const {
        std::vector<std::wstring> lines;
        for (const CameraRecord& camera : cameras) {
            lines.push_back(Wide(CameraLineText(camera)));
        }
        return lines;
    }
    void Found(const CameraRecord& camera) { m_window->Session().OnCamerasFound({camera}); }
    // These cameras answer one search; then comes its refresh tick.
    void Search(std::initializer_list<CameraRecord> answers) {
        for (const CameraRecord& camera : answers) {
            Found(camera);
        }
        m_window->Session().OnCameraRefresh();
    }
    int Selected() const { return m_window->List().SelectedLine(); }
    // As a click on the line: it alone selected, the keyboard on it.
    void Select(int line) {
        SendMessageW(List(), LB_SETSEL, FALSE, -1);
        SendMessageW(List(), LB_SETSEL, TRUE, line);
        SendMessageW(List(), LB_SETCARETINDEX, static_cast<WPARAM>(line), FALSE);
    }
    void DoubleClick() {
        SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(IDC_CAMERA_LIST, LBN_DBLCLK),
                     reinterpret_cast<LPARAM>(List()));
    }
    LPARAM LinePoint(int line) const {
        RECT rect{};
        SendMessageW(List(), LB_GETITEMRECT, static_cast<WPARAM>(line),
                     reinterpret_cast<LPARAM>(&rect));
        return MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    }
    std::wstring Tooltip() const {
        wchar_t text[1024] = {};
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = Window();
        tool.uId = reinterpret_cast<UINT_PTR>(List());
        tool.lpszText = text;
        SendMessageW(m_window->List().Tooltip(), TTM_GETTEXTW, std::size(text),
                     reinterpret_cast<LPARAM>(&tool));
        return text;
    }

    std::unique_ptr<test::LoopbackUdp> m_camera;
    std::atomic<std::uint64_t> m_now{1000};
    std::unique_ptr<CMainDlg> m_window;
    std::vector<std::wstring> m_opened;
};

}  // namespace

TEST_F(Win32Test, TheResourcesHoldTheStringTableAndTheTemplatesControls) {
    for (int id = 100; id <= 140; ++id) {
        EXPECT_EQ(CMessageBox::Text(id), Wide(LoadText(id))) << "string " << id;
    }
    // Each template with its controls, by id and class.
    const std::pair<int, const wchar_t*> network[] = {{IDC_IP_ADDRESS, WC_IPADDRESSW},
                                                      {IDC_SUBNET_MASK, WC_IPADDRESSW},
                                                      {IDC_GATEWAY, WC_IPADDRESSW},
                                                      {IDC_DNS_SERVER, WC_IPADDRESSW},
                                                      {IDC_HTTP_PORT, L"Edit"},
                                                      {IDC_NETWORK_PASSWORD, L"Edit"},
                                                      {IDC_USING_DHCP, L"Button"},
                                                      {IDOK, L"Button"},
                                                      {IDCANCEL, L"Button"}};
    CNetworkDlg networkDialog;
    StoreFieldText(networkDialog.m_record.alias, "Door");
    std::wstring caption;
    {
        const WhenModal up(nullptr, [&](HWND dialog) {
            caption = TextOf(dialog);
            for (const auto& [id, type] : network) {
                EXPECT_EQ(ClassOf(GetDlgItem(dialog, id)), type) << id;
            }
            EXPECT_NE(
                GetWindowLongW(GetDlgItem(dialog, IDC_NETWORK_PASSWORD), GWL_STYLE) & ES_PASSWORD,
                0);
            EXPECT_EQ(TextOf(GetDlgItem(dialog, IDOK)), L"Set");
            Click(dialog, IDCANCEL);
        });
        EXPECT_EQ(networkDialog.DoModal(nullptr), IDCANCEL);
    }
    EXPECT_EQ(caption, L"Door Network Settings");

    const int firmware[] = {
        IDC_SYSTEM_VERSION,  IDC_APP_VERSION,    IDC_PASSWORD_LABEL,      IDC_FIRMWARE_PASSWORD,
        IDC_UPLOAD_PROGRESS, IDC_UPGRADE_SYSTEM, IDC_UPGRADE_APPLICATION, IDCANCEL};
    CFirmwareDlg firmwareDialog;
    StoreFieldText(firmwareDialog.m_record.alias, "Door");
    {
        const WhenModal up(nullptr, [&](HWND dialog) {
            caption = TextOf(dialog);
            for (const int id : firmware) {
                EXPECT_NE(GetDlgItem(dialog, id), nullptr) << id;
            }
            EXPECT_EQ(GetDlgItem(dialog, IDOK), nullptr);
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_UPLOAD_PROGRESS)));
            Click(dialog, IDCANCEL);
        });
        EXPECT_EQ(firmwareDialog.DoModal(nullptr), IDCANCEL);
    }
    EXPECT_EQ(caption, L"Door Firmware Version & Upgrade");
}

TEST_F(MainWindowTest, MirrorsTheCamerasWithTheTwoMissGrace) {
    EXPECT_EQ(TextOf(Window()), L"Vantrel");
    const CameraRecord a = Camera("A", "10.0.0.1"), b = Camera("B", "10.0.0.2"),
                       c = Camera("C", "10.0.0.3");
    Search({a, b, c});
    EXPECT_EQ(Lines(), LinesOf({a, b, c}));
    EXPECT_TRUE(m_window->List().Placeholder().empty());

    // A new address shows after the next tick; a camera that misses one
    // search keeps its line, and goes after the second.
    CameraRecord moved = b;
    moved.ip = inet_addr("10.0.0.20");
    Found(moved);
    Found(c);
    EXPECT_EQ(Lines(), LinesOf({a, b, c}));
    m_window->Session().OnCameraRefresh();
    EXPECT_EQ(Lines(), LinesOf({a, moved, c}));
    Search({moved, c});
    EXPECT_EQ(Lines(), LinesOf({moved, c}));
    Search({});
    Search({});
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(m_window->List().Placeholder(), Wide(m_window->Session().EmptyText()));
    EXPECT_FALSE(m_window->List().Placeholder().empty());
}

TEST_F(MainWindowTest, TheSelectionStaysOnItsCameraAndNeverLandsOnAnother) {
    const CameraRecord a = Camera("A", "10.0.0.1"), b = Camera("B", "10.0.0.2"),
                       c = Camera("C", "10.0.0.3");
    Search({a, b, c});
    Select(2);
    // The first camera goes: the chosen one moves up with its line.
    Search({b, c});
    Search({b, c});
    ASSERT_EQ(Lines(), LinesOf({b, c}));
    EXPECT_EQ(Selected(), 1);
    // The chosen camera goes: nothing is selected, not its neighbour.
    Search({b});
    Search({b});
    ASSERT_EQ(Lines(), LinesOf({b}));
    EXPECT_EQ(Selected(), -1);
    // With nothing selected a right press beside the lines opens no menu,
    // and a double-click does nothing.
    bool menuOpened = false;
    const UINT_PTR probe = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
    SendMessageW(Window(), CMainDlg::WM_LIST_RBUTTON, 0, MAKELPARAM(5, 400));
    menuOpened = FindWindowW(L"#32768", nullptr) != nullptr &&
                 IsWindowVisible(FindWindowW(L"#32768", nullptr));
    KillTimer(nullptr, probe);
    EXPECT_FALSE(menuOpened);
    DoubleClick();
    EXPECT_TRUE(m_opened.empty());
}

// A flood's worth of lines, then every other one ageing out at once.
TEST_F(MainWindowTest, ThousandsOfLinesComeAndGoAndTheViewStaysOnItsCameras) {
    std::vector<CameraRecord> all;
    std::vector<CameraRecord> even;
    for (int n = 0; n < 4000; ++n) {
        char id[16];
        std::snprintf(id, sizeof id, "%c%04d", n == 1502 ? 'Q' : 'P', n);
        all.push_back(Camera(id, "10.0.0.9"));
        if (n % 2 == 0) {
            even.push_back(all.back());
        }
    }
    const auto answer = [this](const std::vector<CameraRecord>& cameras) {
        m_window->Session().OnCamerasFound(cameras);
        m_window->Session().OnCameraRefresh();
    };
    answer(all);
    ASSERT_EQ(SendMessageW(List(), LB_GETCOUNT, 0, 0), 4000);
    SendMessageW(List(), LB_SELITEMRANGEEX, 1500, 1502);
    SendMessageW(List(), LB_SETCARETINDEX, 1502, FALSE);
    SendMessageW(List(), LB_SETTOPINDEX, 1491, 0);

    answer(even);
    answer(even);
    std::vector<std::wstring> expected;
    for (const CameraRecord& camera : even) {
        expected.push_back(Wide(CameraLineText(camera)));
    }
    EXPECT_EQ(Lines(), expected);
    // 1500 and 1502 stay, now 750 and 751; 1501 went. The keyboard stays
    // on its camera, and the top line is the one that came after 1491.
    EXPECT_EQ(m_window->List().SelectedLines(), (std::vector<int>{750, 751}));
    EXPECT_EQ(m_window->List().CaretLine(), 751);
    EXPECT_EQ(SendMessageW(List(), LB_GETTOPINDEX, 0, 0), 746);

    // A letter goes to the next line starting with it, as in a list of
    // strings, and from the last line on to the first.
    SendMessageW(List(), WM_CHAR, L'q', 0);
    EXPECT_EQ(m_window->List().SelectedLines(), std::vector<int>{751});
    SendMessageW(List(), WM_CHAR, L'p', 0);
    EXPECT_EQ(m_window->List().SelectedLines(), std::vector<int>{752});
    SendMessageW(List(), LB_SETCARETINDEX, 1999, FALSE);
    SendMessageW(List(), WM_CHAR, L'P', 0);
    EXPECT_EQ(m_window->List().SelectedLines(), std::vector<int>{0});
    // Another process asks the system for a line's text, which carries it
    // only from a list that says it has strings.
    EXPECT_NE(GetWindowLongPtrW(List(), GWL_STYLE) & LBS_HASSTRINGS, 0);
    EXPECT_EQ(SendMessageW(List(), LB_GETTEXTLEN, 2000, 0), LB_ERR);
    wchar_t text[8] = L"kept";
    EXPECT_EQ(
        SendMessageW(List(), LB_GETTEXT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text)),
        LB_ERR);
    EXPECT_STREQ(text, L"kept");
}

TEST_F(MainWindowTest, ALinesTooltipTellsItsCameraAndTheOthersOnItsAddress) {
    CameraRecord a = Camera("CAM-A", "192.168.1.10"), b = Camera("CAM-B", "192.168.1.10"),
                 c = Camera("CAM-C", "192.168.1.11");
    Search({a, b, c});
    SendMessageW(List(), WM_MOUSEMOVE, 0, LinePoint(0));
    const std::wstring first = Tooltip();
    EXPECT_NE(first.find(L"CAM-A"), std::wstring::npos) << first;
    EXPECT_NE(first.find(L"Same address as CAM-B"), std::wstring::npos) << first;
    EXPECT_NE(first.find(L"192.168.1.10"), std::wstring::npos) << first;
    SendMessageW(List(), WM_MOUSEMOVE, 0, LinePoint(2));
    const std::wstring third = Tooltip();
    EXPECT_NE(third.find(L"CAM-C"), std::wstring::npos) << third;
    EXPECT_EQ(third.find(L"Same address"), std::wstring::npos) << third;
}

TEST_F(MainWindowTest, ARightPressSelectsTheLineAndTheMenuOffersWhatItCan) {
    Search({Camera("A", "10.0.0.1"), Camera("FAR", "172.16.0.9", 0)});
    struct Seen {
        bool open = false;
        UINT access = 0;
        UINT firmware = 0;
    };
    static Seen seen;
    static HMENU menu;
    menu = GetSubMenu(m_window->Menu(), 0);
    for (const int line : {0, 1}) {
        seen = {};
        const UINT_PTR probe = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
            seen.open = true;
            seen.access = GetMenuState(menu, ID_ACCESS_CAMERA, MF_BYCOMMAND);
            seen.firmware = GetMenuState(menu, ID_FIRMWARE, MF_BYCOMMAND);
            EndMenu();
        });
        SendMessageW(List(), WM_RBUTTONDOWN, MK_RBUTTON, LinePoint(line));
        SendMessageW(List(), WM_RBUTTONUP, 0, LinePoint(line));
        PumpUntil([] { return seen.open; }, 3s);
        KillTimer(nullptr, probe);
        EXPECT_EQ(Selected(), line);
        EXPECT_TRUE(seen.open) << line;
        EXPECT_EQ((seen.access & MF_GRAYED) != 0, line == 1) << line;
        EXPECT_EQ(seen.firmware & MF_GRAYED, 0u) << line;
    }
    wchar_t text[64] = {};
    GetMenuStringW(menu, ID_FIRMWARE, text, 64, MF_BYCOMMAND);
    EXPECT_EQ(std::wstring(text), L"Firmware Version && Upgrade");
}

TEST_F(MainWindowTest, TheMenuKeyOpensTheMenuAtTheLineTheKeyboardIsOn) {
    Search({Camera("A", "10.0.0.1"), Camera("B", "10.0.0.2")});
    SendMessageW(List(), LB_SETCARETINDEX, 1, FALSE);
    static bool open;
    open = false;
    const UINT_PTR probe = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
        open = true;
        EndMenu();
    });
    // What the menu key and Shift+F10 send a control.
    SendMessageW(List(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(List()), MAKELPARAM(-1, -1));
    PumpUntil([] { return open; }, 3s);
    KillTimer(nullptr, probe);
    EXPECT_TRUE(open);
    EXPECT_EQ(Selected(), 1);
}

TEST_F(MainWindowTest, ASocketErrorClosesAnOpenCameraDialogAndSendsNothing) {
    Search({Camera("FAR", "172.16.0.9", 0)});
    Select(0);
    const WhenModal up(Window(), [&](HWND dialog) {
        SetAddress(dialog, IDC_IP_ADDRESS, "127.0.0.50");
        m_window->Session().PostSocketError();
    });
    DoubleClick();
    EXPECT_TRUE(up.Ran());
    EXPECT_TRUE(PumpUntil([&] { return m_window->Handle() == nullptr; }));
    EXPECT_EQ(CMessageBox::TakeRecorded(), std::vector<int>{IDS_SOCKET_ERROR});
    EXPECT_FALSE(ReceiveDatagram(m_camera->socket.Get(), 300).has_value());
}

TEST_F(MainWindowTest, ADoubleClickDoesTheLinesOneThing) {
    CameraRecord ready = Camera("READY", "10.0.0.1");
    ready.httpPort = htons(8080);
    Search({ready, Camera("FAR", "172.16.0.9", 0, 0), Camera("BARE", "10.0.0.3", 1, 0)});
    Select(0);
    DoubleClick();
    EXPECT_EQ(m_opened, std::vector<std::wstring>{L"http://10.0.0.1:8080"});

    std::wstring caption;
    for (const int line : {1, 2}) {
        Select(line);
        const WhenModal up(Window(), [&](HWND dialog) {
            caption = TextOf(dialog);
            Click(dialog, IDCANCEL);
        });
        DoubleClick();
        EXPECT_TRUE(up.Ran());
        EXPECT_EQ(caption,
                  line == 1 ? L"FAR Network Settings" : L"BARE Firmware Version & Upgrade");
    }
    EXPECT_EQ(m_opened.size(), 1u);
}

TEST_F(MainWindowTest, AcceptedSettingsGoOutOnceAndTheStatusLineFollowsThem) {
    const CameraRecord foreign = Camera("FAR", "172.16.0.9", 0);
    Search({foreign});
    Select(0);
    const WhenModal up(Window(), [&](HWND dialog) {
        SetAddress(dialog, IDC_IP_ADDRESS, "127.0.0.50");
        SetAddress(dialog, IDC_SUBNET_MASK, "255.0.0.0");
        SetAddress(dialog, IDC_GATEWAY, "127.0.0.1");
        SetAddress(dialog, IDC_DNS_SERVER, "127.0.0.1");
        SetDlgItemTextW(dialog, IDC_NETWORK_PASSWORD, L"secret");
        Click(dialog, IDOK);
    });
    DoubleClick();
    ASSERT_TRUE(up.Ran());
    const auto request = ReceiveDatagram(m_camera->socket.Get(), 3000);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->size(), 82u);
    EXPECT_TRUE(CMessageBox::TakeRecorded().empty());

    // The camera answers with what was asked: the line under the list says so.
    CameraRecord moved = foreign;
    moved.ip = inet_addr("127.0.0.50");
    moved.mask = inet_addr("255.0.0.0");
    moved.gateway = moved.dns = inet_addr("127.0.0.1");
    moved.subnetMatch = 1;
    Search({moved});
    Search({moved});
    EXPECT_TRUE(IsWindowVisible(m_window->StatusLine()));
    const std::wstring status = TextOf(m_window->StatusLine());
    EXPECT_NE(status.find(L"FAR: answers with its new settings"), std::wstring::npos) << status;
}

TEST_F(MainWindowTest, MinimisingHidesToTheTrayAndItsPressBringsItBack) {
    SendMessageW(Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(IsWindowVisible(Window()));
    SendMessageW(Window(), CMainDlg::WM_TRAY_NOTIFY, IDI_MAIN, WM_RBUTTONDOWN);
    EXPECT_FALSE(IsWindowVisible(Window()));
    SendMessageW(Window(), CMainDlg::WM_TRAY_NOTIFY, IDI_MAIN, WM_LBUTTONDOWN);
    EXPECT_TRUE(IsWindowVisible(Window()));
    EXPECT_FALSE(IsIconic(Window()));
}

TEST_F(MainWindowTest, WrongPasswordResultsTellOnceAndOtherResultsNothing) {
    for (const std::uint16_t result : {0, 2, 3, 4, 7, 1, 5, 6}) {
        m_window->Session().OnSetNetworkResult(result);
    }
    EXPECT_EQ(
        CMessageBox::TakeRecorded(),
        (std::vector<int>{IDS_INCORRECT_PASSWORD, IDS_INCORRECT_PASSWORD, IDS_INCORRECT_PASSWORD}));
    EXPECT_NE(Window(), nullptr);
}

TEST_F(MainWindowTest, ASocketErrorTellsAndEndsTheWindowThroughItsShutdown) {
    Search({Camera("A", "10.0.0.1")});
    m_window->Session().PostSocketError();
    EXPECT_TRUE(PumpUntil([&] { return m_window->Handle() == nullptr; }));
    EXPECT_EQ(CMessageBox::TakeRecorded(), std::vector<int>{IDS_SOCKET_ERROR});
    EXPECT_FALSE(m_window->Session().Searching());
}

TEST_F(MainWindowTest, EnterAndEscapeEndTheWindow) {
    for (const WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        if (key == VK_ESCAPE) {
            m_window = std::make_unique<CMainDlg>();
            ASSERT_NE(m_window->Create(), nullptr);
        }
        MSG press{Window(), WM_KEYDOWN, key, 0, 0, {}};
        IsDialogMessageW(Window(), &press);
        EXPECT_TRUE(PumpUntil([&] { return m_window->Handle() == nullptr; })) << key;
    }
}

TEST_F(MainWindowTest, NothingEndsTheWindowOrTheSessionMidUpload) {
    test::UpgradeCamera camera(fakecam::UpgradeFault::StopReading);
    ASSERT_TRUE(camera.opened);
    Found(camera.Record());
    const auto image = TempFile("held.bin", "BNEG" + std::string(64 << 20, 'q'));
    CImageFileChooser::SetNextAnswer(Utf8Path(image));
    bool heldOff = false;
    bool hung = true;
    const WhenModal up(Window(), [&](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_FIRMWARE_PASSWORD, L"secret");
        Click(dialog, IDC_UPGRADE_SYSTEM);
        PumpUntil([&] { return IsWindowVisible(GetDlgItem(dialog, IDC_UPLOAD_PROGRESS)); }, 5s);
        // Neither the dialog's close box nor the window's, nor a log-off.
        SendMessageW(dialog, WM_CLOSE, 0, 0);
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        SendMessageW(Window(), WM_CLOSE, 0, 0);
        const LRESULT endSession = SendMessageW(Window(), WM_QUERYENDSESSION, 0, 0);
        PumpUntil([] { return false; }, 300ms);
        hung = IsHungAppWindow(Window()) != FALSE;
        heldOff = IsWindow(dialog) && IsWindowVisible(dialog) && m_window->Handle() != nullptr &&
                  endSession == FALSE;
        // The worker's socket fails too; the camera then stops taking the
        // image, which fails the upload, and only then does the program end.
        m_window->Session().PostSocketError();
    });
    Select(0);
    DoubleClick();
    EXPECT_TRUE(up.Ran());
    EXPECT_TRUE(heldOff);
    EXPECT_FALSE(hung);
    EXPECT_TRUE(PumpUntil([&] { return m_window->Handle() == nullptr; }, 60s));
    const std::vector<int> told = CMessageBox::TakeRecorded();
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.back(), IDS_SOCKET_ERROR);
    std::filesystem::remove(image);
}

class NetworkDialogTest : public Win32Test {
  protected:
    // Runs the dialog on the camera; the action fills it and presses.
    INT_PTR Run(const std::function<void(HWND)>& action) {
        const WhenModal up(nullptr, action);
        return m_dialog.DoModal(nullptr);
    }
    CNetworkDlg m_dialog;
    void SetUp() override {
        Win32Test::SetUp();
        m_dialog.m_record = Camera("Door", "192.168.1.20");
    }
};

TEST_F(NetworkDialogTest, EachWrongEntryGetsItsOwnMessageAndTheDialogStays) {
    struct Entry {
        const char* ip;
        const char* mask;
        const char* gateway;
        const char* dns;
        const wchar_t* port;
        int message;
    };
    const Entry entries[] = {
        {"192.168.1.10", "255.255.255.0", "192.168.1.1", "192.168.1.1", L"10000",
         IDS_HTTP_PORT_INVALID},
        {"192.168.1.10", "255.255.255.0", "192.168.1.1", "192.168.1.1", L"65536",
         IDS_HTTP_PORT_INVALID},
        {"0.255.255.255", "255.255.255.0", "192.168.1.1", "192.168.1.1", L"80",
         IDS_IP_ADDRESS_INVALID},
        {"224.0.0.1", "255.255.255.0", "192.168.1.1", "192.168.1.1", L"80", IDS_IP_ADDRESS_INVALID},
        {"192.168.1.10", "192.0.0.0", "192.168.1.1", "192.168.1.1", L"80", IDS_SUBNET_MASK_INVALID},
        {"192.168.1.10", "255.0.255.0", "192.168.1.1", "192.168.1.1", L"80",
         IDS_SUBNET_MASK_INVALID},
        {"192.168.1.0", "255.255.255.0", "192.168.1.1", "192.168.1.1", L"80",
         IDS_SUBNET_MASK_INVALID},
        {"192.168.1.10", "255.255.255.0", "192.168.2.1", "192.168.1.1", L"80", IDS_GATEWAY_INVALID},
        {"192.168.1.10", "255.255.255.0", "192.168.1.1", "0.0.0.0", L"80", IDS_DNS_INVALID},
    };
    std::vector<int> expected;
    std::wstring portShown;
    const INT_PTR result = Run([&](HWND dialog) {
        for (const Entry& entry : entries) {
            SetAddress(dialog, IDC_IP_ADDRESS, entry.ip);
            SetAddress(dialog, IDC_SUBNET_MASK, entry.mask);
            SetAddress(dialog, IDC_GATEWAY, entry.gateway);
            SetAddress(dialog, IDC_DNS_SERVER, entry.dns);
            SetDlgItemTextW(dialog, IDC_HTTP_PORT, entry.port);
            Click(dialog, IDOK);
            expected.push_back(entry.message);
            if (std::wstring(entry.port) == L"65536") {
                portShown = TextOf(GetDlgItem(dialog, IDC_HTTP_PORT));
            }
        }
        EXPECT_TRUE(IsWindowVisible(dialog));
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(CMessageBox::TakeRecorded(), expected);
    EXPECT_EQ(portShown, L"0");  // the port actually taken
    EXPECT_EQ(m_dialog.m_record.ip, inet_addr("192.168.1.20"));
}

TEST_F(NetworkDialogTest, DhcpZeroesTheAddressesAndBringsThemBackAndSetTakesThePassword) {
    std::wstring ipWhileDhcp, ipAfter, portAfter;
    bool disabled = false;
    const INT_PTR result = Run([&](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_HTTP_PORT, L"8080");
        Click(dialog, IDC_USING_DHCP);
        ipWhileDhcp = TextOf(GetDlgItem(dialog, IDC_IP_ADDRESS));
        disabled = !IsWindowEnabled(GetDlgItem(dialog, IDC_DNS_SERVER));
        Click(dialog, IDC_USING_DHCP);
        ipAfter = TextOf(GetDlgItem(dialog, IDC_IP_ADDRESS));
        portAfter = TextOf(GetDlgItem(dialog, IDC_HTTP_PORT));
        Click(dialog, IDC_USING_DHCP);
        SetDlgItemTextW(dialog, IDC_HTTP_PORT, L"8081");
        SetDlgItemTextW(dialog, IDC_NETWORK_PASSWORD, L"abcdefghijklmn");
        Click(dialog, IDOK);
    });
    EXPECT_EQ(ipWhileDhcp, L"0.0.0.0");
    EXPECT_TRUE(disabled);
    EXPECT_EQ(ipAfter, L"192.168.1.20");
    EXPECT_EQ(portAfter, L"80");
    ASSERT_EQ(result, IDOK);
    EXPECT_TRUE(CMessageBox::TakeRecorded().empty());
    EXPECT_EQ(m_dialog.m_record.ip, 0u);
    EXPECT_EQ(m_dialog.m_record.dns, 0u);
    EXPECT_EQ(ntohs(m_dialog.m_record.httpPort), 8081);
    EXPECT_EQ(std::string(m_dialog.m_record.password), "abcdefghijk");
}

TEST_F(NetworkDialogTest, ZeroPaddedAddressesReadAsDecimal) {
    const INT_PTR result = Run([&](HWND dialog) {
        // The control's own fields take "010" as typed.
        SetDlgItemTextW(dialog, IDC_IP_ADDRESS, L"192.168.1.010");
        Click(dialog, IDOK);
    });
    ASSERT_EQ(result, IDOK);
    EXPECT_EQ(m_dialog.m_record.ip, inet_addr("192.168.1.10"));
}

class FirmwareDialogTest : public Win32Test {
  protected:
    void SetUp() override {
        Win32Test::SetUp();
        CameraRecord& record = m_dialog.m_record;
        StoreFieldText(record.id, "CAM1");
        StoreFieldText(record.alias, "Door");
        record.ip = htonl(INADDR_LOOPBACK);
        const std::uint8_t system[4] = {1, 2, 3, 4};
        std::memcpy(&record.systemVersion, system, 4);
        record.subnetMatch = 1;
    }
    void TearDown() override {
        for (const auto& file : m_files) {
            std::filesystem::remove(file);
        }
        Win32Test::TearDown();
    }
    std::string File(const char* name, const std::string& bytes) {
        m_files.push_back(TempFile(name, bytes));
        return Utf8Path(m_files.back());
    }
    // Presses the upgrade button with the password; waits for the upload
    // to end; then "Return" unless the dialog ended by itself.
    INT_PTR Upgrade(int button, const wchar_t* password = L"secret") {
        const WhenModal up(nullptr, [&](HWND dialog) {
            SetDlgItemTextW(dialog, IDC_FIRMWARE_PASSWORD, password);
            Click(dialog, button);
            PumpUntil(
                [&] { return !IsWindow(dialog) || IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)); },
                30s);
            if (IsWindow(dialog) && IsWindowVisible(dialog)) {
                Click(dialog, IDCANCEL);
            }
        });
        return m_dialog.DoModal(nullptr);
    }
    CFirmwareDlg m_dialog;
    std::vector<std::filesystem::path> m_files;
};

TEST_F(FirmwareDialogTest, AForeignSubnetOnlyShowsTheVersions) {
    m_dialog.m_record.subnetMatch = 0;
    std::wstring version;
    bool blocked = false;
    const WhenModal up(nullptr, [&](HWND dialog) {
        version = TextOf(GetDlgItem(dialog, IDC_SYSTEM_VERSION));
        blocked = !IsWindowEnabled(GetDlgItem(dialog, IDC_FIRMWARE_PASSWORD)) &&
                  !IsWindowEnabled(GetDlgItem(dialog, IDC_UPGRADE_SYSTEM)) &&
                  !IsWindowEnabled(GetDlgItem(dialog, IDC_UPGRADE_APPLICATION)) &&
                  IsWindowEnabled(GetDlgItem(dialog, IDCANCEL));
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(m_dialog.DoModal(nullptr), IDCANCEL);
    EXPECT_EQ(version, L"1.2.3.4");
    EXPECT_TRUE(blocked);
}

TEST_F(FirmwareDialogTest, ACancelledChoiceCutsThePasswordAndWrongMarksAreTold) {
    CImageFileChooser::SetNextAnswer(std::nullopt);
    EXPECT_EQ(Upgrade(IDC_UPGRADE_APPLICATION, L"abcdefghijklmn"), IDCANCEL);
    EXPECT_EQ(std::string(m_dialog.m_record.password), "abcdefghijk");
    EXPECT_TRUE(CMessageBox::TakeRecorded().empty());

    CImageFileChooser::SetNextAnswer(File("short.bin", "BNE"));
    EXPECT_EQ(Upgrade(IDC_UPGRADE_SYSTEM), IDCANCEL);
    CImageFileChooser::SetNextAnswer(File("system.bin", "BNEG"));
    EXPECT_EQ(Upgrade(IDC_UPGRADE_APPLICATION), IDCANCEL);
    CImageFileChooser::SetNextAnswer(File("missing-folder/none.bin", ""));
    EXPECT_EQ(Upgrade(IDC_UPGRADE_SYSTEM), IDCANCEL);
    CImageFileChooser::SetNextAnswer(Utf8Path(std::filesystem::temp_directory_path()));
    EXPECT_EQ(Upgrade(IDC_UPGRADE_SYSTEM), IDCANCEL);
    EXPECT_EQ(CMessageBox::TakeRecorded(),
              (std::vector<int>{IDS_BAD_SYSTEM_IMAGE, IDS_BAD_APP_IMAGE, IDS_FILE_OPEN_FAILED,
                                IDS_FILE_OPEN_FAILED}));
}

TEST_F(FirmwareDialogTest, AWholeImageEndsTheDialogAndEachFaultGivesItsMessage) {
    const std::string bytes = "BNEG" + std::string(3000, 'x');
    {
        test::UpgradeCamera camera;
        ASSERT_TRUE(camera.opened);
        m_dialog.m_record.httpPort = htons(camera.listener.Port());
        CImageFileChooser::SetNextAnswer(File("image.bin", bytes));
        EXPECT_EQ(Upgrade(IDC_UPGRADE_SYSTEM), IDOK);
        const auto received = camera.listener.WaitForUpload(5000);
        ASSERT_TRUE(received);
        EXPECT_EQ(received->image, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        EXPECT_TRUE(m_dialog.Delivered().has_value());
        EXPECT_TRUE(CMessageBox::TakeRecorded().empty());
    }
    const std::pair<fakecam::UpgradeFault, int> faults[] = {
        {fakecam::UpgradeFault::Refuse, IDS_CONNECT_FAILED},
        {fakecam::UpgradeFault::CloseAfterLogin, IDS_DISCONNECTED},
        {fakecam::UpgradeFault::OtherId, IDS_WRONG_CAMERA},
        {fakecam::UpgradeFault::Busy, IDS_CAMERA_BUSY},
        {fakecam::UpgradeFault::RejectPassword, IDS_INCORRECT_PASSWORD},
        {fakecam::UpgradeFault::WrongOp, IDS_UNKNOWN_ECHO},
        {fakecam::UpgradeFault::CloseMidUpload, IDS_SOCKET_ERROR},
    };
    // Larger than what the system's buffers take in before the camera reads.
    const std::string path = File("image.bin", bytes + std::string(16 << 20, 'y'));
    for (const auto& [fault, message] : faults) {
        test::UpgradeCamera camera(fault);
        ASSERT_TRUE(camera.opened);
        m_dialog.m_record.httpPort = htons(camera.listener.Port());
        CImageFileChooser::SetNextAnswer(path);
        EXPECT_EQ(Upgrade(IDC_UPGRADE_SYSTEM), IDCANCEL) << message;
        EXPECT_EQ(CMessageBox::TakeRecorded(), std::vector<int>{message});
    }
}

TEST_F(NetworkDialogTest, TheDialogIsWideEnoughForItsWholeCaption) {
    StoreFieldText(m_dialog.m_record.alias, "WWWWWWWWWWWWWWWWWWWWW");
    int width = 0;
    SIZE caption{};
    const INT_PTR result = Run([&](HWND dialog) {
        RECT window;
        GetWindowRect(dialog, &window);
        width = window.right - window.left;
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        const HFONT font = CreateFontIndirectW(&metrics.lfCaptionFont);
        const HDC context = GetDC(dialog);
        const HGDIOBJ before = SelectObject(context, font);
        const std::wstring text = TextOf(dialog);
        GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size()), &caption);
        SelectObject(context, before);
        ReleaseDC(dialog, context);
        DeleteObject(font);
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_GE(width, caption.cx + 3 * GetSystemMetrics(SM_CXSIZE)) << caption.cx;
}

namespace {

// This computer is on 192.168.1.0/24, where another device already holds
// 192.168.1.21; the cameras are new, on their factory address.
class SiteWindowTest : public MainWindowTest {
  protected:
    void Configure(SessionConfig& config) override {
        config.interfaces = [] {
            return std::optional<std::vector<HostInterface>>(
                {{inet_addr("192.168.1.2"), inet_addr("255.255.255.0"), 2, true, false, "eth0"}});
        };
        config.neighbours.read = [] {
            return std::optional<std::vector<Neighbour>>(
                {{inet_addr("192.168.1.21"), Neighbour::State::Reachable, "66:2e:11:00:00:21"}});
        };
        config.neighbours.touch = [](const std::vector<std::uint32_t>&) {};
    }
    void TearDown() override {
        CFileChooser::SetNextAnswer(std::nullopt);
        MainWindowTest::TearDown();
    }
    static CameraRecord New(const char* id, const char* ip = "192.168.1.10") {
        CameraRecord camera = Camera(id, ip);
        camera.gateway = camera.dns = inet_addr("192.168.1.1");
        camera.systemVersion = 0x01000000;
        return camera;
    }
    // A search goes out and these cameras answer it.
    void Answer(std::initializer_list<CameraRecord> answers) {
        m_window->Session().OnCameraRefresh();
        for (const CameraRecord& camera : answers) {
            Found(camera);
        }
    }
    std::vector<std::string> SelectedIds() const {
        std::vector<std::string> ids;
        for (const int line : m_window->List().SelectedLines()) {
            ids.emplace_back(FieldText(m_window->Session().Records()[line].id));
        }
        std::sort(ids.begin(), ids.end());
        return ids;
    }
    void SelectLines(const std::vector<int>& lines) {
        SendMessageW(List(), LB_SETSEL, FALSE, -1);
        for (const int line : lines) {
            SendMessageW(List(), LB_SETSEL, TRUE, line);
        }
    }
    // A key pressed on the list with Ctrl held.
    void CtrlKey(WPARAM key) {
        BYTE keys[256];
        GetKeyboardState(keys);
        const BYTE before = keys[VK_CONTROL];
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        SendMessageW(List(), WM_KEYDOWN, key, 0);
        keys[VK_CONTROL] = before;
        SetKeyboardState(keys);
    }
    // The menu's command on the lines selected now, as the menu gives it.
    void Command(int id) {
        static bool open;
        open = false;
        const UINT_PTR probe = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
            open = true;
            EndMenu();
        });
        SendMessageW(List(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(List()), MAKELPARAM(-1, -1));
        PumpUntil([] { return open; }, 3s);
        KillTimer(nullptr, probe);
        SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    }
    static std::wstring Cell(HWND dialog, int table, int row, int column) {
        wchar_t text[512] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 512;
        SendDlgItemMessageW(dialog, table, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        return text;
    }
    static std::vector<std::wstring> Column(HWND dialog, int table, int column) {
        std::vector<std::wstring> cells;
        const auto rows = SendDlgItemMessageW(dialog, table, LVM_GETITEMCOUNT, 0, 0);
        for (int row = 0; row < rows; ++row) {
            cells.push_back(Cell(dialog, table, row, column));
        }
        return cells;
    }
    // An address typed into a field, as its control tells the dialog.
    static void TypeAddress(HWND dialog, int id, const char* address) {
        SetAddress(dialog, id, address);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }
    static bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)); }
    // The set-network requests that reach the camera's side; searches go out
    // meanwhile too.
    int Requests(int waitMs) {
        int requests = 0;
        while (const auto datagram = ReceiveDatagram(m_camera->socket.Get(), waitMs)) {
            requests += datagram->size() == 82 ? 1 : 0;
            waitMs = 200;
        }
        return requests;
    }
    static std::string Contents(const std::filesystem::path& path) {
        std::ifstream file(path, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
};

}  // namespace

TEST_F(SiteWindowTest, ManyAreSelectedAndEachSelectionStaysOnItsCamera) {
    const auto five = {New("A"), New("B"), New("C"), New("D"), New("E")};
    Search(five);
    SelectLines({1, 3});
    EXPECT_EQ(SelectedIds(), (std::vector<std::string>{"B", "D"}));
    // B and C go after two missed searches; D stays selected, and no other.
    for (int search = 0; search < 2; ++search) {
        Search({New("A"), New("D"), New("E")});
    }
    EXPECT_EQ(SelectedIds(), std::vector<std::string>{"D"});
    for (int search = 0; search < 2; ++search) {
        Search({New("A"), New("E")});
    }
    EXPECT_TRUE(SelectedIds().empty());

    CtrlKey('A');
    EXPECT_EQ(SelectedIds(), (std::vector<std::string>{"A", "E"}));
    // A right press on a selected line keeps the others; the web page is
    // one camera's business.
    static UINT access;
    static bool open;
    open = false;
    static HMENU menu;
    menu = GetSubMenu(m_window->Menu(), 0);
    const UINT_PTR probe = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
        open = true;
        access = GetMenuState(menu, ID_ACCESS_CAMERA, MF_BYCOMMAND);
        EndMenu();
    });
    SendMessageW(List(), WM_RBUTTONDOWN, MK_RBUTTON, LinePoint(1));
    SendMessageW(List(), WM_RBUTTONUP, 0, LinePoint(1));
    PumpUntil([] { return open; }, 3s);
    KillTimer(nullptr, probe);
    EXPECT_TRUE(open);
    EXPECT_NE(access & MF_GRAYED, 0u);
    EXPECT_EQ(SelectedIds(), (std::vector<std::string>{"A", "E"}));
    EXPECT_EQ(GetMenuItemCount(menu), 6);
    EXPECT_NE(GetMenuState(menu, 3, MF_BYPOSITION) & MF_SEPARATOR, 0u);
    wchar_t text[64] = {};
    GetMenuStringW(menu, ID_SAVE_LIST, text, 64, MF_BYCOMMAND);
    EXPECT_EQ(std::wstring(text), L"Save list as\u2026");
}

TEST_F(SiteWindowTest, TheListIsSavedAndCopiedAsTheTerminalListsIt) {
    Search({New("NEW2"), New("NEW1"), New("OLD", "192.168.1.50")});
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "cameras.csv";
    CFileChooser::SetNextAnswer(Utf8Path(path));
    Select(0);
    Command(ID_SAVE_LIST);
    const std::string saved = Contents(path);
    EXPECT_EQ(saved.rfind("id,name,ip,mask,gateway,dns,http_port,system_version,", 0), 0u) << saved;
    EXPECT_NE(saved.find("\nNEW1,NEW1,192.168.1.10,255.255.255.0,"), std::string::npos) << saved;
    EXPECT_GT(saved.find("NEW2"), saved.find("NEW1")) << "by id, as the terminal sorts them";
    std::filesystem::remove(path);

    Select(2);
    CtrlKey('C');
    Pump();
    ASSERT_TRUE(OpenClipboard(Window()));
    const HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const std::wstring copied =
        data != nullptr ? static_cast<const wchar_t*>(GlobalLock(data)) : L"";
    if (data != nullptr) {
        GlobalUnlock(data);
    }
    CloseClipboard();
    EXPECT_EQ(copied.rfind(L"id,name,ip,", 0), 0u) << Utf8(copied);
    EXPECT_NE(copied.find(L"\r\nOLD,OLD,192.168.1.50,"), std::wstring::npos) << Utf8(copied);

    CFileChooser::SetNextAnswer(
        Utf8Path(std::filesystem::temp_directory_path() / "no" / "such" / "cameras.csv"));
    Command(ID_SAVE_LIST);
    EXPECT_EQ(CMessageBox::TakeRecorded(), std::vector<int>{IDS_FILE_SAVE_FAILED});
}

TEST_F(SiteWindowTest, ARangeSkipsTheHeldAddressAndEachRowFollowsItsCamera) {
    const CameraRecord cameras[] = {New("NEW1"), New("NEW2"), New("NEW3")};
    Search({cameras[0], cameras[1], cameras[2]});
    CtrlKey('A');
    bool ran = false;
    {
        const WhenModal up(Window(), [&](HWND dialog) {
            EXPECT_EQ(TextOf(dialog), L"Network Settings: 3 cameras");
            EXPECT_EQ(Column(dialog, IDC_PLAN_TABLE, 0),
                      (std::vector<std::wstring>{L"NEW1", L"NEW2", L"NEW3"}));
            EXPECT_FALSE(Enabled(dialog, IDC_APPLY));
            TypeAddress(dialog, IDC_SITE_FIRST, "192.168.1.20");
            TypeAddress(dialog, IDC_SITE_MASK, "255.255.255.0");
            EXPECT_EQ(Cell(dialog, IDC_PLAN_TABLE, 0, 4), L"checking\u2026");
            EXPECT_FALSE(Enabled(dialog, IDC_APPLY)) << "not before the link has been asked";
            EXPECT_TRUE(PumpUntil([&] { return Enabled(dialog, IDC_APPLY); }, 10s));
            EXPECT_EQ(Column(dialog, IDC_PLAN_TABLE, 3),
                      (std::vector<std::wstring>{L"192.168.1.20/255.255.255.0",
                                                 L"192.168.1.22/255.255.255.0",
                                                 L"192.168.1.23/255.255.255.0"}));
            EXPECT_EQ(Column(dialog, IDC_PLAN_TABLE, 4),
                      (std::vector<std::wstring>{L"ok", L"ok", L"ok"}));
            EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_PLAN_NOTES)),
                      L"skipped 192.168.1.21: a device with hardware address 66:2e:11:00:00:21 "
                      L"answers for it");
            SetDlgItemTextW(dialog, IDC_SITE_PASSWORD, L"secret");
            (void)Requests(300);
            Click(dialog, IDC_APPLY);
            EXPECT_EQ(Requests(2000), 3);
            EXPECT_FALSE(Enabled(dialog, IDC_APPLY));
            CameraRecord moved1 = cameras[0];
            CameraRecord moved3 = cameras[2];
            moved1.ip = inet_addr("192.168.1.20");
            moved3.ip = inet_addr("192.168.1.23");
            Answer({moved1, cameras[1], moved3});
            EXPECT_TRUE(
                PumpUntil([&] { return Cell(dialog, IDC_PLAN_TABLE, 0, 4) == L"changed"; }, 5s));
            EXPECT_EQ(Cell(dialog, IDC_PLAN_TABLE, 2, 4), L"changed");
            EXPECT_EQ(Cell(dialog, IDC_PLAN_TABLE, 1, 4), L"not confirmed yet");
            ran = true;
            // Closed before the rows settled: the line under the list goes on.
            Click(dialog, IDCANCEL);
        });
        Command(ID_NETWORK_SETTINGS);
    }
    EXPECT_TRUE(ran);
    EXPECT_EQ(TextOf(m_window->StatusLine()),
              L"Network settings of 3 cameras: 2 show their new settings so far");
    for (int search = 0; search < 6; ++search) {
        Answer({cameras[1]});
    }
    EXPECT_EQ(TextOf(m_window->StatusLine()),
              L"Network settings of 3 cameras: 2 changed, 1 still on their old settings");
}

TEST_F(SiteWindowTest, EveryProblemIsToldWithApplyDisabledAndAPlanIsRead) {
    Search({New("NEW1"), New("NEW2"), New("OLD", "192.168.1.50")});
    SelectLines({0, 1});
    const std::filesystem::path plan =
        TempFile("site.csv",
                 "\xef\xbb\xbfid,ip,mask,gateway\r\n"
                 "\"NEW1\",192.168.1.21,255.255.255.0,192.168.1.1\r\n"
                 "NEW2,192.168.1.50,,\r\n"
                 "NEW9,192.168.1.60,,\r\n");
    const std::filesystem::path report = std::filesystem::temp_directory_path() / "report.json";
    bool ran = false;
    {
        const WhenModal up(Window(), [&](HWND dialog) {
            TypeAddress(dialog, IDC_SITE_FIRST, "192.168.1.2");
            EXPECT_EQ(Cell(dialog, IDC_PLAN_TABLE, 0, 4),
                      L"192.168.1.2 is this computer's own address");
            TypeAddress(dialog, IDC_SITE_FIRST, "192.168.1.254");
            EXPECT_TRUE(PumpUntil(
                [&] { return Cell(dialog, IDC_PLAN_TABLE, 1, 4).rfind(L"checking", 0) != 0; }));
            EXPECT_EQ(Cell(dialog, IDC_PLAN_TABLE, 1, 4),
                      L"192.168.1.255 is the broadcast address of its subnet");
            EXPECT_FALSE(Enabled(dialog, IDC_APPLY));

            CFileChooser::SetNextAnswer(Utf8Path(plan));
            Click(dialog, IDC_LOAD_PLAN);
            EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_SITE_PLAN), BST_CHECKED);
            EXPECT_TRUE(PumpUntil(
                [&] { return Cell(dialog, IDC_PLAN_TABLE, 0, 4).rfind(L"checking", 0) != 0; }));
            EXPECT_EQ(Column(dialog, IDC_PLAN_TABLE, 4),
                      (std::vector<std::wstring>{
                          L"192.168.1.21 is in use: a device with hardware address "
                          L"66:2e:11:00:00:21 answers for it",
                          L"192.168.1.50 is OLD's address, and the plan does not move OLD",
                          L"did not answer"}));
            EXPECT_EQ(
                TextOf(GetDlgItem(dialog, IDC_PLAN_NOTES)).rfind(L"the cameras that answered: ", 0),
                0u);
            EXPECT_FALSE(Enabled(dialog, IDC_APPLY));

            Click(dialog, IDC_SITE_DHCP);
            EXPECT_EQ(Column(dialog, IDC_PLAN_TABLE, 3),
                      (std::vector<std::wstring>{L"DHCP", L"DHCP"}));
            EXPECT_TRUE(Enabled(dialog, IDC_APPLY));
            (void)Requests(300);
            Click(dialog, IDC_APPLY);
            EXPECT_EQ(Requests(2000), 2);
            m_window->Session().OnSetNetworkResult(1);
            m_window->Session().OnSetNetworkResult(1);
            EXPECT_TRUE(PumpUntil([&] { return Enabled(dialog, IDC_SAVE_REPORT); }, 5s));
            EXPECT_EQ(Column(dialog, IDC_PLAN_TABLE, 4),
                      (std::vector<std::wstring>{L"password refused", L"password refused"}));
            CFileChooser::SetNextAnswer(Utf8Path(report));
            Click(dialog, IDC_SAVE_REPORT);
            ran = true;
            Click(dialog, IDCANCEL);
        });
        Command(ID_NETWORK_SETTINGS);
    }
    EXPECT_TRUE(ran);
    const std::string saved = Contents(report);
    EXPECT_NE(saved.find("\"result\": \"password refused\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("\"password_refusals\": 2"), std::string::npos) << saved;
    EXPECT_EQ(CMessageBox::TakeRecorded(),
              (std::vector<int>{IDS_INCORRECT_PASSWORD, IDS_INCORRECT_PASSWORD}));
    std::filesystem::remove(report);
}

TEST_F(SiteWindowTest, ABatchUpgradeGoesOnPastAFaultedCameraAndCannotCloseMidUpload) {
    test::UpgradeCamera good(fakecam::UpgradeFault::None, "CAM1");
    test::UpgradeCamera refusing(fakecam::UpgradeFault::RejectPassword, "CAM2");
    ASSERT_TRUE(good.opened && refusing.opened);
    Search({good.Record(), refusing.Record(), Camera("AWAY", "10.0.0.5", 0)});
    CtrlKey('A');
    const std::filesystem::path image = TempFile("batch.bin", "BNEG" + std::string(4 << 20, 'x'));
    const std::filesystem::path report = std::filesystem::temp_directory_path() / "upgrade.json";
    bool closedMidUpload = true;
    bool ran = false;
    {
        const WhenModal up(Window(), [&](HWND dialog) {
            EXPECT_EQ(Cell(dialog, IDC_UPLOAD_TABLE, 2, 4),
                      L"on another subnet: set its network first");
            EXPECT_FALSE(Enabled(dialog, IDC_START_UPGRADE));
            CFileChooser::SetNextAnswer(Utf8Path(image));
            Click(dialog, IDC_CHOOSE_IMAGE);
            EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_IMAGE_KIND)), L"system firmware");
            EXPECT_TRUE(Enabled(dialog, IDC_START_UPGRADE));
            SetDlgItemTextW(dialog, IDC_BATCH_PASSWORD, L"secret");
            SetDlgItemInt(dialog, IDC_AT_ONCE, 2, FALSE);
            Click(dialog, IDC_START_UPGRADE);
            SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);  // the close box, Escape
            closedMidUpload = !IsWindowVisible(dialog);
            EXPECT_TRUE(PumpUntil([&] { return Enabled(dialog, IDC_SAVE_REPORT); }, 20s));
            // Delivered, or only sent where the system cannot tell.
            EXPECT_NE(
                Cell(dialog, IDC_UPLOAD_TABLE, 0, 4).find(L"; waiting for the camera to restart"),
                std::wstring::npos)
                << Utf8(Cell(dialog, IDC_UPLOAD_TABLE, 0, 4));
            EXPECT_EQ(Cell(dialog, IDC_UPLOAD_TABLE, 0, 3), L"100 %");
            EXPECT_EQ(
                Cell(dialog, IDC_UPLOAD_TABLE, 1, 4).rfind(L"failed: incorrect password !", 0), 0u);
            EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_UPLOAD_SUMMARY)),
                      L"2 cameras: 1 failed, 1 restarting");
            CFileChooser::SetNextAnswer(Utf8Path(report));
            Click(dialog, IDC_SAVE_REPORT);
            ran = true;
            Click(dialog, IDCANCEL);
        });
        Command(ID_FIRMWARE);
    }
    EXPECT_TRUE(ran);
    EXPECT_FALSE(closedMidUpload);
    const std::string saved = Contents(report);
    EXPECT_NE(saved.find("\"CAM2\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("incorrect password"), std::string::npos) << saved;
    const auto received = good.listener.WaitForUpload(5000);
    ASSERT_TRUE(received);
    EXPECT_EQ(received->image.size(), std::size_t{4 + (4 << 20)});
    std::filesystem::remove(report);
}

TEST_F(SiteWindowTest, StopAfterTheseFinishesTheUploadUnderWayAndTheWindowEndsAfterIt) {
    // The first stops reading mid-image, so that its upload is surely under
    // way when the button is pressed, and ends only in failure.
    test::UpgradeCamera first(fakecam::UpgradeFault::StopReading, "CAM1");
    test::UpgradeCamera second(fakecam::UpgradeFault::None, "CAM2");
    ASSERT_TRUE(first.opened && second.opened);
    Search({first.Record(), second.Record()});
    CtrlKey('A');
    const std::filesystem::path image = TempFile("batch.bin", "BNEG" + std::string(16 << 20, 'x'));
    bool windowStayed = false;
    std::wstring firstState;
    std::wstring secondState;
    {
        const WhenModal up(Window(), [&](HWND dialog) {
            CFileChooser::SetNextAnswer(Utf8Path(image));
            Click(dialog, IDC_CHOOSE_IMAGE);
            SetDlgItemTextW(dialog, IDC_BATCH_PASSWORD, L"secret");
            SetDlgItemInt(dialog, IDC_AT_ONCE, 1, FALSE);
            Click(dialog, IDC_START_UPGRADE);
            EXPECT_TRUE(PumpUntil(
                [&] { return Cell(dialog, IDC_UPLOAD_TABLE, 0, 4) == L"uploading"; }, 10s));
            EXPECT_TRUE(Enabled(dialog, IDC_STOP_AFTER));
            Click(dialog, IDC_STOP_AFTER);
            EXPECT_FALSE(Enabled(dialog, IDC_STOP_AFTER));
            // Asked to end meanwhile, the window waits for the upload.
            SendMessageW(Window(), WM_COMMAND, IDCANCEL, 0);
            windowStayed = IsWindow(Window()) && IsWindowVisible(dialog);
            PumpUntil([&] { return !IsWindowVisible(dialog); }, 60s);
            firstState = Cell(dialog, IDC_UPLOAD_TABLE, 0, 4);
            secondState = Cell(dialog, IDC_UPLOAD_TABLE, 1, 4);
        });
        Command(ID_FIRMWARE);
    }
    EXPECT_TRUE(windowStayed);
    EXPECT_EQ(firstState.rfind(L"failed: ", 0), 0u) << Utf8(firstState);
    EXPECT_EQ(secondState, L"waiting");
    EXPECT_TRUE(PumpUntil([&] { return m_window->Handle() == nullptr; }, 10s))
        << "the window ends once the upload has";
    EXPECT_FALSE(second.listener.WaitForUpload(300).has_value()) << "no upload after these";
}
