#include "support/EpubFiles.h"

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

namespace EpubFiles {

namespace {
bool add(QuaZip& zip, const QString& name, const QByteArray& bytes, bool compress = true)
{
    QuaZipFile file(&zip);
    if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(name), nullptr, 0, compress ? Z_DEFLATED : 0,
                   compress ? Z_DEFAULT_COMPRESSION : 0)) {
        return false;
    }
    const bool written = file.write(bytes) == bytes.size();
    file.close();
    return written && file.getZipError() == ZIP_OK;
}

QString mediaType(const QString& name)
{
    if (name.endsWith(QLatin1String(".png"))) {
        return QStringLiteral("image/png");
    }
    if (name.endsWith(QLatin1String(".svg"))) {
        return QStringLiteral("image/svg+xml");
    }
    if (name.endsWith(QLatin1String(".jpg"))) {
        return QStringLiteral("image/jpeg");
    }
    return QStringLiteral("application/octet-stream");
}
} // namespace

bool write(const QString& path, const QString& title, const QStringList& chapterBodies,
           const QList<Part>& extraParts, const QString& metadata)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate)) {
        return false;
    }
    QString manifest = QStringLiteral("<item id=\"nav\" href=\"nav.xhtml\" properties=\"nav\" "
                                      "media-type=\"application/xhtml+xml\"/>\n");
    QString spine;
    QString nav;
    bool ok = add(zip, QStringLiteral("mimetype"), "application/epub+zip", false) &&
              add(zip, QStringLiteral("META-INF/container.xml"),
                  "<?xml version=\"1.0\"?>\n<container version=\"1.0\" "
                  "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles>"
                  "<rootfile full-path=\"OEBPS/content.opf\" "
                  "media-type=\"application/oebps-package+xml\"/></rootfiles></container>\n");
    for (int i = 0; i < chapterBodies.size(); ++i) {
        // An SVG chapter is a drawing of its own, written whole.
        if (chapterBodies.at(i).startsWith(QLatin1String("<svg"))) {
            const QString name = QStringLiteral("chapter%1.svg").arg(i + 1);
            manifest += QStringLiteral("<item id=\"c%1\" href=\"%2\" "
                                       "media-type=\"image/svg+xml\"/>\n")
                            .arg(i + 1)
                            .arg(name);
            spine += QStringLiteral("<itemref idref=\"c%1\"/>").arg(i + 1);
            ok = ok && add(zip, QStringLiteral("OEBPS/") + name, chapterBodies.at(i).toUtf8());
            continue;
        }
        const QString name = QStringLiteral("chapter%1.xhtml").arg(i + 1);
        manifest += QStringLiteral("<item id=\"c%1\" href=\"%2\" "
                                   "media-type=\"application/xhtml+xml\"/>\n")
                        .arg(i + 1)
                        .arg(name);
        spine += QStringLiteral("<itemref idref=\"c%1\"/>").arg(i + 1);
        nav += QStringLiteral("<li><a href=\"%1\">Chapter %2</a></li>").arg(name).arg(i + 1);
        ok = ok && add(zip, QStringLiteral("OEBPS/") + name,
                       QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<html "
                                      "xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>%1"
                                      "</title></head><body>%2</body></html>\n")
                           .arg(title.toHtmlEscaped(), chapterBodies.at(i))
                           .toUtf8());
    }
    for (int i = 0; i < extraParts.size(); ++i) {
        manifest += QStringLiteral("<item id=\"x%1\" href=\"%2\" media-type=\"%3\"/>\n")
                        .arg(i + 1)
                        .arg(extraParts.at(i).first, mediaType(extraParts.at(i).first));
        // Pictures are stored as producers do: compressing them again gains nothing.
        ok = ok && add(zip, QStringLiteral("OEBPS/") + extraParts.at(i).first,
                       extraParts.at(i).second, false);
    }
    ok = ok &&
         add(zip, QStringLiteral("OEBPS/nav.xhtml"),
             QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<html "
                            "xmlns=\"http://www.w3.org/1999/xhtml\" "
                            "xmlns:epub=\"http://www.idpf.org/2007/ops\"><head><title>Contents"
                            "</title></head><body><nav epub:type=\"toc\"><ol>%1</ol></nav>"
                            "</body></html>\n")
                 .arg(nav)
                 .toUtf8()) &&
         add(zip, QStringLiteral("OEBPS/content.opf"),
             QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<package "
                            "xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" "
                            "unique-identifier=\"uid\"><metadata "
                            "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:identifier "
                            "id=\"uid\">urn:quillmere:made:%1</dc:identifier><dc:title>%2"
                            "</dc:title><dc:language>en</dc:language>%5</metadata><manifest>%3"
                            "</manifest><spine>%4</spine></package>\n")
                 .arg(QString::number(qHash(title)), title.toHtmlEscaped(), manifest, spine,
                      metadata)
                 .toUtf8());
    zip.close();
    return ok && zip.getZipError() == ZIP_OK;
}

} // namespace EpubFiles
