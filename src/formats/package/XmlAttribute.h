#pragma once

#include <QLatin1String>
#include <QString>
#include <QXmlStreamReader>

namespace Books {

// The value of the element's attribute of that local name, whatever its prefix (office
// formats' prefixes such as w:, r:, style: do not clash where the readers look); empty when
// it has none.
inline QString attribute(const QXmlStreamReader& xml, QLatin1String name)
{
    for (const QXmlStreamAttribute& a : xml.attributes()) {
        if (a.name() == name) {
            return a.value().toString();
        }
    }
    return {};
}

} // namespace Books
