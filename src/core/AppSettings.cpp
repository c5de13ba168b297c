#include "core/AppSettings.h"

std::unique_ptr<QSettings> AppSettings::open()
{
    return std::make_unique<QSettings>(QStringLiteral("Quillmere"), QStringLiteral("Quillmere"));
}
