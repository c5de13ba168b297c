#pragma once

#include <QString>

// The text of a PDF file as pdftotext reads it (tests print into PDF files and read them back).
QString pdfText(const QString& pdfPath);
