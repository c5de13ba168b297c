#pragma once

#include <QStringView>

namespace Books {

// The character a named HTML character reference stands for ("amp" -> '&'), or 0 when the
// name is not one.
char32_t htmlEntity(QStringView name);

} // namespace Books
