#pragma once

#include <QColor>
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

// A details list that takes files dropped on it and hands over their full paths.
class FileDropList : public QTreeWidget {
    Q_OBJECT
public:
    explicit FileDropList(QWidget* parent = nullptr);
    std::function<void(const std::vector<std::string>&)> onFilesDropped;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

} // namespace marrowick
