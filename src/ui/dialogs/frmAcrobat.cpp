#include "ui/dialogs/frmAcrobat.h"

#include "core/ReaderOptions.h"
#include "core/ReaderState.h"
#include "formats/OptionsFile.h"
#include "formats/Twips.h"
#include "ui/skin/SkinButton.h"
#include "ui/skin/SkinForm.h"
#include "ui/skin/SkinLabel.h"
#include "ui/skin/SkinPanel.h"
#include "ui/skin/SkinSlideIn.h"
#include "views/MessageBox.h"
#include "views/ShowOrRaise.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

QString frmAcrobat::vendorAddress()
{
    return QStringLiteral("https://get.adobe.com/reader/");
}

frmAcrobat::frmAcrobat(ReaderState& state, QWidget* mainWindow)
    : QWidget(nullptr, Qt::Window), m_state(state), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("frmAcrobat"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Acrobat Reader"));

    SkinForm1 = new SkinForm(this);
    labelTop = new SkinLabel(tr("Cannot display e-book because you do not have Acrobat Reader.  "
                                "You can download Acrobat Reader for free at %1.")
                                 .arg(vendorAddress()),
                             this);
    labelTop->setObjectName(QStringLiteral("labelTop"));
    labelTop->setWordWrap(true);
    labelTop->setGeometry(Twips::rect(360, 240, 4455, 735));

    panelMain = new SkinPanel(this);
    panelMain->setObjectName(QStringLiteral("panelMain"));
    panelMain->setGeometry(Twips::rect(360, 1440, 4455, 1335));

    labelHave =
        new SkinLabel(tr("If you have recently installed Acrobat Reader, click here:"), this);
    labelHave->setObjectName(QStringLiteral("labelHave"));
    labelHave->setWordWrap(true);
    labelHave->setGeometry(Twips::rect(600, 1620, 4095, 375));

    btnAcrobat = new SkinButton(tr("Installed Acrobat"), this);
    btnAcrobat->setObjectName(QStringLiteral("btnAcrobat"));
    btnAcrobat->setGeometry(Twips::rect(1680, 2160, 1695, 375));

    btnOK = new SkinButton(tr("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(Twips::rect(5280, 120, 1215, 375));

    // Our fonts run larger than the ones the places were drawn for: every line shows.
    labelTop->fitText();
    labelHave->fitText();

    for (QWidget* w : std::initializer_list<QWidget*>{labelTop, labelHave, btnAcrobat, btnOK}) {
        if (auto* label = qobject_cast<QLabel*>(w)) {
            label->setAccessibleName(label->text());
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
            button->setAccessibleName(button->text());
        }
    }
    panelMain->setAccessibleName(tr("Reader installed"));
    panelMain->lower();

    const QRect place = Twips::rect(0, 2000, 6705, 3600);
    resize(place.size());
    move(x(), place.y());

    connect(btnAcrobat, &SkinButton::clicked, this, &frmAcrobat::installedAcrobat);
    connect(btnOK, &SkinButton::clicked, this, &QWidget::close);
}

void frmAcrobat::Form_Activate()
{
    btnOK->bind(SkinForm1);
    panelMain->bind(SkinForm1);
    labelTop->bind(SkinForm1);
    labelHave->bind(SkinForm1);
    btnAcrobat->bind(SkinForm1);
    SkinAnimation::AnimateButtons({btnOK}, SkinAnimation::Direction::Vertical);
}

void frmAcrobat::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        Form_Activate();
    }
    QWidget::changeEvent(event);
}

void frmAcrobat::installedAcrobat()
{
    if (m_answered) {
        return;
    }
    m_readerInstalled = true;
    QString error;
    if (!ReaderOptions::ConfirmPdfReader(m_state, &error)) {
        // The book still opens; only the record for later runs is missing.
        m_state.PdfReaderFlag = OptionsFile::Flag(true);
        MessageBox::warning(
            this, tr("Your answer could not be recorded for the next start.\n\n%1").arg(error));
    }
    close();
}

void frmAcrobat::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (m_answered) {
        return;
    }
    m_answered = true;
    // The notice leaves the screen before the opening goes on behind it.
    hide();
    if (m_mainWindow) {
        showOrRaise(m_mainWindow);
    }
    emit answered(m_readerInstalled);
}
