#pragma once

#include <QByteArray>
#include <QString>

// The bytes of a file; empty when it is missing or cannot be read.
QByteArray fileBytes(const QString& path);
