#include "app/PortDialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "link/PortDiagnosis.h"
#include "qt/PortFactsFinder.h"

namespace marrowick {
namespace {

// Item data of a list entry: the port number (0 for a typed device), and the device.
constexpr int NumberRole = Qt::UserRole;
constexpr int DeviceRole = Qt::UserRole + 1;

#ifdef Q_OS_WIN
const char* const TypeHint = "Not listed? Type its name, such as COM23.";
#else
const char* const TypeHint = "Not listed? Type its path, such as /dev/ttyUSB3.";
#endif

// The port as messages name it: "COM3", or the typed device.
std::string Shown(const PortEntry& entry)
{
    return entry.number > 0 ? "COM" + std::to_string(entry.number) : entry.device;
}

} // namespace

PortProbe SystemPortProbe(const Settings* settings)
{
    PortProbe probe;
    probe.ports = [settings] { return PortNames(settings).Ports(); };
    probe.tryOpen = [](const PortEntry& entry) {
        const auto refused = TryOpen(Shown(entry), entry.device);
        return refused ? PortTrial{false, DescribePortProblem(*refused)} : PortTrial{true, {}};
    };
    return probe;
}

PortDialog::PortDialog(PortProbe probe, PortChoice current, QWidget* parent)
    : QDialog(parent), m_probe(std::move(probe)), m_choice(current), m_remembered(std::move(current))
{
    setObjectName(QStringLiteral("frmComPort"));
    setWindowTitle(QStringLiteral("  Select Com Port"));

    m_hint = new QLabel(QString::fromLatin1(TypeHint));
    m_hint->setObjectName(QStringLiteral("lblTypeDevice"));
    m_hint->setWordWrap(true);

    m_combo = new QComboBox;
    m_combo->setObjectName(QStringLiteral("Combo1"));
    m_combo->setEditable(true);
    m_combo->setInsertPolicy(QComboBox::NoInsert);
    m_combo->setMinimumWidth(300);
    m_combo->setEditText(QStringLiteral("Finding Com Ports"));
    // What the user types is a device; what the program writes there is a status or an entry.
    connect(m_combo->lineEdit(), &QLineEdit::textEdited, this, [this] {
        m_typed = true;
        m_hint->setText(QString::fromLatin1(TypeHint));
    });
    connect(m_combo, &QComboBox::activated, this, [this] {
        m_typed = false;
        m_hint->setText(QString::fromLatin1(TypeHint));
    });

    m_done = new QPushButton(QStringLiteral("Done"));
    m_done->setObjectName(QStringLiteral("Command1"));
    m_done->setDefault(true);
    connect(m_done, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_combo);
    layout->addWidget(m_hint);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_done);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_hint->setFixedWidth(m_combo->minimumWidth());

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
    m_typed = false;
    if (SelectableCount() == 0) {
        m_combo->setEditText(QStringLiteral("No Ports Found"));
        return;
    }
    m_combo->setCurrentIndex(-1);
    m_combo->setEditText(QStringLiteral("Select.."));
    // The typed device, when one was used last time, else the numbered port.
    for (int i = 0; i < m_combo->count(); ++i) {
        const bool match = m_remembered.device.empty()
                               ? m_combo->itemData(i, DeviceRole).toString().isEmpty() &&
                                     m_combo->itemData(i, NumberRole).toInt() == m_remembered.number
                               : m_combo->itemData(i, DeviceRole).toString().toStdString() == m_remembered.device;
        if (match && Selectable(i)) {
            m_combo->setCurrentIndex(i);
            break;
        }
    }
}

void PortDialog::FillPortList()
{
    const std::vector<PortEntry> known = m_probe.ports ? m_probe.ports() : std::vector<PortEntry>{};
    QString status = m_combo->currentText();
    const auto tried = [&] {
        // One dot per port tried, painted at once: the search holds the event loop.
        status += QLatin1Char('.');
        m_combo->setEditText(status);
        m_combo->repaint();
    };
    for (int number = 1; number <= HighestPortNumber; ++number) {
        for (const auto& entry : known)
            if (entry.number == number)
                AddEntry(QStringLiteral("COM%1").arg(number), entry);
        tried();
    }
    if (!m_remembered.device.empty()) {
        AddEntry(QString::fromStdString(m_remembered.device), PortEntry{0, m_remembered.device, {}});
        tried();
    }
}

void PortDialog::AddEntry(const QString& text, const PortEntry& entry)
{
    const PortTrial trial = m_probe.tryOpen ? m_probe.tryOpen(entry) : PortTrial{};
    const bool typed = entry.number == 0;
    m_combo->addItem(text);
    const int index = m_combo->count() - 1;
    m_combo->setItemData(index, entry.number, NumberRole);
    m_combo->setItemData(index, typed ? QString::fromStdString(entry.device) : QString(), DeviceRole);
    QString tip = QString::fromStdString(trial.reason);
    if (trial.opened) {
        tip = QString::fromStdString(entry.device);
        if (!entry.description.empty())
            tip += QStringLiteral(" - ") + QString::fromStdString(entry.description);
    }
    m_combo->setItemData(index, tip, Qt::ToolTipRole);
    // A port that would not open is shown greyed, so a person sees why it cannot be used.
    if (!trial.opened)
        if (auto* model = qobject_cast<QStandardItemModel*>(m_combo->model()))
            model->item(index)->setEnabled(false);
    // Adding the first entry selects it; the text stays the status line until the search ends.
    m_combo->setCurrentIndex(-1);
}

bool PortDialog::Selectable(int index) const
{
    return (m_combo->model()->flags(m_combo->model()->index(index, 0)) & Qt::ItemIsEnabled) != 0;
}

int PortDialog::SelectableCount() const
{
    int count = 0;
    for (int i = 0; i < m_combo->count(); ++i)
        count += Selectable(i) ? 1 : 0;
    return count;
}

int PortDialog::SelectableEntryNamed(const QString& text) const
{
    for (int i = 0; i < m_combo->count(); ++i)
        if (Selectable(i) && m_combo->itemText(i) == text)
            return i;
    return -1;
}

std::optional<PortChoice> PortDialog::Decide()
{
    const QString text = m_combo->currentText().trimmed();
    int index = SelectableEntryNamed(text);
    if (index < 0 && m_typed && !text.isEmpty()) {
        const std::string typed = text.toStdString();
        const PortName name = ReadPortName(typed);
        if (name.kind == PortName::Kind::Device) {
            // Tried like the listed ports, so a mistyped path is told here, where it can be corrected.
            const PortTrial trial = m_probe.tryOpen ? m_probe.tryOpen(PortEntry{0, typed, {}}) : PortTrial{};
            if (trial.opened)
                return PortChoice{0, typed};
            m_hint->setText(QString::fromStdString(trial.reason));
            return std::nullopt;
        }
        // "com3" or "3" typed: the listed port of that number, if it can be used.
        PortFacts facts;
        facts.port = "COM" + std::to_string(name.number);
        facts.problem =
            name.kind == PortName::Kind::Numbered && name.number > 0 ? PortProblem::NoDevice : PortProblem::BadNumber;
        QString why = QString::fromStdString(DescribePortProblem(facts));
        for (int i = 0; i < m_combo->count() && facts.problem == PortProblem::NoDevice; ++i) {
            if (m_combo->itemData(i, NumberRole).toInt() != name.number ||
                !m_combo->itemData(i, DeviceRole).toString().isEmpty())
                continue;
            if (Selectable(i))
                index = i;
            else
                why = m_combo->itemData(i, Qt::ToolTipRole).toString();
        }
        if (index < 0) {
            m_hint->setText(why);
            return std::nullopt;
        }
    }
    if (index >= 0)
        return PortChoice{m_combo->itemData(index, NumberRole).toInt(),
                          m_combo->itemData(index, DeviceRole).toString().toStdString()};
    // Nothing chosen: while ports exist, the user has to pick one. Without
    // any, no port is used, and a device typed earlier is kept (unless the
    // user emptied the text), so start-up can say why it would not open and
    // the next start offers it again.
    if (SelectableCount() > 0)
        return std::nullopt;
    return PortChoice{0, m_typed ? std::string() : m_remembered.device};
}

void PortDialog::done(int result)
{
    // Every way of closing comes here: "Done", the close box, Escape.
    const auto choice = Decide();
    if (!choice)
        return;
    m_choice = *choice;
    m_timer.stop();
    QDialog::done(result);
}

} // namespace marrowick
