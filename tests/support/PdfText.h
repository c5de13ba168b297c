#pragma once

#include <QString>
#include <QStringList>

// The text of a PDF file as pdftotext reads it (tests print into PDF files and read them back).
QString pdfText(const QString& pdfPath);
// The text of each page of a PDF file, in page order, with runs of white space made single.
QStringList pdfPageTexts(const QString& pdfPath);
