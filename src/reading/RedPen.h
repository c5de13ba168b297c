#pragma once

#include <QColor>

class frmMain;

// The red pen and the eraser: a mark is dark red, underlined text.
class RedPen
{
public:
    static inline const QColor MarkColor = QColor(128, 0, 0);

    explicit RedPen(frmMain& main) : m_main(main) {}

    void HighlightIt();
    void EraseIt();

private:
    frmMain& m_main;
};
