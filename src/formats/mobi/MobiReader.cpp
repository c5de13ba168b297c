#include "formats/mobi/MobiReader.h"

#include "formats/package/BookPackage.h"
#include "formats/package/ChapterBuilder.h"
#include "formats/package/HtmlReader.h"
#include "formats/package/PictureLimits.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QtEndian>
#include <cstdlib>
#include <memory>
#include <mobi.h>

namespace Mobi {

namespace {

using Books::ChapterBuilder;

QString tr(const char* text)
{
    return QCoreApplication::translate("Mobi", text);
}

// libmobi reads the whole file into memory.
constexpr qint64 MaxFileSize = qint64(512) * 1024 * 1024;

struct MobiDataDeleter
{
    void operator()(MOBIData* data) const { mobi_free(data); }
};
struct RawmlDeleter
{
    void operator()(MOBIRawml* rawml) const { mobi_free_rawml(rawml); }
};
using MobiPointer = std::unique_ptr<MOBIData, MobiDataDeleter>;
using RawmlPointer = std::unique_ptr<MOBIRawml, RawmlDeleter>;

// A string libmobi hands over, freed here.
QString takeString(char* text)
{
    const QString string = text ? QString::fromUtf8(text).simplified() : QString();
    std::free(text);
    return string;
}

QString partName(size_t uid)
{
    return QStringLiteral("part%1.html").arg(qulonglong(uid), 5, 10, QLatin1Char('0'));
}

QByteArray bytesOf(const MOBIPart* part)
{
    if (!part || !part->data || part->size == 0 || part->size > size_t(MaxFileSize) * 8) {
        return {};
    }
    return QByteArray(reinterpret_cast<const char*>(part->data), qsizetype(part->size));
}

// libmobi takes each record's size from the offsets of the records around it: offsets that go
// backwards, or past the file's end, would have it ask for gigabytes. They are checked first.
bool recordListIsSound(const QString& path)
{
    constexpr qint64 HeaderSize = 78;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const qint64 size = file.size();
    const QByteArray header = file.read(HeaderSize);
    if (header.size() < HeaderSize) {
        return false;
    }
    const int count = qFromBigEndian<quint16>(header.constData() + 76);
    const QByteArray list = file.read(qint64(count) * 8);
    if (count == 0 || list.size() < qint64(count) * 8) {
        return false;
    }
    qint64 previous = HeaderSize + qint64(count) * 8;
    for (int i = 0; i < count; ++i) {
        const qint64 offset = qFromBigEndian<quint32>(list.constData() + i * 8);
        if (offset < previous || offset > size) {
            return false;
        }
        previous = offset;
    }
    return true;
}

bool isPicture(MOBIFiletype type)
{
    return type == T_JPG || type == T_GIF || type == T_PNG || type == T_BMP;
}

class Reader
{
public:
    Reader(Books::BookPackage* book, const MOBIRawml* rawml)
        : m_book(book), m_rawml(rawml), m_builder(book),
          m_html(&m_builder, {[this](const QString& id) { return m_part + QLatin1Char('#') + id; },
                              [this](const QString& href) { return linkKey(href); },
                              [this](const QString& src) { return pictureName(src); }})
    {
    }

    bool read();

private:
    QString linkKey(const QString& href) const;
    QString pictureName(const QString& src);
    QStringList styleSheets(const QString& html);
    void readContents();

    Books::BookPackage* m_book;
    const MOBIRawml* m_rawml;
    ChapterBuilder m_builder;
    Books::HtmlReader m_html;
    QString m_part; // the part being read
    QHash<QString, QString> m_pictures;
};

QString Reader::linkKey(const QString& href) const
{
    if (href.startsWith(QLatin1Char('#'))) {
        return m_part + href;
    }
    // libmobi names the parts "part00001.html"; a link to a part without an anchor leads to
    // its start.
    static const QRegularExpression part(QStringLiteral("^(part[0-9]{5}\\.html)(#.*)?$"));
    const QRegularExpressionMatch match = part.match(href);
    if (!match.hasMatch()) {
        return {};
    }
    return match.captured(1) +
           (match.captured(2).isEmpty() ? QStringLiteral("#") : match.captured(2));
}

QString Reader::pictureName(const QString& src)
{
    static const QRegularExpression resource(QStringLiteral("^resource([0-9]{1,5})\\.[a-z]+$"));
    const QRegularExpressionMatch match = resource.match(src);
    if (!match.hasMatch()) {
        return {};
    }
    if (const auto known = m_pictures.constFind(src); known != m_pictures.cend()) {
        return *known;
    }
    const MOBIPart* part = mobi_get_resource_by_uid(m_rawml, match.captured(1).toULong());
    QString name;
    if (part && isPicture(part->type)) {
        const QByteArray bytes = bytesOf(part);
        QString why;
        if (Books::PictureLimits::acceptable(bytes, &why)) {
            name = QStringLiteral("images/") + src;
            m_book->addResource(name, bytes);
        } else {
            m_book->warnings.append(tr("The picture %1 is not shown: %2.").arg(src, why));
        }
    }
    m_pictures.insert(src, name);
    return name;
}

QStringList Reader::styleSheets(const QString& html)
{
    // The head is left out of the chapters; the style sheets it links are kept.
    static const QRegularExpression link(
        QStringLiteral("<link[^>]+href=\"(flow([0-9]{1,5})\\.css)\""),
        QRegularExpression::CaseInsensitiveOption);
    QStringList sheets;
    const qsizetype body = html.indexOf(QLatin1String("<body"), 0, Qt::CaseInsensitive);
    const QString head = body < 0 ? QString() : html.left(body);
    for (auto it = link.globalMatch(head); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString name = QStringLiteral("styles/") + match.captured(1);
        if (!m_book->contains(name)) {
            const MOBIPart* flow = mobi_get_flow_by_uid(m_rawml, match.captured(2).toULong());
            if (!flow || flow->type != T_CSS) {
                continue;
            }
            m_book->addResource(name, bytesOf(flow));
        }
        sheets.append(name);
    }
    return sheets;
}

void Reader::readContents()
{
    for (const MOBIPart* part = m_rawml->resources; part; part = part->next) {
        if (part->type != T_NCX) {
            continue;
        }
        QXmlStreamReader xml(bytesOf(part));
        int depth = 0;
        QString title;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement()) {
                if (xml.name() == QLatin1String("navPoint")) {
                    ++depth;
                    title.clear();
                } else if (depth > 0 && xml.name() == QLatin1String("text") && title.isEmpty()) {
                    title = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                } else if (depth > 0 && xml.name() == QLatin1String("content")) {
                    const QString key =
                        linkKey(xml.attributes().value(QLatin1String("src")).toString());
                    m_builder.addContents(title, depth - 1, key);
                }
            } else if (xml.isEndElement() && xml.name() == QLatin1String("navPoint")) {
                --depth;
            }
        }
        if (xml.hasError()) {
            m_book->warnings.append(tr("The book's table of contents is damaged; part of it is "
                                       "shown."));
        }
        return;
    }
}

bool Reader::read()
{
    for (const MOBIPart* part = m_rawml->markup; part; part = part->next) {
        if (part->type != T_HTML) {
            continue;
        }
        m_part = partName(part->uid);
        const QString html = QString::fromUtf8(bytesOf(part));
        m_builder.startChapter();
        m_builder.setStyleSheets(styleSheets(html));
        m_html.placeOnNextBlock(m_part + QLatin1Char('#'));
        m_html.read(html);
    }
    readContents();
    return m_builder.finish();
}

} // namespace

bool read(const QString& path, Books::BookPackage* book, QString* error)
{
    auto fail = [&](const QString& text) {
        if (error) {
            *error = text;
        }
        return false;
    };
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        return fail(tr("The book cannot be opened."));
    }
    if (info.size() > MaxFileSize) {
        return fail(tr("The file is far too large to be a Kindle book."));
    }
    if (!recordListIsSound(path)) {
        return fail(tr("It is not a MOBI or AZW3 book, or it is damaged: its list of records "
                       "does not fit the file."));
    }
    MobiPointer data(mobi_init());
    if (!data) {
        return fail(tr("The book cannot be read: out of memory."));
    }
    const MOBI_RET loaded = mobi_load_filename(data.get(), QFile::encodeName(path).constData());
    if (loaded != MOBI_SUCCESS || !mobi_exists_mobiheader(data.get())) {
        return fail(tr("It is not a MOBI or AZW3 book, or the file is damaged."));
    }
    if (mobi_is_encrypted(data.get())) {
        return fail(tr("The book is protected against copying (DRM) and cannot be shown."));
    }
    // Links between parts are rebuilt where the book allows; a book whose links are damaged
    // is read again without them rather than not at all.
    RawmlPointer rawml(mobi_init_rawml(data.get()));
    MOBI_RET parsed = rawml ? mobi_parse_rawml_opt(rawml.get(), data.get(), true, false, true)
                            : MOBI_MALLOC_FAILED;
    if (parsed != MOBI_SUCCESS && parsed != MOBI_FILE_ENCRYPTED) {
        rawml.reset(mobi_init_rawml(data.get()));
        parsed = rawml ? mobi_parse_rawml_opt(rawml.get(), data.get(), false, false, false)
                       : MOBI_MALLOC_FAILED;
        if (parsed == MOBI_SUCCESS) {
            book->warnings.append(tr("The book is damaged; it is shown without its links and "
                                     "contents."));
        }
    }
    if (parsed == MOBI_FILE_ENCRYPTED) {
        return fail(tr("The book is protected against copying (DRM) and cannot be shown."));
    }
    if (parsed != MOBI_SUCCESS) {
        return fail(tr("The book is damaged and cannot be read."));
    }
    book->title = takeString(mobi_meta_get_title(data.get()));
    if (book->title.isEmpty()) {
        char name[1024] = {};
        if (mobi_get_fullname(data.get(), name, sizeof name - 1) == MOBI_SUCCESS) {
            book->title = QString::fromUtf8(name).simplified();
        }
    }
    book->author = takeString(mobi_meta_get_author(data.get()));
    book->language = takeString(mobi_meta_get_language(data.get()));
    book->identifier = takeString(mobi_meta_get_isbn(data.get()));
    if (book->identifier.isEmpty()) {
        book->identifier = takeString(mobi_meta_get_asin(data.get()));
    }
    Reader reader(book, rawml.get());
    if (!reader.read()) {
        return fail(tr("The book holds no text."));
    }
    return true;
}

} // namespace Mobi
