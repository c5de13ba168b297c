#include "EpubBookWriter.h"

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

namespace {
bool add(QuaZip& zip, const QString& name, const QByteArray& bytes)
{
    QuaZipFile file(&zip);
    const bool stored = name == QLatin1String("mimetype");
    if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(name), nullptr, 0, stored ? 0 : Z_DEFLATED,
                   stored ? 0 : Z_DEFAULT_COMPRESSION)) {
        return false;
    }
    file.write(bytes);
    file.close();
    return file.getZipError() == ZIP_OK;
}
} // namespace

bool EpubBookWriter::write(const QString& path, const QStringList& chapterBodies,
                           const QString& css)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate)) {
        return false;
    }
    bool ok = add(zip, QStringLiteral("mimetype"), "application/epub+zip") &&
              add(zip, QStringLiteral("META-INF/container.xml"),
                  "<?xml version=\"1.0\"?><container version=\"1.0\" xmlns=\"urn:oasis:names:tc:"
                  "opendocument:xmlns:container\"><rootfiles><rootfile full-path=\"OEBPS/"
                  "content.opf\" media-type=\"application/oebps-package+xml\"/></rootfiles>"
                  "</container>");
    const QString link = css.isEmpty() ? QString()
                                       : QStringLiteral("<link rel=\"stylesheet\" "
                                                        "type=\"text/css\" href=\"book.css\"/>");
    if (!css.isEmpty()) {
        ok = ok && add(zip, QStringLiteral("OEBPS/book.css"), css.toUtf8());
    }
    QString manifest = QStringLiteral("<item id=\"nav\" href=\"nav.xhtml\" properties=\"nav\" "
                                      "media-type=\"application/xhtml+xml\"/>");
    QString spine;
    QString nav;
    for (int i = 0; i < chapterBodies.size(); ++i) {
        const QString name = QStringLiteral("c%1.xhtml").arg(i + 1);
        manifest += QStringLiteral("<item id=\"c%1\" href=\"%2\" "
                                   "media-type=\"application/xhtml+xml\"/>")
                        .arg(i + 1)
                        .arg(name);
        spine += QStringLiteral("<itemref idref=\"c%1\"/>").arg(i + 1);
        nav += QStringLiteral("<li><a href=\"%1\">Chapter %2</a></li>").arg(name).arg(i + 1);
        ok = ok && add(zip, QStringLiteral("OEBPS/") + name,
                       QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?><html "
                                      "xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>"
                                      "Chapter</title>%1</head><body>%2</body></html>")
                           .arg(link, chapterBodies.at(i))
                           .toUtf8());
    }
    ok = ok &&
         add(zip, QStringLiteral("OEBPS/nav.xhtml"),
             QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?><html xmlns=\"http://"
                            "www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\">"
                            "<head><title>Contents</title></head><body><nav epub:type=\"toc\">"
                            "<ol>%1</ol></nav></body></html>")
                 .arg(nav)
                 .toUtf8()) &&
         add(zip, QStringLiteral("OEBPS/content.opf"),
             QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?><package xmlns=\"http://"
                            "www.idpf.org/2007/opf\" version=\"3.0\" unique-identifier=\"u\">"
                            "<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
                            "<dc:identifier id=\"u\">urn:quillmere:bench:%1</dc:identifier>"
                            "<dc:title>Bench</dc:title></metadata><manifest>%2</manifest>"
                            "<spine>%3</spine></package>")
                 .arg(chapterBodies.size())
                 .arg(manifest, spine)
                 .toUtf8());
    zip.close();
    return ok && zip.getZipError() == ZIP_OK;
}
