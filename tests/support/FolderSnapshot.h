#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// Every file under a folder (hidden ones and sub-folders included), by its path relative to the
// folder, with a digest of its bytes: a changed, new or missing file shows as a difference.
QMap<QString, QByteArray> folderSnapshot(const QString& folder);
