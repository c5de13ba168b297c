#pragma once

#include <QDialog>

class QFontComboBox;
class QCheckBox;
class QSpinBox;

// View > Text Settings: the font family and line spacing of plain-text and EPUB books.
class dlgTextSettings : public QDialog
{
    Q_OBJECT
public:
    // family empty: the view's own font; lineSpacing in percent.
    dlgTextSettings(const QString& family, int lineSpacing, QWidget* parent = nullptr);

    QString family() const;
    int lineSpacing() const;

private:
    QCheckBox* m_ownFont;
    QFontComboBox* m_font;
    QSpinBox* m_spacing;
};
