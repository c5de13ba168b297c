#pragma once

#include <QString>
#include <QStringList>
#include <QTextCharFormat>

class QTextDocument;

// Looks into a QTextDocument as the reading view shows it: formats, pictures, pop-ups, anchors.
namespace DocumentProbe {

// The format of the first fragment holding needle (an invalid format when none does).
QTextCharFormat formatOf(const QTextDocument& document, const QString& needle);
// Whether the document shows at least one picture that decoded.
bool hasPicture(const QTextDocument& document);
// The tool tips (note pop-ups) of the document's fragments.
QStringList toolTips(const QTextDocument& document);
// Position of the named anchor, or -1.
int anchorPosition(const QTextDocument& document, const QString& name);
// The first of the snippets that text does not hold after the one before it; empty when all
// are there in order.
QString missingInOrder(const QString& text, const QStringList& snippets);

} // namespace DocumentProbe
