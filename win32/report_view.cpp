// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/report_view.h"

#include <commctrl.h>

namespace vantrel {

void CReportView::Attach(HWND view, const std::vector<std::wstring>& headings) {
    m_view = view;
    m_columns = static_cast<int>(headings.size());
    ListView_SetExtendedListViewStyle(view, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (int column = 0; column < m_columns; ++column) {
        LVCOLUMNW heading{};
        heading.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        heading.pszText = const_cast<wchar_t*>(headings[column].c_str());
        heading.cx = 80;
        heading.iSubItem = column;
        SendMessageW(view, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&heading));
    }
}

int CReportView::Rows() const {
    return static_cast<int>(SendMessageW(m_view, LVM_GETITEMCOUNT, 0, 0));
}

void CReportView::SetRowCount(int rows) {
    while (Rows() > rows) {
        SendMessageW(m_view, LVM_DELETEITEM, Rows() - 1, 0);
    }
    while (Rows() < rows) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = Rows();
        item.pszText = const_cast<wchar_t*>(L"");
        SendMessageW(m_view, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

std::wstring CReportView::Cell(int row, int column) const {
    std::wstring text(1024, L'\0');
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    const auto length =
        SendMessageW(m_view, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

void CReportView::SetCell(int row, int column, const std::wstring& text) {
    if (Cell(row, column) == text) {
        return;
    }
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(m_view, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

void CReportView::SetHeading(int column, const std::wstring& text) {
    LVCOLUMNW heading{};
    heading.mask = LVCF_TEXT;
    heading.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(m_view, LVM_SETCOLUMNW, column, reinterpret_cast<LPARAM>(&heading));
}

void CReportView::FitColumns() {
    for (int column = 0; column < m_columns; ++column) {
        // The last column takes the room that is left.
        SendMessageW(m_view, LVM_SETCOLUMNWIDTH, column,
                     column + 1 == m_columns ? LVSCW_AUTOSIZE_USEHEADER : LVSCW_AUTOSIZE);
        const auto cells = SendMessageW(m_view, LVM_GETCOLUMNWIDTH, column, 0);
        SendMessageW(m_view, LVM_SETCOLUMNWIDTH, column, LVSCW_AUTOSIZE_USEHEADER);
        const auto heading = SendMessageW(m_view, LVM_GETCOLUMNWIDTH, column, 0);
        if (cells > heading && column + 1 != m_columns) {
            SendMessageW(m_view, LVM_SETCOLUMNWIDTH, column, cells);
        }
    }
}

}  // namespace vantrel
