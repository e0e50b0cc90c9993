#pragma once

#include <QColor>
#include <QLabel>
#include <QTreeWidget>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

namespace marrowick {

// A round light filled with one colour (`Shape1`, the transfer status light).
class StatusLight : public QWidget {
    Q_OBJECT
public:
    explicit StatusLight(QWidget* parent = nullptr);
    void setFillColor(const QColor& colour);
    QColor fillColor() const { return m_colour; }
    QSize sizeHint() const override { return {22, 22}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_colour;
};

// A status bar panel: a text too long for it ends in "…", and the whole text
// stays the label's text (for screen readers) and its tooltip.
class StatusPanel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A details list that takes files dropped on it and hands over their full
// paths, lets its own rows be dragged to another place (the program reorders
// and lists them again), and reports the Delete key.
class FileDropList : public QTreeWidget {
    Q_OBJECT
public:
    explicit FileDropList(QWidget* parent = nullptr);
    std::function<void(const std::vector<std::string>&)> onFilesDropped;
    // The selected rows (0-based, in order) dropped to stand before row `before`.
    std::function<void(const std::vector<int>& rows, int before)> onRowsMoved;
    std::function<void()> onDeletePressed;

    // The row a drop at `position` (viewport coordinates) puts things before.
    int RowBefore(const QPoint& position) const;
    // Moves the selected rows to stand before the row at `position`, as a drop does.
    void MoveSelectionTo(const QPoint& position);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// A details list whose chosen cells take a whole number, in a spin box
// (ListShows: a show's clip, volume and delays); rows without such a cell are
// greyed. It shows the program's rows only: what the person enters is handed
// over, and shows once the program has set the rows again.
class NumberCellList : public QTreeWidget {
    Q_OBJECT
public:
    explicit NumberCellList(QWidget* parent = nullptr);
    // The rows' texts. While the number of rows stays, they change in place,
    // so the current cell stays where it is.
    void setRowTexts(const QList<QStringList>& rows);
    // cells[row]: the columns of the row that take a number from 0 to `maximum`.
    void setEditableCells(std::vector<std::vector<int>> cells, int maximum);
    bool isCellEditable(int row, int column) const;
    int maximum() const { return m_maximum; }
    // While false (a conversation runs), no cell takes an edit.
    void setEditing(bool allowed);
    std::function<void(int row, int column, int value)> onCellEdited;

private:
    void applyFlags();

    std::vector<std::vector<int>> m_cells;
    int m_maximum = 0;
};

} // namespace marrowick
