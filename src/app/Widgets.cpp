#include "app/Widgets.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QSpinBox>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QUrl>
#include <algorithm>

namespace marrowick {

StatusLight::StatusLight(QWidget* parent) : QWidget(parent), m_colour(Qt::lightGray)
{
    setFixedSize(sizeHint());
}

void StatusLight::setFillColor(const QColor& colour)
{
    m_colour = colour;
    update();
}

void StatusLight::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Dark), 1));
    painter.setBrush(m_colour);
    painter.drawEllipse(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
}

void StatusPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawFrame(&painter);
    const QRect room = contentsRect().adjusted(margin() + 2, margin(), -margin() - 2, -margin());
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, room.width());
    style()->drawItemText(&painter, room, static_cast<int>(alignment()), palette(), isEnabled(), shown,
                          foregroundRole());
}

FileDropList::FileDropList(QWidget* parent) : QTreeWidget(parent)
{
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragEnabled(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(true);
}

void FileDropList::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->source() == this || event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void FileDropList::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->source() == this) {
        // Lets the view draw where the rows would go.
        QTreeWidget::dragMoveEvent(event);
        event->acceptProposedAction();
    } else if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

int FileDropList::RowBefore(const QPoint& position) const
{
    const QModelIndex index = indexAt(position);
    if (!index.isValid())
        return topLevelItemCount();
    const QRect rect = visualRect(index);
    return position.y() < rect.center().y() ? index.row() : index.row() + 1;
}

void FileDropList::MoveSelectionTo(const QPoint& position)
{
    std::vector<int> rows;
    for (QTreeWidgetItem* item : selectedItems())
        rows.push_back(indexOfTopLevelItem(item));
    std::sort(rows.begin(), rows.end());
    if (!rows.empty() && onRowsMoved)
        onRowsMoved(rows, RowBefore(position));
}

void FileDropList::dropEvent(QDropEvent* event)
{
    if (event->source() == this) {
        // The program reorders the clips and lists them again; a copy action
        // keeps the view from removing the dragged rows itself.
        MoveSelectionTo(event->position().toPoint());
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return;
    }
    std::vector<std::string> files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            files.push_back(url.toLocalFile().toStdString());
    event->acceptProposedAction();
    if (!files.empty() && onFilesDropped)
        onFilesDropped(files);
}

void FileDropList::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) && onDeletePressed) {
        onDeletePressed();
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

namespace {

// The spin box of a number cell; what it holds when committed goes to the
// list's onCellEdited, never into the list itself.
class NumberCellDelegate : public QStyledItemDelegate {
public:
    explicit NumberCellDelegate(NumberCellList& list) : QStyledItemDelegate(&list), m_list(list) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override
    {
        if (!m_list.isCellEditable(index.row(), index.column()))
            return nullptr;
        auto* spin = new QSpinBox(parent);
        spin->setRange(0, m_list.maximum());
        spin->setFrame(false);
        spin->setAccessibleName(m_list.headerItem()->text(index.column()));
        return spin;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        auto* spin = static_cast<QSpinBox*>(editor);
        spin->setValue(index.data().toString().toInt());
        spin->selectAll(); // a number typed replaces it
    }
    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        auto* spin = static_cast<QSpinBox*>(editor);
        spin->interpretText();
        if (m_list.onCellEdited)
            m_list.onCellEdited(index.row(), index.column(), spin->value());
    }

private:
    NumberCellList& m_list;
};

} // namespace

NumberCellList::NumberCellList(QWidget* parent) : QTreeWidget(parent)
{
    setItemDelegate(new NumberCellDelegate(*this));
    // A cell at a time, so the arrow keys go from cell to cell and a digit typed starts an edit.
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditing(true);
}

void NumberCellList::setRowTexts(const QList<QStringList>& rows)
{
    if (topLevelItemCount() == rows.size()) {
        for (int row = 0; row < rows.size(); ++row) {
            QTreeWidgetItem* item = topLevelItem(row);
            for (int column = 0; column < std::max(item->columnCount(), static_cast<int>(rows[row].size())); ++column)
                item->setText(column, column < rows[row].size() ? rows[row][column] : QString());
        }
        return;
    }
    clear();
    QList<QTreeWidgetItem*> items;
    for (const QStringList& row : rows)
        items << new QTreeWidgetItem(row);
    addTopLevelItems(items);
    applyFlags();
}

void NumberCellList::setEditableCells(std::vector<std::vector<int>> cells, int maximum)
{
    m_cells = std::move(cells);
    m_maximum = maximum;
    applyFlags();
}

bool NumberCellList::isCellEditable(int row, int column) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_cells.size())
        return false;
    const std::vector<int>& columns = m_cells[static_cast<std::size_t>(row)];
    return std::find(columns.begin(), columns.end(), column) != columns.end();
}

void NumberCellList::setEditing(bool allowed)
{
    setEditTriggers(allowed ? QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                                  QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed
                            : QAbstractItemView::NoEditTriggers);
}

void NumberCellList::applyFlags()
{
    for (int row = 0; row < topLevelItemCount(); ++row) {
        const bool editable =
            static_cast<std::size_t>(row) < m_cells.size() && !m_cells[static_cast<std::size_t>(row)].empty();
        topLevelItem(row)->setFlags(editable ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable
                                             : Qt::ItemIsSelectable);
    }
}

} // namespace marrowick
