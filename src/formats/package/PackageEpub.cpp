#include "formats/package/PackageEpub.h"

#include "formats/package/BookPackage.h"
#include "formats/package/ChapterBuilder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

namespace Books::PackageEpub {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("Books::PackageEpub", text);
}

// Metadata and titles come from the books as they are, control characters and all.
QString escaped(const QString& text)
{
    return ChapterBuilder::escapedText(text);
}

QString mediaType(const QString& name, bool chapter)
{
    if (chapter) {
        return QStringLiteral("application/xhtml+xml");
    }
    if (name.endsWith(QLatin1String(".css"))) {
        return QStringLiteral("text/css");
    }
    return QStringLiteral("application/octet-stream");
}

// The contents as nested lists, one level a depth.
QString navigation(const BookPackage& package)
{
    const QStringList chapters = package.chapters();
    QString nav;
    int depth = -1;
    for (const Epub::ContentsEntry& entry : package.contents) {
        const int wanted = qBound(0, entry.depth, depth + 1);
        if (wanted > depth) {
            nav += QStringLiteral("<ol><li>");
            depth = wanted;
        } else {
            nav += QStringLiteral("</li>");
            while (depth > wanted) {
                nav += QStringLiteral("</ol></li>");
                --depth;
            }
            nav += QStringLiteral("<li>");
        }
        QString href = chapters.value(entry.chapter);
        if (!entry.anchor.isEmpty()) {
            href += QLatin1Char('#') + entry.anchor;
        }
        nav += QStringLiteral("<a href=\"%1\">%2</a>").arg(escaped(href), escaped(entry.title));
    }
    while (depth >= 0) {
        nav += QStringLiteral("</li></ol>");
        --depth;
    }
    return nav;
}

class Writer
{
public:
    explicit Writer(const QString& path) : m_zip(path) {}

    bool open() { return m_zip.open(QuaZip::mdCreate); }

    bool add(const QString& name, const QByteArray& bytes, bool compress)
    {
        // A fixed time, so the same package gives the same bytes.
        QuaZipNewInfo info(name);
        info.dateTime = QDateTime(QDate(2001, 1, 1), QTime(0, 0));
        QuaZipFile file(&m_zip);
        if (!file.open(QIODevice::WriteOnly, info, nullptr, 0, compress ? Z_DEFLATED : 0,
                       compress ? Z_BEST_SPEED : 0)) {
            return false;
        }
        const bool written = file.write(bytes) == bytes.size();
        file.close();
        return written && file.getZipError() == ZIP_OK;
    }

    bool close()
    {
        m_zip.close();
        return m_zip.getZipError() == ZIP_OK;
    }

private:
    QuaZip m_zip;
};

} // namespace

QString descriptionEntry()
{
    return QStringLiteral("META-INF/quillmere.json");
}

QJsonObject describe(const BookPackage& package)
{
    QJsonArray contents;
    for (const Epub::ContentsEntry& entry : package.contents) {
        contents.append(QJsonObject{{QStringLiteral("title"), entry.title},
                                    {QStringLiteral("chapter"), entry.chapter},
                                    {QStringLiteral("anchor"), entry.anchor},
                                    {QStringLiteral("depth"), entry.depth}});
    }
    return {{QStringLiteral("title"), package.title},
            {QStringLiteral("author"), package.author},
            {QStringLiteral("language"), package.language},
            {QStringLiteral("identifier"), package.identifier},
            {QStringLiteral("pictureBook"), package.pictureBook},
            {QStringLiteral("pagePictures"), QJsonArray::fromStringList(package.pagePictures)},
            {QStringLiteral("warnings"), QJsonArray::fromStringList(package.warnings)},
            {QStringLiteral("chapters"), QJsonArray::fromStringList(package.chapters())},
            {QStringLiteral("contents"), contents}};
}

void readDescription(const QJsonObject& description, BookPackage* package)
{
    package->title = description.value(QLatin1String("title")).toString();
    package->author = description.value(QLatin1String("author")).toString();
    package->language = description.value(QLatin1String("language")).toString();
    package->identifier = description.value(QLatin1String("identifier")).toString();
    package->pictureBook = description.value(QLatin1String("pictureBook")).toBool();
    package->pagePictures.clear();
    for (const QJsonValue& page : description.value(QLatin1String("pagePictures")).toArray()) {
        package->pagePictures.append(page.toString());
    }
    package->warnings.clear();
    for (const QJsonValue& warning : description.value(QLatin1String("warnings")).toArray()) {
        package->warnings.append(warning.toString());
    }
    package->contents.clear();
    for (const QJsonValue& value : description.value(QLatin1String("contents")).toArray()) {
        const QJsonObject entry = value.toObject();
        package->contents.append({entry.value(QLatin1String("title")).toString(),
                                  entry.value(QLatin1String("chapter")).toInt(-1),
                                  entry.value(QLatin1String("anchor")).toString(),
                                  entry.value(QLatin1String("depth")).toInt()});
    }
}

bool write(const BookPackage& package, const QString& path, QString* error,
           const QJsonObject& extra)
{
    auto fail = [&](const QString& text) {
        if (error) {
            *error = text;
        }
        return false;
    };
    const QString partial = path + QStringLiteral(".writing");
    QFile::remove(partial);
    bool ok = false;
    {
        Writer zip(partial);
        if (!zip.open()) {
            return fail(tr("The book's copy cannot be written to %1.").arg(partial));
        }
        ok = zip.add(QStringLiteral("mimetype"), "application/epub+zip", false) &&
             zip.add(QStringLiteral("META-INF/container.xml"),
                     "<?xml version=\"1.0\"?>\n<container version=\"1.0\" "
                     "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles>"
                     "<rootfile full-path=\"OEBPS/content.opf\" "
                     "media-type=\"application/oebps-package+xml\"/></rootfiles></container>\n",
                     true);
        QJsonObject description = describe(package);
        for (auto it = extra.begin(); it != extra.end(); ++it) {
            description.insert(it.key(), it.value());
        }
        ok = ok && zip.add(descriptionEntry(), QJsonDocument(description).toJson(), true);
        QString manifest = QStringLiteral("<item id=\"nav\" href=\"nav.xhtml\" properties=\"nav\" "
                                          "media-type=\"application/xhtml+xml\"/>\n");
        const QStringList chapters = package.chapters();
        const QStringList names = package.entryNames();
        QHash<QString, int> ids;
        for (int i = 0; ok && i < names.size(); ++i) {
            const QString& name = names.at(i);
            QByteArray bytes;
            QString readError;
            if (!package.read(name, &bytes, &readError)) {
                zip.close();
                QFile::remove(partial);
                return fail(readError);
            }
            const bool chapter = chapters.contains(name);
            ids.insert(name, i);
            manifest += QStringLiteral("<item id=\"e%1\" href=\"%2\" media-type=\"%3\"/>\n")
                            .arg(i)
                            .arg(escaped(name), mediaType(name, chapter));
            // Stored as they are: a package is written on a book's first opening, which must be
            // quick, and pictures gain nothing from compressing again.
            ok = zip.add(QStringLiteral("OEBPS/") + name, bytes, false);
        }
        QString spine;
        for (const QString& chapter : chapters) {
            spine += QStringLiteral("<itemref idref=\"e%1\"/>").arg(ids.value(chapter));
        }
        ok = ok &&
             zip.add(QStringLiteral("OEBPS/nav.xhtml"),
                     QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<html "
                                    "xmlns=\"http://www.w3.org/1999/xhtml\" "
                                    "xmlns:epub=\"http://www.idpf.org/2007/ops\"><head><title>"
                                    "Contents</title></head><body><nav epub:type=\"toc\">%1</nav>"
                                    "</body></html>\n")
                         .arg(navigation(package))
                         .toUtf8(),
                     true);
        const QString identifier = package.identifier.isEmpty()
                                       ? QStringLiteral("urn:quillmere:package")
                                       : package.identifier;
        ok = ok &&
             zip.add(QStringLiteral("OEBPS/content.opf"),
                     QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<package "
                                    "xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" "
                                    "unique-identifier=\"uid\"><metadata "
                                    "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:identifier "
                                    "id=\"uid\">%1</dc:identifier><dc:title>%2</dc:title>"
                                    "<dc:creator>%3</dc:creator><dc:language>%4</dc:language>"
                                    "</metadata><manifest>%5</manifest><spine>%6</spine>"
                                    "</package>\n")
                         .arg(escaped(identifier), escaped(package.title), escaped(package.author),
                              escaped(package.language), manifest, spine)
                         .toUtf8(),
                     true);
        ok = zip.close() && ok;
    }
    // Renamed over the old file in one step, so no reader ever meets half a copy.
    if (!ok || std::rename(QFile::encodeName(partial).constData(),
                           QFile::encodeName(path).constData()) != 0) {
        QFile::remove(partial);
        return fail(tr("The book's copy cannot be written to %1.").arg(path));
    }
    return true;
}

} // namespace Books::PackageEpub
