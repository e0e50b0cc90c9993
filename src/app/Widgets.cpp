#include "app/Widgets.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QStyle>
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

} // namespace marrowick
