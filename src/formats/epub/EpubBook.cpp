#include "formats/epub/EpubBook.h"

#include <QCoreApplication>
#include <QHash>
#include <QUrl>
#include <QXmlStreamReader>

namespace Epub {

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("Epub::Book", text);
}

// Splits "file.xhtml#id" resolved against base into an entry name and an anchor.
std::pair<QString, QString> resolveLink(const QString& base, const QString& href)
{
    const int hash = href.indexOf(QLatin1Char('#'));
    const QString file = hash >= 0 ? href.left(hash) : href;
    const QString anchor =
        hash >= 0 ? QUrl::fromPercentEncoding(href.mid(hash + 1).toUtf8()) : QString();
    if (file.isEmpty()) {
        return {base, anchor};
    }
    return {Archive::resolve(base, file), anchor};
}

QString simplifiedText(QXmlStreamReader& xml)
{
    return xml.readElementText(QXmlStreamReader::IncludeChildElements).simplified();
}

bool hasType(const QXmlStreamAttributes& attributes, QLatin1String type)
{
    for (const QXmlStreamAttribute& attribute : attributes) {
        if (attribute.name() == QLatin1String("type") &&
            attribute.value().split(QLatin1Char(' ')).contains(type)) {
            return true;
        }
    }
    return false;
}
} // namespace

Book::Book() : m_entries(std::make_shared<Archive>()) {}

bool Book::openEntries(std::shared_ptr<const Entries> entries, const Description& description)
{
    m_entries = std::move(entries);
    m_identifier = description.identifier;
    m_title = description.title;
    m_author = description.author;
    m_language = description.language;
    m_warnings = description.warnings;
    QHash<int, int> kept; // described chapter -> spine index
    for (int i = 0; i < description.chapters.size(); ++i) {
        const QString& name = description.chapters.at(i);
        if (m_entries->contains(name) && !m_chapterIndex.contains(name)) {
            kept.insert(i, int(m_chapters.size()));
            m_chapterIndex.insert(name, int(m_chapters.size()));
            m_chapters.append(name);
        }
    }
    for (ContentsEntry entry : description.contents) {
        if (kept.contains(entry.chapter)) {
            entry.chapter = kept.value(entry.chapter);
            m_contents.append(entry);
        }
    }
    return !m_chapters.isEmpty();
}

Book::OpenResult Book::open(const QString& path, QString* error)
{
    auto fail = [&](OpenResult result, const QString& text) {
        if (error) {
            *error = text;
        }
        return result;
    };
    auto archive = std::make_shared<Archive>();
    m_entries = archive;
    QString archiveError;
    if (!archive->open(path, &archiveError)) {
        return fail(OpenResult::NotEpub, archiveError);
    }
    if (contentIsEncrypted()) {
        return fail(OpenResult::Protected,
                    tr("The book is protected against copying (DRM) and cannot be shown."));
    }
    // The container names the package document; a book without one is still read when it
    // holds exactly one package document.
    QString packagePath;
    QByteArray container;
    if (m_entries->read(QStringLiteral("META-INF/container.xml"), &container)) {
        QXmlStreamReader xml(container);
        while (!xml.atEnd() && packagePath.isEmpty()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("rootfile")) {
                packagePath = Archive::normalisedName(
                    xml.attributes().value(QLatin1String("full-path")).toString());
            }
        }
    }
    if (packagePath.isEmpty() || !m_entries->contains(packagePath)) {
        QStringList packages;
        for (const QString& name : m_entries->entryNames()) {
            if (name.endsWith(QLatin1String(".opf"), Qt::CaseInsensitive)) {
                packages.append(name);
            }
        }
        if (packages.size() != 1) {
            return fail(OpenResult::NotEpub,
                        tr("It is not an EPUB book: it has no package document."));
        }
        packagePath = packages.first();
        m_warnings.append(tr("The book's container does not name its package document."));
    }
    QByteArray package;
    QString readError;
    if (!m_entries->read(packagePath, &package, &readError)) {
        return fail(OpenResult::NotEpub, readError);
    }
    if (!readPackage(packagePath, package, &readError)) {
        return fail(OpenResult::NotEpub, readError);
    }
    return OpenResult::Opened;
}

bool Book::contentIsEncrypted()
{
    QByteArray data;
    if (!m_entries->read(QStringLiteral("META-INF/encryption.xml"), &data)) {
        return false;
    }
    // Obfuscated fonts are not protection: only encrypted content keeps a reader out.
    static const QStringList fontObfuscation = {
        QStringLiteral("http://www.idpf.org/2008/embedding"),
        QStringLiteral("http://ns.adobe.com/pdf/enc#RC")};
    QXmlStreamReader xml(data);
    QString algorithm;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            continue;
        }
        if (xml.name() == QLatin1String("EncryptedData")) {
            algorithm.clear();
        } else if (xml.name() == QLatin1String("EncryptionMethod")) {
            algorithm = xml.attributes().value(QLatin1String("Algorithm")).toString();
        } else if (xml.name() == QLatin1String("CipherReference") &&
                   !fontObfuscation.contains(algorithm)) {
            return true;
        }
    }
    // An encryption file we cannot read is taken as protection: showing ciphered bytes as
    // text helps nobody.
    return xml.hasError() && xml.error() != QXmlStreamReader::PrematureEndOfDocumentError;
}

bool Book::readPackage(const QString& packagePath, const QByteArray& data, QString* error)
{
    QXmlStreamReader xml(data);
    QString uniqueId;
    QHash<QString, QString> identifiers; // id attribute -> identifier
    QString firstIdentifier;
    QString ncxId;
    QStringList spineIds;
    bool inMetadata = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == QLatin1String("metadata")) {
            inMetadata = false;
        }
        if (!xml.isStartElement()) {
            continue;
        }
        const QXmlStreamAttributes attributes = xml.attributes();
        const auto name = xml.name();
        if (name == QLatin1String("package")) {
            m_version = attributes.value(QLatin1String("version")).toString();
            uniqueId = attributes.value(QLatin1String("unique-identifier")).toString();
        } else if (name == QLatin1String("metadata")) {
            inMetadata = true;
        } else if (inMetadata && name == QLatin1String("identifier")) {
            const QString id = attributes.value(QLatin1String("id")).toString();
            const QString value = simplifiedText(xml);
            identifiers.insert(id, value);
            if (firstIdentifier.isEmpty()) {
                firstIdentifier = value;
            }
        } else if (inMetadata && name == QLatin1String("title") && m_title.isEmpty()) {
            m_title = simplifiedText(xml);
        } else if (inMetadata && name == QLatin1String("creator") && m_author.isEmpty()) {
            m_author = simplifiedText(xml);
        } else if (inMetadata && name == QLatin1String("language") && m_language.isEmpty()) {
            m_language = simplifiedText(xml);
        } else if (inMetadata && name == QLatin1String("meta") &&
                   attributes.value(QLatin1String("property")) ==
                       QLatin1String("rendition:layout")) {
            m_fixedLayout = simplifiedText(xml) == QLatin1String("pre-paginated");
        } else if (name == QLatin1String("item")) {
            ManifestItem item;
            item.id = attributes.value(QLatin1String("id")).toString();
            item.path =
                resolveLink(packagePath, attributes.value(QLatin1String("href")).toString()).first;
            item.mediaType = attributes.value(QLatin1String("media-type")).toString();
            item.properties = attributes.value(QLatin1String("properties")).toString();
            if (!item.path.isEmpty()) {
                m_manifest.append(item);
            }
        } else if (name == QLatin1String("spine")) {
            ncxId = attributes.value(QLatin1String("toc")).toString();
        } else if (name == QLatin1String("itemref")) {
            spineIds.append(attributes.value(QLatin1String("idref")).toString());
        }
    }
    if (xml.hasError()) {
        m_warnings.append(tr("The package document is damaged (%1 at line %2); what could be read "
                             "is shown.")
                              .arg(xml.errorString())
                              .arg(xml.lineNumber()));
    }
    m_identifier = identifiers.value(uniqueId, firstIdentifier);

    QHash<QString, const ManifestItem*> byId;
    for (const ManifestItem& item : std::as_const(m_manifest)) {
        byId.insert(item.id, &item);
    }
    for (const QString& id : std::as_const(spineIds)) {
        const ManifestItem* item = byId.value(id);
        if (item && m_entries->contains(item->path) && !m_chapterIndex.contains(item->path)) {
            m_chapterIndex.insert(item->path, int(m_chapters.size()));
            m_chapters.append(item->path);
        }
    }
    if (m_chapters.isEmpty()) {
        if (error) {
            *error = xml.hasError() ? tr("The book's package document is damaged: %1 at line %2.")
                                          .arg(xml.errorString())
                                          .arg(xml.lineNumber())
                                    : tr("The book lists no chapters to show.");
        }
        return false;
    }

    for (const ManifestItem& item : std::as_const(m_manifest)) {
        if (item.properties.split(QLatin1Char(' ')).contains(QLatin1String("nav"))) {
            readNavigation(item.path);
            break;
        }
    }
    if (m_contents.isEmpty()) {
        const ManifestItem* ncx = byId.value(ncxId);
        if (!ncx) {
            for (const ManifestItem& item : std::as_const(m_manifest)) {
                if (item.mediaType == QLatin1String("application/x-dtbncx+xml")) {
                    ncx = &item;
                }
            }
        }
        if (ncx) {
            readNcx(ncx->path);
        }
    }
    if (m_contents.isEmpty()) {
        readHeadings();
    }
    return true;
}

void Book::readNavigation(const QString& path)
{
    QByteArray data;
    if (!m_entries->read(path, &data)) {
        return;
    }
    QXmlStreamReader xml(data);
    int navDepth = 0; // > 0 inside the toc nav
    int listDepth = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("nav")) {
                if (navDepth > 0 || hasType(xml.attributes(), QLatin1String("toc"))) {
                    ++navDepth;
                }
            } else if (navDepth > 0 && xml.name() == QLatin1String("ol")) {
                ++listDepth;
            } else if (navDepth > 0 && xml.name() == QLatin1String("a")) {
                const auto [file, anchor] =
                    resolveLink(path, xml.attributes().value(QLatin1String("href")).toString());
                const QString title = simplifiedText(xml);
                const int chapter = chapterOf(file);
                if (chapter >= 0 && !title.isEmpty()) {
                    m_contents.append({title, chapter, anchor, qMax(0, listDepth - 1)});
                }
            }
        } else if (xml.isEndElement() && navDepth > 0) {
            if (xml.name() == QLatin1String("ol")) {
                --listDepth;
            } else if (xml.name() == QLatin1String("nav") && --navDepth == 0) {
                break;
            }
        }
    }
    if (xml.hasError()) {
        m_warnings.append(tr("The book's table of contents is damaged; part of it is shown."));
    }
}

void Book::readNcx(const QString& path)
{
    QByteArray data;
    if (!m_entries->read(path, &data)) {
        return;
    }
    QXmlStreamReader xml(data);
    int depth = 0;
    QString title;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("navPoint")) {
                ++depth;
                title.clear();
            } else if (depth > 0 && xml.name() == QLatin1String("text") && title.isEmpty()) {
                title = simplifiedText(xml);
            } else if (depth > 0 && xml.name() == QLatin1String("content")) {
                const auto [file, anchor] =
                    resolveLink(path, xml.attributes().value(QLatin1String("src")).toString());
                const int chapter = chapterOf(file);
                if (chapter >= 0 && !title.isEmpty()) {
                    m_contents.append({title, chapter, anchor, depth - 1});
                }
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("navPoint")) {
            --depth;
        }
    }
    if (xml.hasError()) {
        m_warnings.append(tr("The book's table of contents is damaged; part of it is shown."));
    }
}

void Book::readHeadings()
{
    for (int chapter = 0; chapter < m_chapters.size(); ++chapter) {
        QByteArray data;
        if (!m_entries->read(m_chapters.at(chapter), &data)) {
            continue;
        }
        QXmlStreamReader xml(data);
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement()) {
                continue;
            }
            const auto name = xml.name();
            if (name == QLatin1String("h1") || name == QLatin1String("h2") ||
                name == QLatin1String("h3")) {
                const int depth = name.at(1).digitValue() - 1;
                const QString anchor = xml.attributes().value(QLatin1String("id")).toString();
                const QString title = simplifiedText(xml);
                if (!title.isEmpty()) {
                    m_contents.append({title, chapter, anchor, depth});
                }
            }
        }
    }
}

} // namespace Epub
