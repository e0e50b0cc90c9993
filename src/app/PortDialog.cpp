#include "app/PortDialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QVBoxLayout>

namespace marrowick {

PortProbe SystemPortProbe(const Settings* settings)
{
    PortProbe probe;
    probe.ports = [settings] { return PortNames(settings).Ports(); };
    probe.openAndClose = [](const PortEntry& entry) {
        QSerialPort port;
        port.setPortName(QString::fromStdString(entry.device));
        if (!port.open(QIODevice::ReadWrite))
            return false;
        port.close();
        return true;
    };
    return probe;
}

PortDialog::PortDialog(PortProbe probe, int comPortNumber, QWidget* parent)
    : QDialog(parent), m_probe(std::move(probe)), m_comPortNumber(comPortNumber)
{
    setObjectName(QStringLiteral("frmComPort"));
    setWindowTitle(QStringLiteral("  Select Com Port"));

    m_combo = new QComboBox;
    m_combo->setObjectName(QStringLiteral("Combo1"));
    m_combo->setEditable(true);
    m_combo->setInsertPolicy(QComboBox::NoInsert);
    m_combo->setMinimumWidth(220);
    m_combo->setEditText(QStringLiteral("Finding Com Ports"));

    m_done = new QPushButton(QStringLiteral("Done"));
    m_done->setObjectName(QStringLiteral("Command1"));
    m_done->setDefault(true);
    connect(m_done, &QPushButton::clicked, this, &PortDialog::DoneClicked);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_combo);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_done);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &PortDialog::Search);
}

void PortDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_started) {
        m_started = true;
        m_timer.start(SearchDelayMs);
    }
}

void PortDialog::Search()
{
    m_combo->clear();
    m_combo->setEditText(QStringLiteral("Finding Com Ports"));
    FillPortList();
    if (m_combo->count() > 0) {
        m_combo->setCurrentIndex(-1);
        m_combo->setEditText(QStringLiteral("Select.."));
        const int match = m_combo->findData(m_comPortNumber);
        if (match >= 0)
            m_combo->setCurrentIndex(match);
    } else {
        m_combo->setEditText(QStringLiteral("No Ports Found"));
    }
}

bool PortDialog::TestPort(int number, const std::vector<PortEntry>& known, PortEntry& entry) const
{
    for (const auto& candidate : known) {
        if (candidate.number == number) {
            entry = candidate;
            return m_probe.openAndClose && m_probe.openAndClose(candidate);
        }
    }
    return false;
}

void PortDialog::FillPortList()
{
    const std::vector<PortEntry> known = m_probe.ports ? m_probe.ports() : std::vector<PortEntry>{};
    QString status = m_combo->currentText();
    for (int number = 1; number <= HighestPort; ++number) {
        PortEntry entry;
        if (TestPort(number, known, entry)) {
            m_combo->addItem(QStringLiteral("COM%1").arg(number), number);
            QString tip = QString::fromStdString(entry.device);
            if (!entry.description.empty())
                tip += QStringLiteral(" - ") + QString::fromStdString(entry.description);
            m_combo->setItemData(m_combo->count() - 1, tip, Qt::ToolTipRole);
            // Adding the first entry selects it; the text stays the status line until the search ends.
            m_combo->setCurrentIndex(-1);
        }
        // One dot per port tried, painted at once: the search holds the event loop.
        status += QLatin1Char('.');
        m_combo->setEditText(status);
        m_combo->repaint();
    }
}

int PortDialog::SelectedEntry() const
{
    const int index = m_combo->currentIndex();
    if (index < 0 || m_combo->currentText() != m_combo->itemText(index))
        return -1;
    return index;
}

void PortDialog::DoneClicked()
{
    if (m_combo->count() > 0 && SelectedEntry() < 0)
        return;
    accept();
}

void PortDialog::done(int result)
{
    // Every way of closing comes here: "Done", the close box, Escape.
    if (m_combo->count() > 0) {
        const int selected = SelectedEntry();
        if (selected < 0)
            return;
        m_comPortNumber = m_combo->itemData(selected).toInt();
    } else {
        m_comPortNumber = 0;
    }
    m_timer.stop();
    QDialog::done(result);
}

} // namespace marrowick
