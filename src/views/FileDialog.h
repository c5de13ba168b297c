#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Every file dialog of the program goes through here, so tests can answer it.
class FileDialog
{
public:
    // Asks where to save; returns the chosen path or an empty text when cancelled.
    static QString getSaveFileName(QWidget* parent, const QString& caption,
                                   const QString& proposedPath, const QString& filter = QString());

    // Asks for files to open; returns the chosen paths, none when cancelled. In test mode the
    // next queued name is the one file chosen.
    static QStringList getOpenFileNames(QWidget* parent, const QString& caption,
                                        const QString& folder, const QString& filter = QString());

    // Test hooks: in test mode no dialog is shown; the next queued name is returned (an empty
    // one means Cancel; Cancel when none is queued), and the proposed path of each call is
    // recorded. acceptNextProposal queues the answer of a user who takes the proposed name.
    static void setTestMode(bool on);
    static void setNextFileName(const QString& path);
    static void acceptNextProposal();
    static QString lastProposedPath();
};
