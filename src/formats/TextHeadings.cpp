#include "formats/TextHeadings.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTextBlock>
#include <QTextDocument>

namespace {
// A heading of plain text is one short line; longer paragraphs are never looked at closely.
constexpr int LongestHeading = 100;

// The books of the Bible as the King James text names them.
const QStringList& bibleBooks()
{
    static const QStringList books = {
        QStringLiteral("Genesis"),
        QStringLiteral("Exodus"),
        QStringLiteral("Leviticus"),
        QStringLiteral("Numbers"),
        QStringLiteral("Deuteronomy"),
        QStringLiteral("Joshua"),
        QStringLiteral("Judges"),
        QStringLiteral("Ruth"),
        QStringLiteral("1 Samuel"),
        QStringLiteral("2 Samuel"),
        QStringLiteral("1 Kings"),
        QStringLiteral("2 Kings"),
        QStringLiteral("1 Chronicles"),
        QStringLiteral("2 Chronicles"),
        QStringLiteral("Ezra"),
        QStringLiteral("Nehemiah"),
        QStringLiteral("Esther"),
        QStringLiteral("Job"),
        QStringLiteral("Psalms"),
        QStringLiteral("Proverbs"),
        QStringLiteral("Ecclesiastes"),
        QStringLiteral("Song of Solomon"),
        QStringLiteral("Isaiah"),
        QStringLiteral("Jeremiah"),
        QStringLiteral("Lamentations"),
        QStringLiteral("Ezekiel"),
        QStringLiteral("Daniel"),
        QStringLiteral("Hosea"),
        QStringLiteral("Joel"),
        QStringLiteral("Amos"),
        QStringLiteral("Obadiah"),
        QStringLiteral("Jonah"),
        QStringLiteral("Micah"),
        QStringLiteral("Nahum"),
        QStringLiteral("Habakkuk"),
        QStringLiteral("Zephaniah"),
        QStringLiteral("Haggai"),
        QStringLiteral("Zechariah"),
        QStringLiteral("Malachi"),
        QStringLiteral("Matthew"),
        QStringLiteral("Mark"),
        QStringLiteral("Luke"),
        QStringLiteral("John"),
        QStringLiteral("Acts"),
        QStringLiteral("Romans"),
        QStringLiteral("1 Corinthians"),
        QStringLiteral("2 Corinthians"),
        QStringLiteral("Galatians"),
        QStringLiteral("Ephesians"),
        QStringLiteral("Philippians"),
        QStringLiteral("Colossians"),
        QStringLiteral("1 Thessalonians"),
        QStringLiteral("2 Thessalonians"),
        QStringLiteral("1 Timothy"),
        QStringLiteral("2 Timothy"),
        QStringLiteral("Titus"),
        QStringLiteral("Philemon"),
        QStringLiteral("Hebrews"),
        QStringLiteral("James"),
        QStringLiteral("1 Peter"),
        QStringLiteral("2 Peter"),
        QStringLiteral("1 John"),
        QStringLiteral("2 John"),
        QStringLiteral("3 John"),
        QStringLiteral("Jude"),
        QStringLiteral("Revelation"),
    };
    return books;
}

// Each book by its name in capitals ("1 SAMUEL"), and by its name as a chapter gives it.
struct BibleNames
{
    QSet<QString> capitals;
    QSet<QString> names;
};

const BibleNames& bibleNames()
{
    static const BibleNames names = [] {
        BibleNames n;
        for (const QString& book : bibleBooks()) {
            n.capitals.insert(book.toUpper());
            n.names.insert(book);
        }
        return n;
    }();
    return names;
}

// A number as headings write it: digits, a Roman number, or words ("ONE", "Twenty-One",
// "the First").
const QRegularExpression& numberPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral(
            "^(?:\\d{1,4}|[IVXLCDM]+|[ivxlcdm]+|"
            "(?:(?:the )?(?:one|two|three|four|five|six|seven|eight|nine|ten|eleven|twelve|"
            "thirteen|fourteen|fifteen|sixteen|seventeen|eighteen|nineteen|twenty|thirty|forty|"
            "fifty|sixty|seventy|eighty|ninety|hundred|first|second|third|fourth|fifth|sixth|"
            "seventh|eighth|ninth|tenth|eleventh|twelfth|last|final)(?:[- ](?:one|two|three|"
            "four|five|six|seven|eight|nine|first|second|third|fourth|fifth|sixth|seventh|"
            "eighth|ninth))?))$"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

bool isRomanNumber(QStringView text)
{
    static const QRegularExpression roman(
        QStringLiteral("^M{0,3}(CM|CD|D?C{0,3})(XC|XL|L?X{0,3})(IX|IV|V?I{0,3})$"));
    return !text.isEmpty() && roman.match(text).hasMatch();
}

// "CHAPTER I", "Book the First", "PART ONE. The Return": a keyword, a number, maybe a title.
int keywordRank(QStringView line)
{
    static const QRegularExpression pattern(QStringLiteral(
        "^(CHAPTER|Chapter|BOOK|Book|PART|Part|VOLUME|Volume)\\s+"
        "((?:the |The |THE )?[A-Za-z0-9]+(?:-[A-Za-z]+)?)\\s*(?:[.:\\-\\x{2014}]\\s*.*|\\s+.*)?$"));
    const QRegularExpressionMatch match = pattern.match(line);
    if (!match.hasMatch() || !numberPattern().match(match.capturedView(2)).hasMatch()) {
        return -1;
    }
    const QStringView keyword = match.capturedView(1);
    return keyword.compare(QLatin1String("chapter"), Qt::CaseInsensitive) == 0 ? 1 : 0;
}

// "XII" or "XII." alone, or "IV. THE RED-HEADED LEAGUE".
int romanRank(QStringView line)
{
    qsizetype end = 0;
    while (end < line.size() && QStringLiteral("IVXLCDM").contains(line.at(end))) {
        ++end;
    }
    if (!isRomanNumber(line.left(end))) {
        return -1;
    }
    QStringView rest = line.mid(end);
    if (rest.isEmpty() || rest == QLatin1String(".")) {
        return 1;
    }
    if (rest.startsWith(QLatin1String(". ")) && rest.size() > 2 && rest.at(2).isUpper()) {
        return 1;
    }
    return -1;
}

int bibleRank(QStringView line)
{
    const BibleNames& names = bibleNames();
    if (names.capitals.contains(line.toString())) {
        return 0;
    }
    // "Genesis 1", "Song of Solomon 3": a book's name and a chapter's number.
    const qsizetype space = line.lastIndexOf(QLatin1Char(' '));
    if (space <= 0 || space + 1 >= line.size() || line.size() - space - 1 > 3) {
        return -1;
    }
    for (qsizetype k = space + 1; k < line.size(); ++k) {
        if (!line.at(k).isDigit()) {
            return -1;
        }
    }
    return names.names.contains(line.left(space).toString()) ? 1 : -1;
}

QString titleOf(const QTextBlock& block)
{
    QString title = block.text();
    // Pictures and the marks of lists are no part of a title.
    title.remove(QChar::ObjectReplacementCharacter);
    title.replace(QChar::LineSeparator, QLatin1Char(' '));
    return title.simplified();
}
} // namespace

int TextHeadings::rankOf(QStringView paragraph)
{
    const QStringView line = paragraph.trimmed();
    if (line.isEmpty() || line.size() > LongestHeading || line.contains(QChar::LineSeparator) ||
        line.contains(QLatin1Char('\n'))) {
        return -1;
    }
    const QChar first = line.at(0);
    if (!first.isUpper() && !first.isDigit()) {
        return -1;
    }
    for (auto rank : {keywordRank(line), romanRank(line), bibleRank(line)}) {
        if (rank >= 0) {
            return rank;
        }
    }
    return -1;
}

QList<TextHeadings::Heading> TextHeadings::find(const QTextDocument& document)
{
    QList<Heading> marked;
    QList<Heading> plain;
    int shallowest = 100;
    bool anyPart = false;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level > 0) {
            const QString title = titleOf(block);
            if (!title.isEmpty()) {
                marked.append({title, level, block.position()});
                shallowest = qMin(shallowest, level);
            }
            continue;
        }
        // Only a book without marked headings is read for plain ones; the lengths are checked
        // before any text is copied.
        if (!marked.isEmpty() || block.length() - 1 > LongestHeading + 8) {
            continue;
        }
        const QString text = block.text();
        const int rank = rankOf(text);
        if (rank >= 0) {
            plain.append({titleOf(block), rank, block.position()});
            anyPart = anyPart || rank == 0;
        }
    }
    if (!marked.isEmpty()) {
        for (Heading& heading : marked) {
            heading.depth -= shallowest;
        }
        return marked;
    }
    // Chapters are the top level of a book without parts.
    if (!anyPart) {
        for (Heading& heading : plain) {
            heading.depth = 0;
        }
    }
    return plain;
}
