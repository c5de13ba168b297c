#pragma once

#include "core/ViewSettings.h"

#include <QObject>

class ReadingPane;

// Shows every view of the reading pane as the View settings say: the theme's colours, each
// kind's zoom, the comfortable column and the text settings. Ctrl+wheel over a book zooms it.
// Each change applies at once and is kept in the settings store.
class ReadingLook : public QObject
{
    Q_OBJECT
public:
    ReadingLook(ReadingPane& pane, ViewSettings settings, QObject* parent = nullptr);

    const ViewSettings& settings() const { return m_settings; }

    void setTheme(ReadingTheme theme);
    void setComfortableWidth(bool on);
    // Font family (empty: the view's own) and line spacing in percent of plain-text and EPUB
    // books.
    void setTextSettings(const QString& family, int lineSpacing);

    // The zoom of the kind of book in the pane.
    int zoom() const;
    void zoomIn();
    void zoomOut();
    void resetZoom();
    void setZoom(int percent);

    // Shows the pane's views in the settings as they are now (after a book of another kind
    // came into the pane).
    void apply();

signals:
    void zoomed(int percent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void changed();
    void applyText();
    void applyWeb();
    void applyPdf();

    ReadingPane& m_pane;
    ViewSettings m_settings;
};
