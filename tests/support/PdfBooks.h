#pragma once

#include <QString>

// Writes a PDF book of that many pages, each saying "Page N of the test book".
bool writePdf(const QString& path, int pages);
