#include "ui/dialogs/frmOptions.h"

#include "core/FontSizePolicy.h"
#include "core/ReaderOptions.h"
#include "core/ReaderState.h"
#include "formats/OptionsFile.h"
#include "formats/Twips.h"
#include "ui/dialogs/WindowGeometry.h"
#include "ui/skin/SkinButton.h"
#include "ui/skin/SkinForm.h"
#include "ui/skin/SkinLabel.h"
#include "ui/skin/SkinSlideIn.h"
#include "views/MessageBox.h"
#include "views/RichTextView.h"
#include "views/ShowOrRaise.h"
#include "views/WidgetBuilding.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <cmath>

using WidgetBuilding::place;

frmOptions::frmOptions(ReaderState& state, QWidget* mainWindow)
    : UnloadableDialog(nullptr), m_state(state), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(tr("Options"));
    setAccessibleName(windowTitle());
    SkinForm1 = new SkinForm(this);

    cboFontSizes = new QComboBox(this);
    cboFontSizes->setObjectName(QStringLiteral("cboFontSizes"));
    cboFontSizes->setEditable(true);
    cboFontSizes->setInsertPolicy(QComboBox::NoInsert);
    cboFontSizes->setAccessibleName(tr("Font Size:"));
    place(cboFontSizes, 480, 840, 2655, 315);
    cboFontSizes->resize(cboFontSizes->width(),
                         std::max(cboFontSizes->height(), cboFontSizes->sizeHint().height()));

    labelFont = new SkinLabel(tr("Font Size:"), this);
    labelFont->setObjectName(QStringLiteral("labelFont"));
    labelFont->setBuddy(cboFontSizes);
    place(labelFont, 240, 480, 1335, 255);
    labelNotice = new SkinLabel(tr("(text files only)"), this);
    labelNotice->setObjectName(QStringLiteral("labelNotice"));
    place(labelNotice, 600, 1200, 1215, 255);
    labelFont->fitText();
    labelNotice->fitText();

    btnOK = new SkinButton(tr("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    place(btnOK, 600, 1800, 1215, 495);
    btnCancel = new SkinButton(tr("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    place(btnCancel, 1800, 1800, 1215, 495);

    btnMailAccount = new SkinButton(tr("Mail Account..."), this);
    btnMailAccount->setObjectName(QStringLiteral("btnMailAccount"));
    place(btnMailAccount, 120, 2460, 1800, 495);
    connect(btnMailAccount, &SkinButton::clicked, this, [this] { emit mailAccountRequested(); });
    btnDefinitions = new SkinButton(tr("Definitions..."), this);
    btnDefinitions->setObjectName(QStringLiteral("btnDefinitions"));
    place(btnDefinitions, 2040, 2460, 1800, 495);
    connect(btnDefinitions, &SkinButton::clicked, this, [this] { emit definitionsRequested(); });

    connect(btnOK, &SkinButton::clicked, this, &frmOptions::btnOK_Click);
    connect(btnCancel, &SkinButton::clicked, this, &frmOptions::btnCancel_Click);

    // Filling the size list on loading.
    cboFontSizes->clear();
    for (const char* size : {"8", "9", "10", "11", "12", "14", "16", "18", "20"}) {
        cboFontSizes->addItem(QLatin1String(size));
    }
}

void frmOptions::Form_Activate()
{
    cboFontSizes->setEditText(QString::number(m_state.effectiveFontSize()));
    WindowGeometry::setOuterGeometry(this, 4000, 2000, 4000, 3600);
    for (SkinButton* button : {btnOK, btnCancel, btnMailAccount, btnDefinitions}) {
        button->bind(SkinForm1);
    }
    for (SkinLabel* label : {labelFont, labelNotice}) {
        label->bind(SkinForm1);
    }
    WindowGeometry::setOuterGeometry(this, 4000, 2000, 4000, 3600);
    SkinAnimation::AnimateButtons({btnOK, btnCancel}, SkinAnimation::Direction::Vertical);
}

std::optional<int> frmOptions::readFontSize(const QString& text)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    double value = trimmed.toDouble(&ok);
    if (!ok) {
        value = QLocale().toDouble(trimmed, &ok);
    }
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    const double whole = std::floor(value);
    if (whole < FontSizePolicy::Smallest || whole > FontSizePolicy::Largest) {
        return std::nullopt;
    }
    return int(whole);
}

void frmOptions::btnOK_Click()
{
    const OwnCodeRunning running(*this);
    ReaderState& state = m_state;
    if (state.Kind == BookKind::PlainText) {
        const std::optional<int> size = readFontSize(cboFontSizes->currentText());
        if (!size) {
            MessageBox::show(this, tr("Please type a font size in points, a number from %1 to "
                                      "%2.")
                                       .arg(FontSizePolicy::Smallest)
                                       .arg(FontSizePolicy::Largest));
            cboFontSizes->setFocus();
            cboFontSizes->lineEdit()->selectAll();
            return;
        }
        emit fontSizeChosen(*size);
        state.FontSize = qint16(*size);
        QString error;
        if (!ReaderOptions::WriteOptions(state, &error)) {
            // The size stays in force for this run; only the next start will not know it.
            MessageBox::warning(this, tr("The font size could not be saved for the next start."
                                         "\n\n%1")
                                          .arg(error));
        }
    }
    showOrRaise(m_mainWindow);
    unload();
}

void frmOptions::btnCancel_Click()
{
    showOrRaise(m_mainWindow);
    unload();
}

void frmOptions::reject()
{
    btnCancel_Click();
}
