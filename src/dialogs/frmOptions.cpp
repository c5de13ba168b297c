#include "dialogs/frmOptions.h"

#include "app/MessageBox.h"
#include "app/OptionsFile.h"
#include "app/frmMain.h"
#include "dialogs/SkinButton.h"
#include "dialogs/SkinForm.h"
#include "dialogs/SkinLabel.h"
#include "dialogs/SkinSlideIn.h"
#include "dialogs/WindowGeometry.h"
#include "platform/RichTextView.h"
#include "platform/Twips.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <cmath>

namespace {
// The sizes the text view shows sensibly; beyond them a book is unreadable.
constexpr int SmallestSize = 1;
constexpr int LargestSize = 400;

void place(QWidget* widget, double left, double top, double width, double height)
{
    widget->setGeometry(Twips::rect(left, top, width, height));
}
} // namespace

frmOptions::frmOptions(frmMain& main) : UnloadableDialog(nullptr), m_main(main)
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
    cboFontSizes->setEditText(QString::number(m_main.state().effectiveFontSize()));
    WindowGeometry::setOuterGeometry(this, 4000, 2000, 4000, 3600);
    for (SkinButton* button : {btnOK, btnCancel}) {
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
    if (whole < SmallestSize || whole > LargestSize) {
        return std::nullopt;
    }
    return int(whole);
}

void frmOptions::btnOK_Click()
{
    const OwnCodeRunning running(*this);
    ReaderState& state = m_main.state();
    if (state.Kind == BookKind::PlainText) {
        const std::optional<int> size = readFontSize(cboFontSizes->currentText());
        if (!size) {
            MessageBox::show(this, tr("Please type a font size in points, a number from %1 to "
                                      "%2.")
                                       .arg(SmallestSize)
                                       .arg(LargestSize));
            cboFontSizes->setFocus();
            cboFontSizes->lineEdit()->selectAll();
            return;
        }
        m_main.txtBook->setFontSize(*size);
        state.FontSize = qint16(*size);
        QString error;
        if (!OptionsFile::WriteOptions(state, &error)) {
            // The size stays in force for this run; only the next start will not know it.
            MessageBox::warning(this, tr("The font size could not be saved for the next start."
                                         "\n\n%1")
                                          .arg(error));
        }
    }
    m_main.bringToFront();
    unload();
}

void frmOptions::btnCancel_Click()
{
    m_main.bringToFront();
    unload();
}

void frmOptions::reject()
{
    btnCancel_Click();
}
