#include "formats/package/ChapterBuilder.h"

#include "formats/package/BookPackage.h"

#include <QUrl>
#include <algorithm>

namespace Books {

namespace {

// Appends text escaped for XML, leaving out what XML cannot hold (control characters, lone
// surrogates, U+FFFE and U+FFFF); visible is set when anything but white space was written.
// Runs of plain characters are appended whole: a book is mostly such runs.
void appendEscaped(QString& out, QStringView text, bool* visible = nullptr)
{
    bool seen = !visible || *visible;
    qsizetype run = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t u = text[i].unicode();
        const bool plain = (u >= 0x20 || u == u'\t' || u == u'\n' || u == u'\r') && u != u'&' &&
                           u != u'<' && u != u'>' && u != u'"' && (u < 0xD800 || u > 0xDFFF) &&
                           u < 0xFFFE;
        if (plain) {
            if (!seen && !QChar::isSpace(u)) {
                seen = true;
            }
            continue;
        }
        out += text.mid(run, i - run);
        run = i + 1;
        if (QChar::isHighSurrogate(u)) {
            if (i + 1 < size && text[i + 1].isLowSurrogate()) {
                out += text.mid(i, 2);
                seen = true;
                ++i;
                run = i + 1;
            }
            continue;
        }
        switch (u) {
        case u'&':
            out += QLatin1String("&amp;");
            break;
        case u'<':
            out += QLatin1String("&lt;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        case u'"':
            out += QLatin1String("&quot;");
            break;
        default:
            continue; // left out
        }
        seen = true;
    }
    out += text.mid(run);
    if (visible) {
        *visible = seen;
    }
}

QString escaped(QStringView text)
{
    QString out;
    appendEscaped(out, text);
    return out;
}

// Keys the builder makes itself, which no reader's key can equal.
const QString ReferencePrefix = QStringLiteral("\x01ref:");
const QString HeadingPrefix = QStringLiteral("\x01heading:");

} // namespace

ChapterBuilder::ChapterBuilder(BookPackage* package) : m_package(package) {}

QString ChapterBuilder::escapedText(QStringView text)
{
    return escaped(text);
}

QString ChapterBuilder::referenceKey(const QString& noteKey)
{
    return ReferencePrefix + noteKey;
}

void ChapterBuilder::startChapter()
{
    endRun();
    // An empty chapter is simply filled further, so keys placed in it stay where they are.
    if (!m_stream.hasContent || !m_suspended.isEmpty() || m_chapters.size() + 1 >= MaxChapters) {
        return;
    }
    const QList<OpenElement> reopen = m_stream.open;
    const int flattened = m_stream.flattened;
    Stream next;
    next.headingDepth = m_stream.headingDepth;
    next.headingKey = m_stream.headingKey;
    next.headingText = m_stream.headingText;
    while (depth() > 0) {
        closeOne();
    }
    endChapter();
    m_stream = std::move(next);
    for (const OpenElement& element : reopen) {
        openWithRaw(element.tag, element.attributes, element.attributes);
    }
    m_stream.flattened = flattened;
}

bool ChapterBuilder::splitIfLarger(qsizetype size)
{
    if (m_stream.body.size() < size) {
        return false;
    }
    const int before = chapterIndex();
    startChapter();
    return chapterIndex() != before;
}

void ChapterBuilder::endChapter()
{
    Chapter chapter;
    chapter.body = std::move(m_stream.body);
    chapter.fixups = std::move(m_stream.fixups);
    chapter.noteReferences = std::move(m_stream.noteReferences);
    chapter.styleSheets = m_styleSheets;
    m_chapters.append(std::move(chapter));
}

void ChapterBuilder::openWithRaw(const QString& tag, const QString& attributes,
                                 const QString& reopened)
{
    if (depth() >= MaxDepth) {
        ++m_stream.flattened;
        return;
    }
    m_stream.body += QLatin1Char('<') + tag + attributes + QLatin1Char('>');
    m_stream.open.append({tag, reopened});
}

void ChapterBuilder::open(const QString& tag, const Attributes& attributes)
{
    endRun();
    // Blocks inside a note or a heading part their words in its text.
    static const QSet<QString> inlineTags = {
        QStringLiteral("a"),      QStringLiteral("b"),    QStringLiteral("i"),
        QStringLiteral("u"),      QStringLiteral("s"),    QStringLiteral("em"),
        QStringLiteral("strong"), QStringLiteral("span"), QStringLiteral("sup"),
        QStringLiteral("sub"),    QStringLiteral("code"), QStringLiteral("small"),
        QStringLiteral("big")};
    if (!inlineTags.contains(tag)) {
        if (m_stream.headingDepth >= 0) {
            m_stream.headingText += QLatin1Char(' ');
        }
        if (!m_noteKey.isEmpty()) {
            m_noteText += QLatin1Char(' ');
        }
    }
    QString all;
    QString withoutId;
    QStringList names; // an attribute given twice keeps its first value, as HTML has it
    for (const auto& [name, value] : attributes) {
        if (name.isEmpty() || (name == QLatin1String("id") && value.isEmpty()) ||
            names.contains(name)) {
            continue;
        }
        names.append(name);
        const QString written =
            QLatin1Char(' ') + name + QLatin1String("=\"") + escaped(value) + QLatin1Char('"');
        all += written;
        if (name != QLatin1String("id")) {
            withoutId += written;
        }
    }
    openWithRaw(tag, all, withoutId);
}

void ChapterBuilder::closeOne()
{
    if (m_stream.flattened > 0) {
        --m_stream.flattened;
        return;
    }
    if (m_stream.open.isEmpty()) {
        return;
    }
    m_stream.body += QLatin1String("</") + m_stream.open.last().tag + QLatin1Char('>');
    m_stream.open.removeLast();
}

void ChapterBuilder::close()
{
    endRun();
    closeOne();
}

void ChapterBuilder::closeTo(int wanted)
{
    endRun();
    while (depth() > qMax(0, wanted)) {
        closeOne();
    }
}

bool ChapterBuilder::isOpen(const QString& tag) const
{
    return std::any_of(m_stream.open.cbegin(), m_stream.open.cend(),
                       [&](const OpenElement& element) { return element.tag == tag; });
}

void ChapterBuilder::element(const QString& tag, const Attributes& attributes)
{
    if (tag != QLatin1String("br")) {
        endRun();
    }
    m_stream.body += QLatin1Char('<') + tag;
    QStringList written;
    for (const auto& [name, value] : attributes) {
        if (!name.isEmpty() && !written.contains(name)) {
            written.append(name);
            m_stream.body +=
                QLatin1Char(' ') + name + QLatin1String("=\"") + escaped(value) + QLatin1Char('"');
        }
    }
    m_stream.body += QLatin1String("/>");
    if (tag == QLatin1String("br")) {
        if (m_stream.headingDepth >= 0) {
            m_stream.headingText += QLatin1Char(' ');
        }
        if (!m_noteKey.isEmpty() && !m_noteSuspended) {
            m_noteText += QLatin1Char(' ');
        }
    } else {
        m_stream.hasContent = true;
    }
}

void ChapterBuilder::openRun(const InlineFormat& format)
{
    int count = 0;
    auto wrap = [&](const char* tag, const QString& attributes = {}) {
        openWithRaw(QLatin1String(tag), attributes, attributes);
        ++count;
    };
    if (format.bold) {
        wrap("b");
    }
    if (format.italic) {
        wrap("i");
    }
    if (format.underline) {
        wrap("u");
    }
    if (format.strike) {
        wrap("s");
    }
    if (format.vertical > 0) {
        wrap("sup");
    } else if (format.vertical < 0) {
        wrap("sub");
    }
    if (format.monospace) {
        wrap("code");
    }
    QString style;
    if (!format.color.isEmpty()) {
        style += QStringLiteral("color: %1;").arg(format.color);
    }
    if (!format.background.isEmpty()) {
        style += QStringLiteral(" background-color: %1;").arg(format.background);
    }
    if (!style.isEmpty()) {
        wrap("span", QStringLiteral(" style=\"%1\"").arg(escaped(style.trimmed())));
    }
    m_stream.runOpen = true;
    m_stream.runElements = count;
    m_stream.run = format;
}

void ChapterBuilder::endRun()
{
    if (!m_stream.runOpen) {
        return;
    }
    m_stream.runOpen = false;
    for (int i = 0; i < m_stream.runElements; ++i) {
        closeOne();
    }
    m_stream.runElements = 0;
}

void ChapterBuilder::text(QStringView text, const InlineFormat& format)
{
    if (text.isEmpty()) {
        return;
    }
    if (!m_stream.runOpen || m_stream.run != format) {
        endRun();
        openRun(format);
    }
    bool visible = false;
    appendEscaped(m_stream.body, text, &visible);
    m_stream.hasContent = m_stream.hasContent || visible;
    if (m_stream.headingDepth >= 0) {
        m_stream.headingText += text;
    }
    if (!m_noteKey.isEmpty() && !m_noteSuspended && m_noteText.size() < MaxNoteLength) {
        m_noteText += text;
    }
}

QString ChapterBuilder::uniqueId(const QString& key)
{
    QString id;
    for (const QChar c : key.left(64)) {
        const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                           c == QLatin1Char('-') || c == QLatin1Char('_') || c == QLatin1Char('.');
        id += plain ? c : QLatin1Char('_');
    }
    if (id.isEmpty() || !(id.at(0).isLetter() || id.at(0) == QLatin1Char('_'))) {
        id.prepend(QLatin1String("id-"));
    }
    QString unique = id;
    for (int n = 2; m_usedIds.contains(unique); ++n) {
        unique = id + QLatin1Char('-') + QString::number(n);
    }
    m_usedIds.insert(unique);
    return unique;
}

void ChapterBuilder::placeKey(const QString& key, const QString& id)
{
    const bool aside = !m_suspended.isEmpty();
    m_targets.insert(key, {aside ? -1 : chapterIndex(), id});
    if (aside) {
        m_stream.anchors.append(key);
    }
}

QString ChapterBuilder::anchorId(const QString& key)
{
    if (key.isEmpty() || m_targets.contains(key)) {
        return {};
    }
    const QString id = uniqueId(key.startsWith(ReferencePrefix)
                                    ? QLatin1String("ref-") + key.mid(ReferencePrefix.size())
                                : key.startsWith(HeadingPrefix) ? QStringLiteral("h")
                                                                : key);
    placeKey(key, id);
    return id;
}

void ChapterBuilder::anchor(const QString& key)
{
    const QString id = anchorId(key);
    if (!id.isEmpty()) {
        m_stream.body += QStringLiteral("<a id=\"%1\"></a>").arg(id);
    }
}

void ChapterBuilder::alias(const QString& key, const QString& placedKey)
{
    if (!key.isEmpty() && !m_targets.contains(key) && !m_aliases.contains(key)) {
        m_aliases.insert(key, placedKey);
    }
}

ChapterBuilder::Target ChapterBuilder::target(const QString& key) const
{
    const auto found = m_targets.constFind(key);
    if (found != m_targets.cend()) {
        return *found;
    }
    return m_targets.value(m_aliases.value(key));
}

void ChapterBuilder::openLink(const QString& href)
{
    const QString scheme = QUrl(href.trimmed()).scheme().toLower();
    const bool outside = scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
                         scheme == QLatin1String("mailto") || scheme == QLatin1String("ftp");
    open(QStringLiteral("a"),
         outside ? Attributes{{QStringLiteral("href"), href.trimmed()}} : Attributes{});
}

void ChapterBuilder::openInternalLink(const QString& key)
{
    endRun();
    if (depth() >= MaxDepth) {
        ++m_stream.flattened;
        return;
    }
    m_stream.body += QLatin1String("<a href=\"");
    m_stream.fixups.append({m_stream.body.size(), key});
    m_stream.body += QLatin1String("\">");
    m_stream.open.append({QStringLiteral("a"), {}});
}

void ChapterBuilder::openNoteReference(const QString& noteKey)
{
    endRun();
    if (depth() >= MaxDepth) {
        ++m_stream.flattened;
        return;
    }
    const QString id = anchorId(referenceKey(noteKey));
    m_stream.body += QLatin1String("<a epub:type=\"noteref\"");
    if (!id.isEmpty()) {
        m_stream.body += QStringLiteral(" id=\"%1\"").arg(id);
    }
    m_stream.body += QLatin1String(" href=\"");
    m_stream.fixups.append({m_stream.body.size(), noteKey});
    m_stream.body += QLatin1String("\">");
    m_stream.open.append({QStringLiteral("a"), {}});
    m_stream.noteReferences.insert(noteKey);
}

void ChapterBuilder::openNote(const QString& noteKey, const QString& tag,
                              const Attributes& attributes)
{
    endRun();
    m_noteDepth = depth();
    Attributes all{{QStringLiteral("epub:type"), QStringLiteral("footnote")},
                   {QStringLiteral("id"), anchorId(noteKey)}};
    all += attributes;
    open(tag, all);
    m_noteKey = noteKey;
    m_noteText.clear();
    m_noteSuspended = false;
}

void ChapterBuilder::closeNote()
{
    if (m_noteKey.isEmpty()) {
        return;
    }
    closeTo(m_noteDepth);
    QString text = m_noteText.simplified();
    if (text.size() >= MaxNoteLength) {
        text = text.left(MaxNoteLength) + QChar(0x2026);
    }
    if (!m_noteTexts.contains(m_noteKey)) {
        m_noteTexts.insert(m_noteKey, text);
    }
    m_noteKey.clear();
    m_noteText.clear();
}

void ChapterBuilder::openHeading(int level, const QString& key, const Attributes& attributes)
{
    endRun();
    const QString placed = key.isEmpty() ? HeadingPrefix + QString::number(++m_madeUpKeys) : key;
    Attributes all{{QStringLiteral("id"), anchorId(placed)}};
    all += attributes;
    m_stream.headingDepth = depth();
    m_stream.headingKey = placed;
    m_stream.headingText.clear();
    open(QStringLiteral("h%1").arg(qBound(1, level, 6)), all);
}

QString ChapterBuilder::closeHeading(bool listed, int contentsDepth)
{
    if (m_stream.headingDepth < 0) {
        return {};
    }
    closeTo(m_stream.headingDepth);
    const QString title = m_stream.headingText.simplified();
    if (listed && !title.isEmpty()) {
        m_contents.append({title, qMax(0, contentsDepth), m_stream.headingKey});
    }
    m_stream.headingDepth = -1;
    m_stream.headingKey.clear();
    m_stream.headingText.clear();
    return title;
}

void ChapterBuilder::addContents(const QString& title, int depth, const QString& key)
{
    const QString simplified = title.simplified();
    if (!simplified.isEmpty() && !key.isEmpty()) {
        m_contents.append({simplified, qMax(0, depth), key});
    }
}

void ChapterBuilder::beginAside()
{
    endRun();
    m_suspended.append(std::move(m_stream));
    m_stream = Stream{};
}

int ChapterBuilder::endAside()
{
    if (m_suspended.isEmpty()) {
        return -1;
    }
    closeTo(0);
    m_asides.append(std::move(m_stream));
    m_stream = m_suspended.takeLast();
    return int(m_asides.size()) - 1;
}

void ChapterBuilder::insertAside(int index)
{
    if (index < 0 || index >= m_asides.size()) {
        return;
    }
    endRun();
    Stream aside = std::exchange(m_asides[index], Stream{});
    const qsizetype base = m_stream.body.size();
    m_stream.body += aside.body;
    for (Fixup fixup : std::as_const(aside.fixups)) {
        fixup.offset += base;
        m_stream.fixups.append(fixup);
    }
    for (const QString& key : std::as_const(aside.anchors)) {
        if (m_suspended.isEmpty()) {
            m_targets[key].chapter = chapterIndex();
        } else {
            m_stream.anchors.append(key);
        }
    }
    m_stream.noteReferences.unite(aside.noteReferences);
    m_stream.hasContent = m_stream.hasContent || aside.hasContent;
}

QString ChapterBuilder::chapterName(int index) const
{
    return QStringLiteral("chapter%1.xhtml").arg(index + 1, 4, 10, QLatin1Char('0'));
}

QString ChapterBuilder::resolve(const QString& key, int fromChapter) const
{
    const Target found = target(key);
    if (found.chapter < 0 || found.chapter >= m_chapters.size() || found.id.isEmpty()) {
        return {};
    }
    const QString fragment = QLatin1Char('#') + found.id;
    return found.chapter == fromChapter ? fragment : chapterName(found.chapter) + fragment;
}

bool ChapterBuilder::finish()
{
    while (!m_suspended.isEmpty()) {
        endAside();
    }
    closeTo(0);
    if (m_stream.hasContent) {
        endChapter();
    }
    m_stream = Stream{};
    if (m_chapters.isEmpty()) {
        return false;
    }
    for (int index = 0; index < m_chapters.size(); ++index) {
        Chapter& chapter = m_chapters[index];
        QString xhtml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html "
                                       "xmlns=\"http://www.w3.org/1999/xhtml\" "
                                       "xmlns:epub=\"http://www.idpf.org/2007/ops\"><head><title>"
                                       "%1</title>")
                            .arg(index + 1);
        for (const QString& sheet : std::as_const(chapter.styleSheets)) {
            xhtml += QStringLiteral("<link rel=\"stylesheet\" type=\"text/css\" href=\"%1\"/>")
                         .arg(escaped(sheet));
        }
        xhtml += QLatin1String("</head><body>");
        qsizetype last = 0;
        for (const Fixup& fixup : std::as_const(chapter.fixups)) {
            xhtml += QStringView(chapter.body).mid(last, fixup.offset - last);
            xhtml += escaped(resolve(fixup.key, index));
            last = fixup.offset;
        }
        xhtml += QStringView(chapter.body).mid(last);
        chapter.body.clear();
        // The pop-ups of notes written in another chapter.
        QStringList notes = chapter.noteReferences.values();
        notes.sort();
        for (const QString& note : std::as_const(notes)) {
            const Target place = target(note);
            const QString text = m_noteTexts.value(note);
            if (place.chapter != index && !place.id.isEmpty() && !text.isEmpty()) {
                xhtml += QStringLiteral("<aside epub:type=\"footnote\" id=\"%1\" hidden=\"hidden\">"
                                        "<p>%2</p></aside>")
                             .arg(place.id, escaped(text));
            }
        }
        xhtml += QLatin1String("</body></html>\n");
        m_package->addChapter(chapterName(index), xhtml.toUtf8());
    }
    for (const PendingContents& entry : std::as_const(m_contents)) {
        const Target place = target(entry.key);
        if (place.chapter >= 0 && place.chapter < m_chapters.size()) {
            m_package->contents.append({entry.title, place.chapter, place.id, entry.depth});
        }
    }
    m_chapters.clear();
    return true;
}

} // namespace Books
