#include "ui/dialogs/dlgTextSettings.h"

#include "core/ViewSettings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QSpinBox>

dlgTextSettings::dlgTextSettings(const QString& family, int lineSpacing, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgTextSettings"));
    setWindowTitle(tr("Text Settings"));
    auto* form = new QFormLayout(this);
    m_ownFont = new QCheckBox(tr("&Choose the font:"), this);
    m_ownFont->setObjectName(QStringLiteral("chkTextFont"));
    m_ownFont->setAccessibleName(tr("Choose the font"));
    m_font = new QFontComboBox(this);
    m_font->setObjectName(QStringLiteral("cboTextFont"));
    m_font->setAccessibleName(tr("Font"));
    m_ownFont->setChecked(!family.isEmpty());
    if (!family.isEmpty()) {
        m_font->setCurrentFont(QFont(family));
    }
    m_font->setEnabled(m_ownFont->isChecked());
    connect(m_ownFont, &QCheckBox::toggled, m_font, &QWidget::setEnabled);
    m_spacing = new QSpinBox(this);
    m_spacing->setObjectName(QStringLiteral("spnLineSpacing"));
    m_spacing->setAccessibleName(tr("Line spacing"));
    m_spacing->setRange(ViewSettings::SmallestLineSpacing, ViewSettings::LargestLineSpacing);
    m_spacing->setSingleStep(10);
    m_spacing->setSuffix(tr(" %"));
    m_spacing->setValue(lineSpacing);
    form->addRow(m_ownFont, m_font);
    form->addRow(tr("&Line spacing:"), m_spacing);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

QString dlgTextSettings::family() const
{
    return m_ownFont->isChecked() ? m_font->currentFont().family() : QString();
}

int dlgTextSettings::lineSpacing() const
{
    return m_spacing->value();
}
