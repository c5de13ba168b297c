#pragma once

#include <QHash>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

namespace Books {
class BookPackage;
}

// Comic books packed in a zip (.cbz): one picture a page.
namespace Comic {

// Reads the comic at path: each picture in the zip is a page, in the natural order of the
// pictures' names (2 before 10), folders included; ComicInfo.xml gives the title, writer and
// language, and the folders (one a chapter, in many comics) give the contents. The pictures
// stay in the zip until a page is shown. False with a readable error when the file is not a
// zip or holds no pictures.
bool read(const QString& path, Books::BookPackage* book, QString* error = nullptr);

// Compares names as people sort them: runs of digits by their value, letters without regard
// to case.
bool naturalLess(const QString& a, const QString& b);

// How a page is fitted to the view: to its width (the page may run below it, read by
// scrolling) or whole within it.
enum class Fit
{
    Width,
    Page
};

// The size a picture is shown at in an area (a small picture is enlarged to fill it too).
QSize fittedSize(const QSize& picture, const QSize& area, Fit fit);

// The page's picture decoded at the size it is shown at (at most its own size, which the view
// enlarges when it draws it): never the full picture of a huge scan, never a picture whose
// header claims more than the limits. A null image, with an error, when the page cannot be
// shown.
QImage decodePage(const Books::BookPackage& book, int page, const QSize& area, Fit fit,
                  QString* error = nullptr);

// The decoded pages a comic view holds: the one shown and those within a few pages of it,
// decoded at the shown size; the others are let go as the reader moves on, so a long comic
// never sits in memory whole.
class PageCache
{
public:
    explicit PageCache(const Books::BookPackage& book, int radius = 2)
        : m_book(book), m_radius(radius)
    {
    }

    // A new area or fit drops every page decoded for the old one.
    void setArea(const QSize& area, Fit fit);
    // The page, decoded when it is not held; pages beyond the radius from it are let go.
    QImage page(int index);
    // Decodes the pages within the radius of index ahead of need.
    void fillAround(int index);
    QList<int> heldPages() const;

private:
    void dropFar(int index);

    const Books::BookPackage& m_book;
    int m_radius;
    QSize m_area;
    Fit m_fit = Fit::Width;
    QHash<int, QImage> m_pages;
};

} // namespace Comic
