#include "formats/comic/ComicReader.h"

#include "formats/package/BookPackage.h"
#include "formats/package/ChapterBuilder.h"
#include "formats/package/PictureLimits.h"
#include "formats/package/ZipBook.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QXmlStreamReader>
#include <algorithm>

namespace Comic {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("Comic", text);
}

bool isPageName(const QString& name)
{
    static const QStringList suffixes = [] {
        QStringList known = {QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("png"),
                             QStringLiteral("gif"), QStringLiteral("bmp")};
        if (QImageReader::supportedImageFormats().contains("webp")) {
            known.append(QStringLiteral("webp"));
        }
        return known;
    }();
    // Hidden files and the folders archivers leave behind are not pages.
    for (const QStringView part : QStringView(name).split(QLatin1Char('/'))) {
        if (part.startsWith(QLatin1Char('.')) || part == QLatin1String("__MACOSX")) {
            return false;
        }
    }
    return suffixes.contains(QFileInfo(name).suffix().toLower());
}

void readComicInfo(const QByteArray& data, Books::BookPackage* book)
{
    QXmlStreamReader xml(data);
    QString series;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            continue;
        }
        const auto name = xml.name();
        QString* field = name == QLatin1String("Title")         ? &book->title
                         : name == QLatin1String("Series")      ? &series
                         : name == QLatin1String("Writer")      ? &book->author
                         : name == QLatin1String("LanguageISO") ? &book->language
                                                                : nullptr;
        if (field && field->isEmpty()) {
            *field = xml.readElementText(QXmlStreamReader::SkipChildElements).simplified();
        }
    }
    if (book->title.isEmpty()) {
        book->title = series;
    }
}

} // namespace

bool naturalLess(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const QChar x = a.at(i);
        const QChar y = b.at(j);
        if (x.isDigit() && y.isDigit()) {
            qsizetype endA = i;
            qsizetype endB = j;
            while (endA < a.size() && a.at(endA).isDigit()) {
                ++endA;
            }
            while (endB < b.size() && b.at(endB).isDigit()) {
                ++endB;
            }
            // Leading zeros aside, the longer run is the larger number.
            qsizetype startA = i;
            qsizetype startB = j;
            while (startA + 1 < endA && a.at(startA) == QLatin1Char('0')) {
                ++startA;
            }
            while (startB + 1 < endB && b.at(startB) == QLatin1Char('0')) {
                ++startB;
            }
            const QStringView numberA = QStringView(a).mid(startA, endA - startA);
            const QStringView numberB = QStringView(b).mid(startB, endB - startB);
            if (numberA.size() != numberB.size()) {
                return numberA.size() < numberB.size();
            }
            if (const int order = numberA.compare(numberB); order != 0) {
                return order < 0;
            }
            i = endA;
            j = endB;
            continue;
        }
        const QChar lowerX = x.toCaseFolded();
        const QChar lowerY = y.toCaseFolded();
        if (lowerX != lowerY) {
            return lowerX < lowerY;
        }
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j)) {
        return (a.size() - i) < (b.size() - j);
    }
    return a < b; // names equal but for case or zeros still get one order
}

bool read(const QString& path, Books::BookPackage* book, QString* error)
{
    auto fail = [&](const QString& text) {
        if (error) {
            *error = text;
        }
        return false;
    };
    Books::ZipBook zip;
    if (!zip.open(path)) {
        return fail(tr("It is not a comic book archive: the file is not a zip archive, or the "
                       "archive is damaged."));
    }
    QStringList pages;
    QString info;
    for (const QString& name : zip.entryNames()) {
        if (isPageName(name)) {
            pages.append(name);
        } else if (QFileInfo(name).fileName().compare(QLatin1String("ComicInfo.xml"),
                                                      Qt::CaseInsensitive) == 0) {
            info = name;
        }
    }
    if (pages.isEmpty()) {
        return fail(tr("The comic holds no pictures."));
    }
    std::sort(pages.begin(), pages.end(), naturalLess);
    if (pages.size() > Books::ChapterBuilder::MaxChapters - 1) {
        book->warnings.append(tr("The comic has more pages than can be shown; the first %1 are.")
                                  .arg(Books::ChapterBuilder::MaxChapters - 1));
        pages.resize(Books::ChapterBuilder::MaxChapters - 1);
    }
    QByteArray infoData;
    if (!info.isEmpty() && zip.read(info, &infoData)) {
        readComicInfo(infoData, book);
    }
    if (book->title.isEmpty()) {
        book->title = QFileInfo(path).completeBaseName();
    }

    Books::ChapterBuilder builder(book);
    // Pages in folders of their own (one folder a chapter, say) are listed by folder.
    QSet<QString> folders;
    for (const QString& page : std::as_const(pages)) {
        folders.insert(page.section(QLatin1Char('/'), 0, -2));
    }
    const bool listFolders = folders.size() > 1;
    QString folder;
    for (int index = 0; index < pages.size(); ++index) {
        const QString& entry = pages.at(index);
        const QString name = QStringLiteral("pages/%1.%2")
                                 .arg(index + 1, 4, 10, QLatin1Char('0'))
                                 .arg(QFileInfo(entry).suffix().toLower());
        book->addArchiveResource(name, zip.archive(), entry);
        book->pagePictures.append(name);
        builder.startChapter();
        const QString key = QStringLiteral("page:%1").arg(index + 1);
        builder.open(QStringLiteral("div"), {{QStringLiteral("id"), builder.anchorId(key)},
                                             {QStringLiteral("class"), QStringLiteral("page")}});
        builder.element(
            QStringLiteral("img"),
            {{QStringLiteral("src"), name}, {QStringLiteral("alt"), tr("Page %1").arg(index + 1)}});
        builder.close();
        const QString pageFolder = entry.section(QLatin1Char('/'), 0, -2);
        if (listFolders && pageFolder != folder) {
            builder.addContents(pageFolder.section(QLatin1Char('/'), -1), 0, key);
        }
        folder = pageFolder;
    }
    book->pictureBook = true;
    builder.finish();
    return true;
}

QSize fittedSize(const QSize& picture, const QSize& area, Fit fit)
{
    if (picture.isEmpty() || area.isEmpty()) {
        return {};
    }
    if (fit == Fit::Width) {
        const qint64 height = qint64(picture.height()) * area.width() / picture.width();
        return QSize(area.width(),
                     int(qBound(qint64(1), height, qint64(Books::PictureLimits::MaxSide))));
    }
    return picture.scaled(area, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

QImage decodePage(const Books::BookPackage& book, int page, const QSize& area, Fit fit,
                  QString* error)
{
    auto fail = [&](const QString& text) {
        if (error) {
            *error = text;
        }
        return QImage();
    };
    if (page < 0 || page >= book.pagePictures.size()) {
        return fail(tr("The comic has no page %1.").arg(page + 1));
    }
    QByteArray data;
    QString readError;
    if (!book.read(book.pagePictures.at(page), &data, &readError)) {
        return fail(readError);
    }
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    const QSize size = QImageReader(&buffer).size();
    QString why;
    if (!size.isValid() || !Books::PictureLimits::acceptable(data, &why)) {
        return fail(tr("Page %1 cannot be shown: %2.")
                        .arg(page + 1)
                        .arg(why.isEmpty() ? tr("it is not a picture") : why));
    }
    const QSize shown = fittedSize(size, area, fit);
    const QImage image = Books::PictureLimits::decodeToFit(data, shown.boundedTo(size));
    if (image.isNull()) {
        return fail(tr("Page %1 cannot be shown: the picture is damaged.").arg(page + 1));
    }
    return image;
}

void PageCache::setArea(const QSize& area, Fit fit)
{
    if (area != m_area || fit != m_fit) {
        m_pages.clear();
    }
    m_area = area;
    m_fit = fit;
}

void PageCache::dropFar(int index)
{
    for (auto it = m_pages.begin(); it != m_pages.end();) {
        if (qAbs(it.key() - index) > m_radius) {
            it = m_pages.erase(it);
        } else {
            ++it;
        }
    }
}

QImage PageCache::page(int index)
{
    dropFar(index);
    if (const auto held = m_pages.constFind(index); held != m_pages.cend()) {
        return *held;
    }
    const QImage image = decodePage(m_book, index, m_area, m_fit);
    if (!image.isNull()) {
        m_pages.insert(index, image);
    }
    return image;
}

void PageCache::fillAround(int index)
{
    dropFar(index);
    for (int near = index - m_radius; near <= index + m_radius; ++near) {
        if (near >= 0 && near < m_book.pagePictures.size() && !m_pages.contains(near)) {
            const QImage image = decodePage(m_book, near, m_area, m_fit);
            if (!image.isNull()) {
                m_pages.insert(near, image);
            }
        }
    }
}

QList<int> PageCache::heldPages() const
{
    QList<int> held = m_pages.keys();
    std::sort(held.begin(), held.end());
    return held;
}

} // namespace Comic
