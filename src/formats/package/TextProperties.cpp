#include "formats/package/TextProperties.h"

#include <QRegularExpression>

namespace Books {

bool TextProperties::isMonospaceFont(const QString& family)
{
    static const QRegularExpression names(
        QStringLiteral("courier|mono|consolas|menlo|typewriter|fixed"),
        QRegularExpression::CaseInsensitiveOption);
    return names.match(family).hasMatch();
}

} // namespace Books
