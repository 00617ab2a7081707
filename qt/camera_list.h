// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListView>

#include "qt/camera_model.h"

#include "session/camera_session.h"

namespace vantrel {

// The camera list: line i shows the session's record i, and the list
// follows the session's edits and nothing else. Many lines may be selected
// (Shift, Ctrl, Ctrl+A). While it is empty it says what the session is
// doing; a right press or the keyboard's menu key asks for the context
// menu once the line under it is selected, and Ctrl+C for a copy.
class CCameraList : public QListView {
    Q_OBJECT
  public:
    explicit CCameraList(const CCameraSession& session, QWidget* parent = nullptr);

    // Applies the session's edit; the selection stays on its cameras, and
    // where one went it is not selected, and no neighbour is instead.
    void Follow(const ListEdit& edit);
    // Empties the list: the session has forgotten its cameras.
    void Clear();
    [[nodiscard]] int count() const { return m_model.rowCount(); }
    // Line's text, as the list shows it.
    [[nodiscard]] QString LineText(int line) const;
    // What the empty list says; empty text while it has lines.
    void SetPlaceholder(const QString& text);
    // The line the keyboard is on, or -1.
    [[nodiscard]] int CurrentLine() const { return currentIndex().row(); }
    // The first selected line, or -1.
    [[nodiscard]] int SelectedLine() const;
    // Every selected line, in list order.
    [[nodiscard]] std::vector<int> SelectedLines() const;
    // The width the longest line there can be takes, frame and scroll bar in.
    [[nodiscard]] int LongestLineWidth() const;

    // Exactly these lines (ascending); the keyboard's line moves to the
    // first when it is not among them.
    void Select(const std::vector<int>& lines);

  signals:
    // In the viewport's coordinates, after the press has been handled.
    void menuRequested(QPoint position);
    void copyRequested();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void RequestMenu(QPoint position);

    CCameraModel m_model;
    QString m_placeholder;
};

}  // namespace vantrel
