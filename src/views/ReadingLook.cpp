#include "views/ReadingLook.h"

#include "views/BookLook.h"
#include "views/PdfView.h"
#include "views/ReadingPane.h"
#include "views/RichTextView.h"
#include "views/ThemeColours.h"
#include "views/WebView.h"

#include <QAbstractScrollArea>
#include <QWheelEvent>

namespace {
// The web views' look as a style sheet: the theme's colours over the page's own, and for an
// HTML book a column of comfortable width.
QString webStyle(const ThemeColours& colours, bool theme, bool column)
{
    QString css;
    if (theme) {
        css += QStringLiteral("html,body{background:%1 !important;color:%2 !important}"
                              "body *{background-color:transparent !important;"
                              "color:inherit !important;border-color:%4 !important}"
                              "a,a *{color:%3 !important}"
                              "img,svg,video{background-color:transparent !important}")
                   .arg(colours.background.name(), colours.text.name(), colours.link.name(),
                        colours.rule.name());
    }
    if (column) {
        css += QStringLiteral("body{max-width:%1ch !important;margin-left:auto !important;"
                              "margin-right:auto !important;padding:0 1em !important}")
                   .arg(ViewSettings::ComfortableCharacters);
    }
    return css;
}
} // namespace

ReadingLook::ReadingLook(ReadingPane& pane, ViewSettings settings, QObject* parent)
    : QObject(parent), m_pane(pane), m_settings(std::move(settings))
{
    m_pane.text()->viewport()->installEventFilter(this);
    connect(&m_pane, &ReadingPane::interfaceChanged, this, [this] { apply(); });
    apply();
}

void ReadingLook::apply()
{
    applyText();
    applyWeb();
    applyPdf();
}

void ReadingLook::applyText()
{
    const ThemeColours colours = ThemeColours::of(m_settings.theme);
    const BookKind kind = m_pane.state().Kind;
    // Only plain-text and EPUB books take the font and spacing chosen: an RTF book and the
    // manual keep the ones they set.
    const bool ownText = kind == BookKind::PlainText || kind == BookKind::Epub;
    BookLook look;
    look.zoom = m_settings.zoom(kind) / 100.0;
    look.lineSpacing = ownText ? m_settings.lineSpacing / 100.0 : 1;
    look.background = colours.background;
    look.text = colours.text;
    look.keepColoursReadable = colours.adjustsBookColours;
    RichTextView* text = m_pane.text();
    text->setFontFamily(ownText ? m_settings.textFont : QString());
    text->setLook(look);
    text->setColumnCharacters(m_settings.comfortableWidth ? ViewSettings::ComfortableCharacters
                                                          : 0);
}

void ReadingLook::applyWeb()
{
    const ThemeColours colours = ThemeColours::of(m_settings.theme);
    const BookKind kind = m_pane.state().Kind;
    WebView* web = m_pane.web();
    web->setZoomFactor(m_settings.zoom(kind == BookKind::EpubPages ? kind : BookKind::Html) /
                       100.0);
    // Pages drawn to a set size are not narrowed.
    const bool column = m_settings.comfortableWidth && kind == BookKind::Html;
    const bool theme = m_settings.theme != ReadingTheme::Day;
    web->setPageStyle(webStyle(colours, theme, column),
                      theme ? colours.background : QColor(Qt::white));
}

void ReadingLook::applyPdf()
{
    const ThemeColours colours = ThemeColours::of(m_settings.theme);
    PdfView* pdf = m_pane.pdf();
    // Night shows the pages inverted; Sepia leaves them as printed on its own background.
    pdf->setColours(colours.dark,
                    colours.dark ? colours.background.darker(130) : QColor(128, 128, 128));
    // The wheel turns over the pages' viewport. (Installing twice keeps one filter.)
    if (auto* area =
            pdf->pages() ? qobject_cast<QAbstractScrollArea*>(pdf->pages()->pageArea()) : nullptr) {
        area->viewport()->installEventFilter(this);
    }
}

int ReadingLook::zoom() const
{
    const BookKind kind = m_pane.state().Kind;
    if (kind == BookKind::Pdf) {
        return qRound(m_pane.pdf()->zoomFactor() * 100);
    }
    return m_settings.zoom(kind);
}

void ReadingLook::setZoom(int percent)
{
    const BookKind kind = m_pane.state().Kind;
    m_settings.setZoom(kind, percent);
    const int zoomNow = m_settings.zoom(kind);
    if (kind == BookKind::Pdf) {
        m_pane.pdf()->setZoom(PdfPagesEngine::Fit::None, zoomNow / 100.0);
    } else if (kind == BookKind::Html || kind == BookKind::EpubPages) {
        applyWeb();
    } else {
        applyText();
    }
    changed();
    emit zoomed(zoomNow);
}

void ReadingLook::zoomIn()
{
    setZoom(ViewSettings::zoomedIn(zoom()));
}

void ReadingLook::zoomOut()
{
    setZoom(ViewSettings::zoomedOut(zoom()));
}

void ReadingLook::resetZoom()
{
    setZoom(100);
}

void ReadingLook::setTheme(ReadingTheme theme)
{
    m_settings.theme = theme;
    apply();
    changed();
}

void ReadingLook::setComfortableWidth(bool on)
{
    m_settings.comfortableWidth = on;
    apply();
    changed();
}

void ReadingLook::setTextSettings(const QString& family, int lineSpacing)
{
    m_settings.textFont = family;
    m_settings.lineSpacing =
        qBound(ViewSettings::SmallestLineSpacing, lineSpacing, ViewSettings::LargestLineSpacing);
    applyText();
    changed();
}

void ReadingLook::changed()
{
    m_settings.save();
}

bool ReadingLook::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            // The view's own Ctrl+wheel would change its base font, which is the Options'.
            const int steps = wheel->angleDelta().y();
            if (steps > 0) {
                zoomIn();
            } else if (steps < 0) {
                zoomOut();
            }
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
