#include "support/PackageEpub.h"

#include "formats/package/BookPackage.h"
#include "support/ZipFiles.h"

namespace PackageEpub {

namespace {
QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}
} // namespace

bool write(const Books::BookPackage& package, const QString& path)
{
    QList<ZipFiles::Part> parts;
    parts.append({QStringLiteral("mimetype"), "application/epub+zip"});
    parts.append({QStringLiteral("META-INF/container.xml"),
                  "<?xml version=\"1.0\"?>\n<container version=\"1.0\" "
                  "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles>"
                  "<rootfile full-path=\"OEBPS/content.opf\" "
                  "media-type=\"application/oebps-package+xml\"/></rootfiles></container>\n"});
    QString manifest = QStringLiteral("<item id=\"nav\" href=\"nav.xhtml\" properties=\"nav\" "
                                      "media-type=\"application/xhtml+xml\"/>\n");
    QString spine;
    const QStringList chapters = package.chapters();
    const QStringList names = package.entryNames();
    for (int i = 0; i < names.size(); ++i) {
        const QString& name = names.at(i);
        QByteArray bytes;
        if (!package.read(name, &bytes)) {
            return false;
        }
        const bool chapter = chapters.contains(name);
        manifest += QStringLiteral("<item id=\"e%1\" href=\"%2\" media-type=\"%3\"/>\n")
                        .arg(i)
                        .arg(escaped(name), chapter ? QStringLiteral("application/xhtml+xml")
                                            : name.endsWith(QLatin1String(".css"))
                                                ? QStringLiteral("text/css")
                                                : QStringLiteral("application/octet-stream"));
        parts.append({QStringLiteral("OEBPS/") + name, bytes});
    }
    for (const QString& chapter : chapters) {
        spine += QStringLiteral("<itemref idref=\"e%1\"/>").arg(names.indexOf(chapter));
    }
    // The contents as nested lists, one level a depth.
    QString nav;
    int depth = -1;
    for (const Epub::ContentsEntry& entry : package.contents) {
        const int wanted = qMax(0, entry.depth);
        if (wanted > depth) {
            while (depth < wanted) {
                nav += QStringLiteral("<ol><li>");
                ++depth;
            }
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
    parts.append({QStringLiteral("OEBPS/nav.xhtml"),
                  QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<html "
                                 "xmlns=\"http://www.w3.org/1999/xhtml\" "
                                 "xmlns:epub=\"http://www.idpf.org/2007/ops\"><head><title>"
                                 "Contents</title></head><body><nav epub:type=\"toc\">%1</nav>"
                                 "</body></html>\n")
                      .arg(nav)
                      .toUtf8()});
    parts.append(
        {QStringLiteral("OEBPS/content.opf"),
         QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<package "
                        "xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" "
                        "unique-identifier=\"uid\"><metadata "
                        "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:identifier "
                        "id=\"uid\">%1</dc:identifier><dc:title>%2</dc:title><dc:creator>%3"
                        "</dc:creator><dc:language>%4</dc:language></metadata><manifest>%5"
                        "</manifest><spine>%6</spine></package>\n")
             .arg(escaped(package.identifier.isEmpty() ? QStringLiteral("urn:quillmere:package")
                                                       : package.identifier),
                  escaped(package.title), escaped(package.author), escaped(package.language),
                  manifest, spine)
             .toUtf8()});
    // Stored, not deflated: the file only carries the package across.
    return ZipFiles::write(path, parts, false);
}

} // namespace PackageEpub
