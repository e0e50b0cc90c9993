#include "app/QtView.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QStyle>
#include <QTabWidget>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>
#include <climits>
#include <cmath>

#include "app/Widgets.h"

namespace marrowick {
namespace {

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

int ProgressNumber(double value)
{
    if (!(value > 0)) // also NaN
        return 0;
    return value >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(std::lround(value));
}

} // namespace

template <typename W> W* QtView::Find(const char* name) const
{
    if (!m_window)
        return nullptr;
    W* found = m_window->findChild<W*>(QString::fromLatin1(name));
    if (!found)
        qWarning("The main window has no control %s", name);
    return found;
}

void QtView::setCaptionSuffix(const QString& suffix)
{
    m_captionSuffix = suffix;
    if (m_window)
        setWindowCaption(m_window->windowTitle().toStdString());
}

void QtView::setWindowCaption(const std::string& text)
{
    if (!m_window)
        return;
    QString title = Q(text);
    if (!m_captionSuffix.isEmpty() && !title.endsWith(m_captionSuffix))
        title = title.isEmpty() ? m_captionSuffix : title + QStringLiteral(" - ") + m_captionSuffix;
    m_window->setWindowTitle(title);
}

void QtView::setStatus(int panel, const std::string& text)
{
    if (auto* label = Find<QLabel>(("StatusBar1_" + std::to_string(panel)).c_str())) {
        label->setText(Q(text));
        label->setToolTip(Q(text));
    }
}

void QtView::setProgressMaximum(double maximum)
{
    if (auto* bar = Find<QProgressBar>(control::ProgressBar1.name)) {
        const int top = std::max(1, ProgressNumber(maximum));
        bar->setRange(0, top);
    }
}

void QtView::setProgressValue(double value)
{
    if (auto* bar = Find<QProgressBar>(control::ProgressBar1.name))
        bar->setValue(std::min(ProgressNumber(value), bar->maximum()));
}

void QtView::setCaption(Control control, const std::string& text)
{
    QWidget* widget = Find(control.name);
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(Q(text));
    else if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(Q(text));
    else if (auto* frame = qobject_cast<QGroupBox*>(widget))
        frame->setTitle(Q(text));
    else if (widget)
        widget->setWindowTitle(Q(text));
}

void QtView::setVisible(Control control, bool visible)
{
    if (QWidget* widget = Find(control.name))
        widget->setVisible(visible);
}

void QtView::setAvailable(Control control, const std::string& whyNot)
{
    QWidget* widget = Find(control.name);
    if (widget == nullptr)
        return;
    // The control's own tooltip is kept to come back when it is usable again.
    static const char* const OwnTip = "marrowickOwnToolTip";
    if (!widget->property(OwnTip).isValid())
        widget->setProperty(OwnTip, widget->toolTip());
    // A list that takes edits stays readable; only its cells stop taking edits.
    if (auto* cells = qobject_cast<NumberCellList*>(widget))
        cells->setEditing(whyNot.empty());
    else
        widget->setEnabled(whyNot.empty());
    widget->setToolTip(whyNot.empty() ? widget->property(OwnTip).toString() : QString::fromStdString(whyNot));
}

void QtView::setChecked(Control checkBox, bool checked)
{
    if (auto* box = Find<QAbstractButton>(checkBox.name))
        box->setChecked(checked);
}

void QtView::setTabEnabled(int tab, bool enabled)
{
    if (auto* tabs = Find<QTabWidget>(control::SSTab1.name))
        tabs->setTabEnabled(tab, enabled);
}

void QtView::setFillColor(Control control, Rgb colour)
{
    if (auto* light = Find<StatusLight>(control.name))
        light->setFillColor(QColor(colour.red, colour.green, colour.blue));
}

void QtView::setRows(Control control, const std::vector<std::vector<std::string>>& rows)
{
    auto* list = Find<QTreeWidget>(control.name);
    if (!list)
        return;
    if (auto* cells = qobject_cast<NumberCellList*>(list)) {
        QList<QStringList> texts;
        for (const auto& row : rows) {
            QStringList line;
            for (const auto& text : row)
                line << Q(text);
            texts << line;
        }
        cells->setRowTexts(texts);
        return;
    }
    list->setUpdatesEnabled(false);
    list->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const auto& row : rows) {
        QStringList texts;
        for (const auto& text : row)
            texts << Q(text);
        items << new QTreeWidgetItem(texts);
    }
    list->addTopLevelItems(items);
    list->setUpdatesEnabled(true);
}

void QtView::markRows(Control list, const std::vector<std::string>& warnings)
{
    auto* tree = Find<QTreeWidget>(list.name);
    if (!tree)
        return;
    const QIcon sign = tree->style()->standardIcon(QStyle::SP_MessageBoxWarning);
    const int rows = std::min(tree->topLevelItemCount(), static_cast<int>(warnings.size()));
    for (int row = 0; row < rows; ++row) {
        const std::string& warning = warnings[static_cast<std::size_t>(row)];
        QTreeWidgetItem* item = tree->topLevelItem(row);
        item->setIcon(0, warning.empty() ? QIcon() : sign);
        for (int column = 0; column < item->columnCount(); ++column)
            item->setToolTip(column, Q(warning));
    }
}

void QtView::setEditableCells(Control list, const std::vector<std::vector<int>>& cells, int maximum)
{
    if (auto* numbers = Find<NumberCellList>(list.name))
        numbers->setEditableCells(cells, maximum);
}

void QtView::setChoices(Control choice, const std::vector<std::string>& items, int selected)
{
    auto* box = Find<QComboBox>(choice.name);
    if (!box)
        return;
    // Only the person's own choices are commands (QComboBox::activated).
    const QSignalBlocker quiet(box);
    QStringList texts;
    for (const auto& item : items)
        texts << Q(item);
    QStringList held;
    for (int index = 0; index < box->count(); ++index)
        held << box->itemText(index);
    if (held != texts) {
        box->clear();
        box->addItems(texts);
    }
    box->setCurrentIndex(selected);
}

std::vector<int> QtView::selectedRows(Control list) const
{
    std::vector<int> rows;
    if (auto* tree = Find<QTreeWidget>(list.name))
        for (QTreeWidgetItem* item : tree->selectedItems())
            rows.push_back(tree->indexOfTopLevelItem(item));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void QtView::setMeter(Control bar, double maximum, double value, const std::string& text, bool warning)
{
    auto* meter = Find<QProgressBar>(bar.name);
    if (!meter)
        return;
    meter->setRange(0, std::max(1, ProgressNumber(maximum)));
    meter->setValue(std::min(ProgressNumber(value), meter->maximum()));
    meter->setFormat(Q(text));
    meter->setTextVisible(true);
    QPalette palette = meter->style()->standardPalette();
    if (warning)
        palette.setColor(QPalette::Highlight, QColor(0xD9, 0x53, 0x1E));
    meter->setPalette(palette);
    meter->setToolTip(Q(text));
}

int QtView::selectedOption(Control optionArray) const
{
    if (!m_window)
        return -1;
    const auto* group = m_window->findChild<QButtonGroup*>(QString::fromLatin1(optionArray.name));
    return group ? group->checkedId() : -1;
}

void QtView::openFile(const std::string& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path)));
}

void QtView::closeWindow()
{
    // Later, from the event loop: the close runs the shutdown, which must not
    // happen inside the core's own handler that asked for it.
    if (m_window)
        QMetaObject::invokeMethod(m_window, &QWidget::close, Qt::QueuedConnection);
}

} // namespace marrowick
