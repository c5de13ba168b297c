#include "views/FileDialog.h"

#include <QFileDialog>
#include <QList>
#include <optional>

namespace {
bool s_testMode = false;
// A queued answer without a name takes the proposed one.
QList<std::optional<QString>> s_names;
QString s_lastProposed;
} // namespace

QString FileDialog::getSaveFileName(QWidget* parent, const QString& caption,
                                    const QString& proposedPath, const QString& filter)
{
    s_lastProposed = proposedPath;
    if (s_testMode) {
        return s_names.isEmpty() ? QString() : s_names.takeFirst().value_or(proposedPath);
    }
    // Our own dialog, so that replacing an existing file is always confirmed by the user.
    return QFileDialog::getSaveFileName(parent, caption, proposedPath, filter);
}

QStringList FileDialog::getOpenFileNames(QWidget* parent, const QString& caption,
                                         const QString& folder, const QString& filter)
{
    s_lastProposed = folder;
    if (s_testMode) {
        const QString name = s_names.isEmpty() ? QString() : s_names.takeFirst().value_or(folder);
        return name.isEmpty() ? QStringList() : QStringList{name};
    }
    return QFileDialog::getOpenFileNames(parent, caption, folder, filter);
}

void FileDialog::setTestMode(bool on)
{
    s_testMode = on;
    s_names.clear();
    s_lastProposed.clear();
}

void FileDialog::setNextFileName(const QString& path)
{
    s_names.append(path);
}

void FileDialog::acceptNextProposal()
{
    s_names.append(std::nullopt);
}

QString FileDialog::lastProposedPath()
{
    return s_lastProposed;
}
