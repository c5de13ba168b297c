#pragma once

#include <QString>

// The text of a short piece of HTML (a catalog's book summary): tags dropped, paragraphs and
// line breaks kept as line ends, character references read. Nothing is fetched or run.
namespace HtmlText {
QString toPlainText(const QString& html);
}
