#include "app/QtDialogs.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QUrl>

namespace marrowick {
namespace {

QMessageBox::Icon QtIcon(DialogIcon icon)
{
    switch (icon) {
    case DialogIcon::Question:
        return QMessageBox::Question;
    case DialogIcon::Critical:
        return QMessageBox::Critical;
    case DialogIcon::Information:
        return QMessageBox::Information;
    case DialogIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

void QtDialogs::message(const std::string& text, const std::string& caption, DialogIcon icon)
{
    QMessageBox box(QtIcon(icon), Q(caption), Q(text), QMessageBox::Ok, m_parent);
    box.exec();
}

void QtDialogs::failure(const std::string& text, const std::string& folder)
{
    QMessageBox box(QMessageBox::Critical, Q(AppTitle), Q(text), QMessageBox::Ok, m_parent);
    QPushButton* open = nullptr;
    if (!folder.empty()) {
        // Named once: below the text unless the text names it already.
        const QString shown = QDir::toNativeSeparators(Q(folder));
        if (!box.text().contains(shown))
            box.setInformativeText(shown);
        open = box.addButton(QStringLiteral("Open Folder"), QMessageBox::ActionRole);
        open->setToolTip(QStringLiteral("Show this folder in the file manager"));
    }
    box.exec();
    if (open != nullptr && box.clickedButton() == open)
        QDesktopServices::openUrl(QUrl::fromLocalFile(Q(folder)));
}

bool QtDialogs::confirm(Question, const std::string& text, bool& askAgain)
{
    QMessageBox box(QMessageBox::Question, Q(AppTitle), Q(text), QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(QMessageBox::Yes);
    auto* once = new QCheckBox(QStringLiteral("Do not ask again"), &box);
    box.setCheckBox(once);
    const bool yes = box.exec() == QMessageBox::Yes;
    if (yes && once->isChecked())
        askAgain = false;
    return yes;
}

bool QtDialogs::question(Question id, const std::string& text, const std::string& caption, DialogIcon icon)
{
    QMessageBox box(QtIcon(icon), Q(caption), Q(text), QMessageBox::Yes | QMessageBox::No, m_parent);
    // Enter does not throw edits away.
    box.setDefaultButton(id == Question::LoseEdits ? QMessageBox::No : QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> QtDialogs::prompt(const std::string& text, const std::string& title,
                                             const std::string& defaultText)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(m_parent, Q(title), Q(text), QLineEdit::Normal, Q(defaultText), &ok);
    if (!ok)
        return std::nullopt;
    return answer.toStdString();
}

std::optional<std::string> QtDialogs::chooseFolder(const std::string& title)
{
    const QString folder = QFileDialog::getExistingDirectory(m_parent, Q(title));
    if (folder.isEmpty())
        return std::nullopt;
    return folder.toStdString();
}

std::vector<std::string> QtDialogs::openFiles(const std::string& filter)
{
    const QStringList chosen = QFileDialog::getOpenFileNames(m_parent, QString(), QString(), QtFilter(filter));
    std::vector<std::string> files;
    for (const QString& file : chosen)
        files.push_back(file.toStdString());
    return files;
}

QString QtDialogs::QtFilter(const std::string& filter)
{
    // The program writes filters as "Description|patterns|Description|patterns",
    // patterns separated by ";"; Qt wants "Description (patterns)" per line.
    const QStringList parts = Q(filter).split(QLatin1Char('|'));
    if (parts.size() < 2)
        return Q(filter);
    QStringList lines;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const QString patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        const qsizetype bracket = description.indexOf(QLatin1Char('('));
        if (bracket >= 0)
            description = description.left(bracket).trimmed();
        lines << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return lines.join(QStringLiteral(";;"));
}

} // namespace marrowick
