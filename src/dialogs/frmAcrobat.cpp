#include "dialogs/frmAcrobat.h"

#include "app/MessageBox.h"
#include "app/OptionsFile.h"
#include "app/frmMain.h"
#include "platform/Twips.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

QString frmAcrobat::vendorAddress()
{
    return QStringLiteral("https://get.adobe.com/reader/");
}

frmAcrobat::frmAcrobat(frmMain& main) : QWidget(nullptr, Qt::Window), m_main(main)
{
    setObjectName(QStringLiteral("frmAcrobat"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Acrobat Reader"));

    labelTop = new QLabel(tr("Cannot display e-book because you do not have Acrobat Reader.  "
                             "You can download Acrobat Reader for free at %1.")
                              .arg(vendorAddress()),
                          this);
    labelTop->setObjectName(QStringLiteral("labelTop"));
    labelTop->setWordWrap(true);
    labelTop->setGeometry(Twips::rect(360, 240, 4455, 735));

    panelMain = new QFrame(this);
    panelMain->setObjectName(QStringLiteral("panelMain"));
    panelMain->setFrameShape(QFrame::StyledPanel);
    panelMain->setGeometry(Twips::rect(360, 1440, 4455, 1335));

    labelHave = new QLabel(tr("If you have recently installed Acrobat Reader, click here:"), this);
    labelHave->setObjectName(QStringLiteral("labelHave"));
    labelHave->setWordWrap(true);
    labelHave->setGeometry(Twips::rect(600, 1620, 4095, 375));

    btnAcrobat = new QPushButton(tr("Installed Acrobat"), this);
    btnAcrobat->setObjectName(QStringLiteral("btnAcrobat"));
    btnAcrobat->setGeometry(Twips::rect(1680, 2160, 1695, 375));

    btnOK = new QPushButton(tr("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(Twips::rect(5280, 120, 1215, 375));

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

    connect(btnAcrobat, &QPushButton::clicked, this, &frmAcrobat::installedAcrobat);
    connect(btnOK, &QPushButton::clicked, this, &QWidget::close);
}

void frmAcrobat::installedAcrobat()
{
    ReaderState& state = m_main.state();
    state.PdfGoAhead = true;
    QString error;
    if (!OptionsFile::ConfirmPdfReader(state, &error)) {
        // The book still opens; only the record for later runs is missing.
        state.PdfReaderFlag = QStringLiteral("yes");
        MessageBox::warning(
            this, tr("Your answer could not be recorded for the next start.\n\n%1").arg(error));
    }
    close();
}

void frmAcrobat::closeEvent(QCloseEvent* event)
{
    m_main.state().AwaitingPdfNotice = false;
    m_main.bringToFront();
    emit closed();
    QWidget::closeEvent(event);
}
