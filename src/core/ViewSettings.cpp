#include "core/ViewSettings.h"

#include "core/AppSettings.h"

#include <QStringList>

#include <algorithm>
#include <iterator>

namespace {
const QString Group = QStringLiteral("View");

ReadingTheme themeFromName(const QString& name)
{
    if (name.compare(QLatin1String("sepia"), Qt::CaseInsensitive) == 0) {
        return ReadingTheme::Sepia;
    }
    if (name.compare(QLatin1String("night"), Qt::CaseInsensitive) == 0) {
        return ReadingTheme::Night;
    }
    return ReadingTheme::Day;
}

// Every kind whose zoom is kept, by its key.
const QList<BookKind>& zoomedKinds()
{
    static const QList<BookKind> kinds = {BookKind::PlainText,   BookKind::Rtf,  BookKind::Epub,
                                          BookKind::EpubPages,   BookKind::Html, BookKind::Pdf,
                                          BookKind::WordDocument};
    return kinds;
}
} // namespace

QString ViewSettings::themeName(ReadingTheme theme)
{
    switch (theme) {
    case ReadingTheme::Sepia:
        return QStringLiteral("sepia");
    case ReadingTheme::Night:
        return QStringLiteral("night");
    case ReadingTheme::Day:
        break;
    }
    return QStringLiteral("day");
}

QString ViewSettings::zoomKey(BookKind kind)
{
    switch (kind) {
    case BookKind::Rtf:
        return QStringLiteral("Rtf");
    case BookKind::Epub:
        return QStringLiteral("Epub");
    case BookKind::EpubPages:
        return QStringLiteral("EpubPages");
    case BookKind::Html:
        return QStringLiteral("Html");
    case BookKind::Pdf:
        return QStringLiteral("Pdf");
    case BookKind::WordDocument:
        return QStringLiteral("WordDocument");
    case BookKind::Fb2:
        return QStringLiteral("Fb2");
    case BookKind::Mobi:
        return QStringLiteral("Mobi");
    case BookKind::Docx:
        return QStringLiteral("Docx");
    case BookKind::Odt:
        return QStringLiteral("Odt");
    case BookKind::Markdown:
        return QStringLiteral("Markdown");
    case BookKind::Comic:
        return QStringLiteral("Comic");
    case BookKind::None:
    case BookKind::PlainText:
    case BookKind::Refused:
        break;
    }
    return QStringLiteral("PlainText");
}

int ViewSettings::zoom(BookKind kind) const
{
    return m_zoom.value(zoomKey(kind), 100);
}

void ViewSettings::setZoom(BookKind kind, int percent)
{
    m_zoom.insert(zoomKey(kind), std::clamp(percent, SmallestZoom, LargestZoom));
}

int ViewSettings::zoomedIn(int percent)
{
    const auto* next = std::upper_bound(std::begin(ZoomSteps), std::end(ZoomSteps), percent);
    return next == std::end(ZoomSteps) ? LargestZoom : *next;
}

int ViewSettings::zoomedOut(int percent)
{
    const auto* next = std::lower_bound(std::begin(ZoomSteps), std::end(ZoomSteps), percent);
    return next == std::begin(ZoomSteps) ? SmallestZoom : *std::prev(next);
}

ViewSettings ViewSettings::load()
{
    ViewSettings settings;
    auto store = AppSettings::open();
    store->beginGroup(Group);
    settings.theme = themeFromName(store->value(QStringLiteral("Theme")).toString());
    settings.comfortableWidth = store->value(QStringLiteral("ComfortableWidth"), true).toBool();
    settings.textFont = store->value(QStringLiteral("TextFont")).toString();
    bool ok = false;
    const int spacing = store->value(QStringLiteral("LineSpacing")).toInt(&ok);
    settings.lineSpacing =
        ok ? std::clamp(spacing, SmallestLineSpacing, LargestLineSpacing) : settings.lineSpacing;
    for (const BookKind kind : zoomedKinds()) {
        const int percent = store->value(QStringLiteral("Zoom/") + zoomKey(kind)).toInt(&ok);
        if (ok) {
            settings.setZoom(kind, percent);
        }
    }
    return settings;
}

void ViewSettings::save() const
{
    auto store = AppSettings::open();
    store->beginGroup(Group);
    store->setValue(QStringLiteral("Theme"), themeName(theme));
    store->setValue(QStringLiteral("ComfortableWidth"), comfortableWidth);
    store->setValue(QStringLiteral("TextFont"), textFont);
    store->setValue(QStringLiteral("LineSpacing"), lineSpacing);
    // Only the zooms that were changed are written, so the others follow a new default.
    for (auto it = m_zoom.cbegin(); it != m_zoom.cend(); ++it) {
        store->setValue(QStringLiteral("Zoom/") + it.key(), it.value());
    }
    store->endGroup();
    store->sync();
}
