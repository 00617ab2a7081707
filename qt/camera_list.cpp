// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/camera_list.h"

#include <algorithm>

#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace vantrel {

namespace {

// 25 columns of name and the longest status text.
constexpr int LONGEST_LINE = 91;
// So many lines going at once that the memory they held is worth returning.
constexpr std::size_t MANY_LINES = 4096;

// After a flood has gone, give the freed heap back to the system rather
// than keep it for a flood that may never come again.
void ReturnFreedMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

}  // namespace

CCameraList::CCameraList(const CCameraSession& session, QWidget* parent)
    : QListView(parent), m_model(session) {
    setModel(&m_model);
    setAccessibleName("Cameras");
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Every line is one line of one font: the view need not measure each.
    setUniformItemSizes(true);
    // Names are padded to a column of 25 characters, which lines up only in
    // a fixed-pitch font.
    QFont lines = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    lines.setPixelSize(14);
    lines.setWeight(QFont::DemiBold);
    setFont(lines);
}

int CCameraList::LongestLineWidth() const {
    return QFontMetrics(font()).horizontalAdvance(QString(LONGEST_LINE, 'M')) + 2 * frameWidth() +
           verticalScrollBar()->sizeHint().width();
}

QString CCameraList::LineText(int line) const {
    return m_model.data(m_model.index(line), Qt::DisplayRole).toString();
}

void CCameraList::Follow(const ListEdit& edit) {
    const std::vector<int> selected = SelectedLines();
    const std::vector<int> selectedAfter = edit.SelectionAfter(selected);
    m_model.Follow(edit);
    // Where the last selected camera went, the line the view made current
    // in its place is no choice of the user's either.
    if (SelectedLines() != selectedAfter || (selectedAfter.empty() && !selected.empty())) {
        Select(selectedAfter);
    }
    if (edit.DroppedLines() >= MANY_LINES) {
        ReturnFreedMemory();
    }
}

void CCameraList::Clear() {
    m_model.Clear();
}

int CCameraList::SelectedLine() const {
    const std::vector<int> lines = SelectedLines();
    return lines.empty() ? -1 : lines.front();
}

std::vector<int> CCameraList::SelectedLines() const {
    std::vector<int> lines;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        lines.push_back(index.row());
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Exactly these lines, as runs, so that a thousand selected lines cost a
// few ranges; a current line that is not among them moves to the first.
void CCameraList::Select(const std::vector<int>& lines) {
    if (lines.empty()) {
        selectionModel()->clear();  // the current line too: the keyboard starts afresh
        return;
    }
    QItemSelection selection;
    for (std::size_t first = 0; first < lines.size();) {
        std::size_t last = first;
        while (last + 1 < lines.size() && lines[last + 1] == lines[last] + 1) {
            ++last;
        }
        selection.select(model()->index(lines[first], 0), model()->index(lines[last], 0));
        first = last + 1;
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!std::binary_search(lines.begin(), lines.end(), CurrentLine())) {
        selectionModel()->setCurrentIndex(model()->index(lines.front(), 0),
                                          QItemSelectionModel::NoUpdate);
    }
}

void CCameraList::SetPlaceholder(const QString& text) {
    if (text != m_placeholder) {
        m_placeholder = text;
        setAccessibleDescription(text);
        viewport()->update();
    }
}

// Drawn over the empty list, not added to it: line i still shows record i.
void CCameraList::paintEvent(QPaintEvent* event) {
    if (m_placeholder.isEmpty()) {
        QListView::paintEvent(event);
        return;
    }
    QWidget& area = *viewport();
    QPainter painter(&area);
    painter.fillRect(area.rect(), area.palette().base());
    painter.setFont(parentWidget() != nullptr ? parentWidget()->font() : QFont());
    painter.setPen(area.palette().color(QPalette::PlaceholderText));
    painter.drawText(area.rect().adjusted(24, 24, -24, -24), Qt::AlignCenter | Qt::TextWordWrap,
                     m_placeholder);
}

// A right press still selects the line under the pointer; the menu then
// opens on the selection.
void CCameraList::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        RequestMenu(event->position().toPoint());
    }
    QListView::mousePressEvent(event);
}

// The keyboard's way to the same menu: the Menu key or Shift+F10 opens it
// at the selected line.
void CCameraList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Menu ||
        (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        // The line the keyboard is on is the one meant, selected or not
        // (the first arrow key only makes a line current).
        const QModelIndex current = currentIndex();
        if (current.isValid() && !selectionModel()->hasSelection()) {
            selectionModel()->select(current, QItemSelectionModel::Select);
        }
        RequestMenu(current.isValid() ? visualRect(current).bottomLeft() : QPoint());
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        emit copyRequested();
        return;
    }
    QListView::keyPressEvent(event);
}

// Queued: the menu opens after the press has been handled.
void CCameraList::RequestMenu(QPoint position) {
    QMetaObject::invokeMethod(
        this, [this, position] { emit menuRequested(position); }, Qt::QueuedConnection);
}

}  // namespace vantrel
