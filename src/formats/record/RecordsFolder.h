#pragma once

#include <QString>

namespace Reading {

// The folder of reading records in the application folder. It keeps the name it had when only
// EPUB books kept records ("epub-records"): the records already on users' disks stay where
// every version of the program looks for them, and nothing has to be moved.
QString recordsFolder(const QString& appFolder);

} // namespace Reading
