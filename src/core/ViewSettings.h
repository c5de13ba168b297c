#pragma once

#include "core/BookKinds.h"

#include <QHash>
#include <QString>

// The colours the reading pane is shown in.
enum class ReadingTheme
{
    Day,   // dark text on white: books look as their makers set them
    Sepia, // dark brown on warm paper
    Night  // light text on a dark background
};

// How books are shown, chosen in the View menu and kept in the settings store (group "View"):
// the theme, each kind's zoom, whether text columns keep a comfortable width, and the font and
// line spacing of plain-text and EPUB books. Nothing here changes a book or the options file:
// the Options font size stays the base size of plain-text books, and zoom scales it.
struct ViewSettings
{
    // The zoom steps of Zoom In and Zoom Out, in percent.
    static constexpr int ZoomSteps[] = {30,  50,  67,  80,  90,  100, 110, 125,
                                        150, 175, 200, 250, 300, 400, 500};
    static constexpr int SmallestZoom = 30;
    static constexpr int LargestZoom = 500;
    // Comfortable Width keeps text columns at most this many characters wide.
    static constexpr int ComfortableCharacters = 75;
    static constexpr int SmallestLineSpacing = 80;
    static constexpr int LargestLineSpacing = 250;

    ReadingTheme theme = ReadingTheme::Day;
    // On unless the user turned it off.
    bool comfortableWidth = true;
    // Family of plain-text and EPUB books; empty keeps the view's own.
    QString textFont;
    // Line spacing of plain-text and EPUB books, in percent of the font's own.
    int lineSpacing = 100;

    // Zoom of a kind of book in percent (100 when never changed). Kinds shown alike share
    // theirs: a refused book or none takes plain text's.
    int zoom(BookKind kind) const;
    void setZoom(BookKind kind, int percent);
    // The next step up or down from percent.
    static int zoomedIn(int percent);
    static int zoomedOut(int percent);

    // The settings as stored; values out of range are brought into it.
    static ViewSettings load();
    void save() const;

    static QString themeName(ReadingTheme theme);

private:
    static QString zoomKey(BookKind kind);
    QHash<QString, int> m_zoom;
};
