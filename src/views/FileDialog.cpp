#include "views/FileDialog.h"

#include <QFileDialog>
#include <QStringList>

namespace {
bool s_testMode = false;
QStringList s_names;
QString s_lastProposed;
} // namespace

QString FileDialog::getSaveFileName(QWidget* parent, const QString& caption,
                                    const QString& proposedPath, const QString& filter)
{
    s_lastProposed = proposedPath;
    if (s_testMode) {
        return s_names.isEmpty() ? QString() : s_names.takeFirst();
    }
    // Our own dialog, so that replacing an existing file is always confirmed by the user.
    return QFileDialog::getSaveFileName(parent, caption, proposedPath, filter);
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

QString FileDialog::lastProposedPath()
{
    return s_lastProposed;
}
