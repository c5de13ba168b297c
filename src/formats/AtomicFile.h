#pragma once

#include <QByteArray>
#include <QString>

// Writes a whole file through a temporary file that is renamed over the target once complete,
// so a failed write never leaves a half file behind. Returns false with a readable error.
bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error = nullptr);
