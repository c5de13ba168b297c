#include "formats/package/ZipBook.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace Books {

namespace {
// As for EPUB books: a book may unpack to this many times its file, within a floor and a
// ceiling.
constexpr qint64 BudgetFactor = 100;
constexpr qint64 BudgetFloor = qint64(32) * 1024 * 1024;
constexpr qint64 BudgetCeiling = qint64(512) * 1024 * 1024;

QString tr(const char* text)
{
    return QCoreApplication::translate("Books::ZipBook", text);
}
} // namespace

bool ZipBook::open(const QString& path, QString* error)
{
    m_archive = std::make_shared<Epub::Archive>();
    m_used = 0;
    m_budget = qBound(BudgetFloor, QFileInfo(path).size() * BudgetFactor, BudgetCeiling);
    if (!m_archive->open(path)) {
        m_archive.reset();
        if (error) {
            *error = tr("The file is not a zip archive, or the archive is damaged.");
        }
        return false;
    }
    return true;
}

QString ZipBook::exhaustedMessage() const
{
    return tr("The book unpacks to far more than its file holds and was refused.");
}

bool ZipBook::read(const QString& name, QByteArray* data, QString* error)
{
    data->clear();
    auto refuse = [&] {
        m_exhausted = true;
        if (error) {
            *error = exhaustedMessage();
        }
        return false;
    };
    if (!m_archive) {
        return false;
    }
    if (m_used + qMax<qint64>(0, m_archive->declaredSize(name)) > m_budget) {
        return refuse();
    }
    if (!m_archive->read(name, data, error)) {
        // The archive's own cap on one entry is the same refusal.
        m_exhausted = m_exhausted || m_archive->declaredSize(name) > m_archive->entryCap();
        return false;
    }
    // The header's size is not trusted: what was really unpacked counts.
    m_used += data->size();
    if (m_used > m_budget) {
        data->clear();
        return refuse();
    }
    return true;
}

} // namespace Books
