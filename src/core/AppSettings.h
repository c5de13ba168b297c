#pragma once

#include <QSettings>
#include <memory>

// The per-user settings store: organisation and application "Quillmere".
namespace AppSettings {
std::unique_ptr<QSettings> open();
}
