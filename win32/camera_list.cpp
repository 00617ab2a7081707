// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/camera_list.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cwctype>
#include <iterator>

#include "cameras/camera_line.h"
#include "win32/wide_text.h"

namespace vantrel {

namespace {

// 25 columns of name and the longest status text.
constexpr int LONGEST_LINE = 91;
constexpr UINT_PTR SUBCLASS_ID = 1;

std::wstring LineText(const CameraRecord& camera) {
    return Wide(CameraLineText(camera));
}

// Where the first line from this one on that stays stands after the edit.
std::size_t KeptFrom(const ListEdit& edit, std::size_t line) {
    std::size_t before = 0;
    for (const auto& [first, length] : edit.dropped) {
        if (first >= line) {
            break;
        }
        before += std::min(length, line - first);
    }
    return line - before;
}

// Names are padded to a column of 25 characters, which lines up only in a
// fixed-pitch font: the first of these that the system has.
HFONT MakeLineFont(HWND list) {
    const int dpi = static_cast<int>(GetDpiForWindow(list));
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)), sizeof font, &font);
    font.lfHeight = -MulDiv(14, dpi, 96);
    font.lfWidth = 0;
    font.lfWeight = 600;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    const HDC screen = GetDC(list);
    for (const wchar_t* face :
         {L"Consolas", L"Cascadia Mono", L"DejaVu Sans Mono", L"Liberation Mono", L"Courier New"}) {
        LOGFONTW wanted{};
        wanted.lfCharSet = DEFAULT_CHARSET;
        wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
        bool found = false;
        EnumFontFamiliesExW(
            screen, &wanted,
            [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) -> int {
                *reinterpret_cast<bool*>(found) = true;
                return 0;
            },
            reinterpret_cast<LPARAM>(&found), 0);
        if (found) {
            wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
            break;
        }
    }
    ReleaseDC(list, screen);
    return CreateFontIndirectW(&font);
}

}  // namespace

CCameraList::~CCameraList() {
    if (m_list != nullptr) {
        RemoveWindowSubclass(m_list, &SubclassProc, SUBCLASS_ID);
    }
}

void CCameraList::Attach(HWND list, HWND owner, UINT menuMessage, int copyCommand) {
    m_list = list;
    m_owner = owner;
    m_menuMessage = menuMessage;
    m_copyCommand = copyCommand;
    m_font.reset(MakeLineFont(list));
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), TRUE);
    SendMessageW(list, LB_SETITEMHEIGHT, 0, LineHeight());
    SetWindowSubclass(list, &SubclassProc, SUBCLASS_ID, reinterpret_cast<DWORD_PTR>(this));
    // The list box was made without strings (its lines are drawn from the
    // records), and its kind is fixed when it is made. Said to have them
    // now, it has the system carry a line's text to another process that
    // asks for it, as a screen reader does; the text comes from LineText.
    SetWindowLongPtrW(list, GWL_STYLE, GetWindowLongPtrW(list, GWL_STYLE) | LBS_HASSTRINGS);

    m_tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(list);
    tool.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(m_tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    // Details are one fact a line.
    SendMessageW(m_tooltip, TTM_SETMAXTIPWIDTH, 0, MulDiv(640, GetDpiForWindow(list), 96));
    SendMessageW(m_tooltip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 30000);
}

// Lines hold nothing but their selection: an edit costs the list its count
// and, where lines went, the selection's runs, never a message a line. In a
// flood of tens of thousands of new lines that keeps the window answering.
void CCameraList::Follow(const ListEdit& edit) {
    // The line under a pointer that stays may now be another camera's, or
    // its camera's details may have changed.
    m_tipLine = -2;
    FollowTexts(edit);
    const std::size_t lines = m_session.Records().size();
    if (edit.dropped.empty()) {
        // New lines come at the end, unselected; the others stay as they are.
        if (edit.added > 0) {
            SendMessageW(m_list, LB_SETCOUNT, lines, 0);
        }
        if (edit.added > 0 || !edit.changed.empty()) {
            InvalidateRect(m_list, nullptr, FALSE);
        }
        return;
    }
    const std::vector<int> selectedAfter = edit.SelectionAfter(SelectedLines());
    const auto caret = static_cast<std::size_t>(std::max(CaretLine(), 0));
    const auto anchor = static_cast<std::size_t>(
        std::max<LRESULT>(SendMessageW(m_list, LB_GETANCHORINDEX, 0, 0), 0));
    const auto top = static_cast<std::size_t>(SendMessageW(m_list, LB_GETTOPINDEX, 0, 0));
    SendMessageW(m_list, LB_SETCOUNT, lines, 0);
    Select(selectedAfter);
    if (lines > 0) {
        // Each stays on its line's camera or, where that went, on the line
        // that came after it; the caret first, as it may scroll.
        const auto last = static_cast<WPARAM>(lines - 1);
        SendMessageW(m_list, LB_SETANCHORINDEX, std::min<WPARAM>(KeptFrom(edit, anchor), last), 0);
        SendMessageW(m_list, LB_SETCARETINDEX, std::min<WPARAM>(KeptFrom(edit, caret), last), TRUE);
        SendMessageW(m_list, LB_SETTOPINDEX, std::min<WPARAM>(KeptFrom(edit, top), last), 0);
    }
    InvalidateRect(m_list, nullptr, TRUE);
}

void CCameraList::FollowTexts(const ListEdit& edit) {
    if (!edit.dropped.empty()) {
        std::vector<std::wstring> kept;
        kept.reserve(m_texts.size());
        std::size_t from = 0;
        for (const auto& [first, length] : edit.dropped) {
            std::move(
                m_texts.begin() + static_cast<std::ptrdiff_t>(std::min(from, m_texts.size())),
                m_texts.begin() + static_cast<std::ptrdiff_t>(std::min(first, m_texts.size())),
                std::back_inserter(kept));
            from = first + length;
        }
        std::move(m_texts.begin() + static_cast<std::ptrdiff_t>(std::min(from, m_texts.size())),
                  m_texts.end(), std::back_inserter(kept));
        m_texts = std::move(kept);
    }
    for (const std::size_t line : edit.changed) {
        if (line < m_texts.size()) {
            m_texts[line].clear();
        }
    }
    m_texts.resize(m_session.Records().size());
}

void CCameraList::Draw(const DRAWITEMSTRUCT& item) const {
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    if (item.itemID < m_session.Records().size()) {
        const std::wstring& text = TextOf(static_cast<int>(item.itemID));
        const HGDIOBJ before = SelectObject(item.hDC, m_font.get());
        SetBkColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        RECT area = item.rcItem;
        area.left += MulDiv(2, static_cast<int>(GetDpiForWindow(m_list)), 96);
        ExtTextOutW(item.hDC, area.left, area.top, ETO_OPAQUE | ETO_CLIPPED, &item.rcItem,
                    text.c_str(), static_cast<UINT>(text.size()), nullptr);
        SelectObject(item.hDC, before);
    }
    if ((item.itemState & ODS_FOCUS) != 0) {
        DrawFocusRect(item.hDC, &item.rcItem);
    }
}

const std::wstring& CCameraList::TextOf(int line) const {
    static const std::wstring none;
    const std::vector<CameraRecord>& records = m_session.Records();
    if (line < 0 || static_cast<std::size_t>(line) >= records.size()) {
        return none;
    }
    const auto index = static_cast<std::size_t>(line);
    m_texts.resize(records.size());
    if (m_texts[index].empty()) {
        m_texts[index] = LineText(records[index]);
    }
    return m_texts[index];
}

// As a list of strings does: a letter goes to the next line that starts
// with it.
void CCameraList::GoToLetter(wchar_t letter) {
    const int lines = LineCount();
    const int from = CaretLine();
    for (int step = 1; step <= lines; ++step) {
        const int line = (from + step) % lines;
        const std::wstring& text = TextOf(line);
        if (!text.empty() && std::towupper(text[0]) == std::towupper(letter)) {
            Select({line});
            SendMessageW(m_list, LB_SETCARETINDEX, static_cast<WPARAM>(line), FALSE);
            SendMessageW(m_list, LB_SETANCHORINDEX, static_cast<WPARAM>(line), 0);
            SendMessageW(m_owner, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(m_list), LBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(m_list));
            return;
        }
    }
}

void CCameraList::Clear() {
    SendMessageW(m_list, LB_RESETCONTENT, 0, 0);
    m_texts.clear();
    m_tipLine = -2;
}

int CCameraList::SelectedLine() const {
    const std::vector<int> lines = SelectedLines();
    return lines.empty() ? -1 : lines.front();
}

std::vector<int> CCameraList::SelectedLines() const {
    const auto count = SendMessageW(m_list, LB_GETSELCOUNT, 0, 0);
    std::vector<int> lines(static_cast<std::size_t>(std::max<LRESULT>(count, 0)));
    if (!lines.empty()) {
        SendMessageW(m_list, LB_GETSELITEMS, lines.size(), reinterpret_cast<LPARAM>(lines.data()));
    }
    return lines;
}

// As runs, so that a thousand selected lines cost a few messages.
void CCameraList::Select(const std::vector<int>& lines) {
    SendMessageW(m_list, LB_SETSEL, FALSE, -1);
    for (std::size_t first = 0; first < lines.size();) {
        std::size_t last = first;
        while (last + 1 < lines.size() && lines[last + 1] == lines[last] + 1) {
            ++last;
        }
        SendMessageW(m_list, LB_SELITEMRANGEEX, lines[first], lines[last]);
        first = last + 1;
    }
}

int CCameraList::CaretLine() const {
    return static_cast<int>(SendMessageW(m_list, LB_GETCARETINDEX, 0, 0));
}

int CCameraList::DoubleClickedLine() const {
    const int line = CaretLine();
    return line >= 0 && SendMessageW(m_list, LB_GETSEL, static_cast<WPARAM>(line), 0) > 0 ? line
                                                                                          : -1;
}

void CCameraList::SetPlaceholder(const std::wstring& text) {
    if (text != m_placeholder) {
        m_placeholder = text;
        InvalidateRect(m_list, nullptr, TRUE);
    }
}

int CCameraList::LineCount() const {
    return static_cast<int>(SendMessageW(m_list, LB_GETCOUNT, 0, 0));
}

bool CCameraList::HasLine(int line) const {
    return line >= 0 && line < LineCount();
}

int CCameraList::LineHeight() const {
    const HDC context = GetDC(m_list);
    const HGDIOBJ before = SelectObject(context, m_font.get());
    TEXTMETRICW metrics{};
    GetTextMetricsW(context, &metrics);
    SelectObject(context, before);
    ReleaseDC(m_list, context);
    return metrics.tmHeight + MulDiv(2, static_cast<int>(GetDpiForWindow(m_list)), 96);
}

int CCameraList::LongestLineWidth() const {
    const HDC context = GetDC(m_list);
    const HGDIOBJ before = SelectObject(context, m_font.get());
    SIZE size{};
    const std::wstring longest(LONGEST_LINE, L'M');
    GetTextExtentPoint32W(context, longest.c_str(), LONGEST_LINE, &size);
    SelectObject(context, before);
    ReleaseDC(m_list, context);
    const int dpi = static_cast<int>(GetDpiForWindow(m_list));
    return size.cx + 2 * GetSystemMetricsForDpi(SM_CXEDGE, dpi) +
           GetSystemMetricsForDpi(SM_CXVSCROLL, dpi) + MulDiv(8, dpi, 96);
}

std::wstring CCameraList::DetailsOf(int line) const {
    if (line < 0 || static_cast<std::size_t>(line) >= m_session.Records().size()) {
        return {};
    }
    const auto index = static_cast<std::size_t>(line);
    std::wstring details = Wide(CameraDetailsText(
        m_session.Records()[index], m_session.SameAddress(index, SAME_ADDRESS_NAMED + 1)));
    // A tooltip breaks its lines at "\r\n".
    for (std::size_t at = details.find(L'\n'); at != std::wstring::npos;
         at = details.find(L'\n', at + 2)) {
        details.insert(at, 1, L'\r');
    }
    return details;
}

int CCameraList::LineAt(LPARAM point) const {
    const LRESULT found = SendMessageW(m_list, LB_ITEMFROMPOINT, 0, point);
    return HIWORD(found) != 0 ? -1 : static_cast<int>(LOWORD(found));
}

void CCameraList::ShowTipFor(int line) {
    if (line == m_tipLine) {
        return;
    }
    m_tipLine = line;
    const std::wstring details = DetailsOf(line);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = m_owner;
    tool.uId = reinterpret_cast<UINT_PTR>(m_list);
    tool.lpszText = const_cast<wchar_t*>(details.c_str());
    SendMessageW(m_tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CCameraList::RequestMenu(POINT point) {
    // Posted: the menu opens after the press has been handled.
    PostMessageW(m_owner, m_menuMessage, 0, MAKELPARAM(point.x, point.y));
}

// Drawn over the empty list, not added to it: line i still shows record i.
void CCameraList::PaintPlaceholder() {
    PAINTSTRUCT paint;
    const HDC context = BeginPaint(m_list, &paint);
    RECT area;
    GetClientRect(m_list, &area);
    FillRect(context, &area, GetSysColorBrush(COLOR_WINDOW));
    const int margin = MulDiv(24, static_cast<int>(GetDpiForWindow(m_list)), 96);
    InflateRect(&area, -margin, -margin);
    const HGDIOBJ before =
        SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(m_owner, WM_GETFONT, 0, 0)));
    SetBkMode(context, TRANSPARENT);
    SetTextColor(context, GetSysColor(COLOR_GRAYTEXT));
    // Centred as a block: measured first, then drawn in the middle.
    RECT text = area;
    DrawTextW(context, m_placeholder.c_str(), -1, &text,
              DT_CALCRECT | DT_WORDBREAK | DT_CENTER | DT_NOPREFIX);
    const int offset = std::max(0L, ((area.bottom - area.top) - (text.bottom - text.top)) / 2);
    area.top += offset;
    DrawTextW(context, m_placeholder.c_str(), -1, &area, DT_WORDBREAK | DT_CENTER | DT_NOPREFIX);
    SelectObject(context, before);
    EndPaint(m_list, &paint);
}

LRESULT CCameraList::OnListMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            if (!m_placeholder.empty() && SendMessageW(m_list, LB_GETCOUNT, 0, 0) == 0) {
                PaintPlaceholder();
                return 0;
            }
            break;
        case WM_MOUSEMOVE:
            ShowTipFor(LineAt(lParam));
            break;
        case WM_RBUTTONDOWN: {
            // The line under the pointer is the one meant, with the others
            // selected if it is one of them.
            if (const int line = LineAt(lParam);
                line >= 0 && SendMessageW(m_list, LB_GETSEL, line, 0) <= 0) {
                Select({line});
                SendMessageW(m_list, LB_SETCARETINDEX, line, FALSE);
            }
            const LRESULT handled = DefSubclassProc(m_list, message, wParam, lParam);
            RequestMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return handled;
        }
        case WM_CONTEXTMENU:
            // From the keyboard (the menu key or Shift+F10) the point is
            // (-1, -1): the menu opens at the line the keyboard is on. The
            // mouse's has already been asked for on the press.
            if (GET_X_LPARAM(lParam) == -1 && GET_Y_LPARAM(lParam) == -1) {
                int line = SelectedLine();
                if (line < 0) {
                    line = CaretLine();
                    Select({line});
                }
                RECT rect{};
                SendMessageW(m_list, LB_GETITEMRECT, static_cast<WPARAM>(line),
                             reinterpret_cast<LPARAM>(&rect));
                RequestMenu({rect.left, rect.bottom});
            }
            return 0;
        case WM_KEYDOWN:
            if (GetKeyState(VK_CONTROL) < 0 && (wParam == 'A' || wParam == 'C')) {
                const auto lines = static_cast<int>(SendMessageW(m_list, LB_GETCOUNT, 0, 0));
                if (wParam == 'A' && lines > 0) {
                    SendMessageW(m_list, LB_SELITEMRANGEEX, 0, lines - 1);
                } else if (wParam == 'C') {
                    PostMessageW(m_owner, WM_COMMAND, static_cast<WPARAM>(m_copyCommand), 0);
                }
                return 0;
            }
            break;
        case WM_CHAR:
            // Ctrl+A and Ctrl+C end here as control characters.
            if (wParam > L' ') {
                GoToLetter(static_cast<wchar_t>(wParam));
            }
            return 0;
        case LB_GETTEXTLEN:
            return HasLine(static_cast<int>(wParam))
                       ? static_cast<LRESULT>(TextOf(static_cast<int>(wParam)).size())
                       : LB_ERR;
        case LB_GETTEXT: {
            if (!HasLine(static_cast<int>(wParam))) {
                return LB_ERR;
            }
            const std::wstring& text = TextOf(static_cast<int>(wParam));
            std::copy_n(text.c_str(), text.size() + 1, reinterpret_cast<wchar_t*>(lParam));
            return static_cast<LRESULT>(text.size());
        }
        default:
            break;
    }
    return DefSubclassProc(m_list, message, wParam, lParam);
}

LRESULT CALLBACK CCameraList::SubclassProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR /*id*/, DWORD_PTR self) {
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(list, &SubclassProc, SUBCLASS_ID);
        reinterpret_cast<CCameraList*>(self)->m_list = nullptr;
        return DefSubclassProc(list, message, wParam, lParam);
    }
    return reinterpret_cast<CCameraList*>(self)->OnListMessage(message, wParam, lParam);
}

}  // namespace vantrel
