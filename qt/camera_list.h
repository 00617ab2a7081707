// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListWidget>

#include "session/camera_session.h"

namespace vantrel {

// The camera list: line i shows the session's record i, and the list
// follows the session's edits and nothing else. Many lines may be selected
// (Shift, Ctrl, Ctrl+A). While it is empty it says what the session is
// doing; a right press or the keyboard's menu key asks for the context
// menu once the line under it is selected, and Ctrl+C for a copy.
class CCameraList : public QListWidget {
    Q_OBJECT
  public:
    explicit CCameraList(const CCameraSession& session, QWidget* parent = nullptr);

    // Applies the session's edit; the selection stays on its cameras, and
    // where one went it is not selected, and no neighbour is instead.
    void Follow(const ListEdit& edit);
    // What the empty list says; empty text while it has lines.
    void SetPlaceholder(const QString& text);
    // The first selected line, or -1.
    [[nodiscard]] int SelectedLine() const;
    // Every selected line, in list order.
    [[nodiscard]] std::vector<int> SelectedLines() const;
    // The width the longest line there can be takes, frame and scroll bar in.
    [[nodiscard]] int LongestLineWidth() const;

  signals:
    // In the viewport's coordinates, after the press has been handled.
    void menuRequested(QPoint position);
    void copyRequested();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void AppendLine(std::size_t line);
    void RequestMenu(QPoint position);
    void Select(const std::vector<int>& lines);

    const CCameraSession& m_session;
    QString m_placeholder;
};

}  // namespace vantrel
