// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vantrel {

// A dialog's list view in report mode: a table of text cells, rows
// numbered from 0, which screen readers and other programs read cell by
// cell (LVM_GETITEMTEXT).
class CReportView {
  public:
    void Attach(HWND view, const std::vector<std::wstring>& headings);
    void SetRowCount(int rows);
    // Writes the cell only when its text changed, so that a table
    // rewritten on every change does not flicker.
    void SetCell(int row, int column, const std::wstring& text);
    [[nodiscard]] std::wstring Cell(int row, int column) const;
    void SetHeading(int column, const std::wstring& text);
    // Each column as wide as its widest cell or heading.
    void FitColumns();
    [[nodiscard]] int Rows() const;
    [[nodiscard]] HWND Handle() const { return m_view; }

  private:
    HWND m_view = nullptr;
    int m_columns = 0;
};

}  // namespace vantrel
