#include "ui/dialogs/frmAbout.h"

#include "formats/Twips.h"
#include "ui/dialogs/WindowGeometry.h"
#include "ui/skin/SkinButton.h"
#include "ui/skin/SkinForm.h"
#include "ui/skin/SkinLabel.h"
#include "ui/skin/SkinSlideIn.h"
#include "views/WidgetBuilding.h"

#include <QCloseEvent>
#include <QIcon>
#include <QLabel>

using WidgetBuilding::place;

namespace {
const QString ProgramTitle = QStringLiteral("Quillmere");

} // namespace

frmAbout::frmAbout() : UnloadableDialog(nullptr)
{
    setObjectName(QStringLiteral("frmAbout"));
    SkinForm1 = new SkinForm(this);

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setAccessibleName(tr("Quillmere picture"));
    place(Picture1, 0, 360, 1815, 1815);
    Picture1->setAlignment(Qt::AlignCenter);
    Picture1->setPixmap(
        QIcon(QStringLiteral(":/icons/quillmere.svg")).pixmap(Picture1->size() - QSize(8, 8)));

    lblTitle = new SkinLabel(QString(), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setPointSize(titleFont.pointSize() + 6);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    place(lblTitle, 2040, 360, 3255, 615);
    lblVersion = new SkinLabel(QString(), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    place(lblVersion, 2040, 960, 3255, 375);
    lblDescription = new SkinLabel(QString(), this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(lblDescription, 2040, 1320, 3255, 1215);

    cmdOK = new SkinButton(tr("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    place(cmdOK, 4200, 2640, 1335, 375);
    connect(cmdOK, &SkinButton::clicked, this, &frmAbout::cmdOK_Click);

    // Loading: the caption and the three texts.
    setWindowTitle(tr("About ") + ProgramTitle);
    setAccessibleName(windowTitle());
    lblTitle->setText(ProgramTitle);
    lblVersion->setText(versionText(QUILLMERE_VERSION_MINOR, QUILLMERE_VERSION_PATCH));
    lblDescription->setText(tr("Quillmere lets you find, organize, and read literature "
                               "conveniently at your desktop."));
    for (SkinLabel* label : {lblTitle, lblVersion, lblDescription}) {
        label->setAccessibleName(label->text());
    }
}

QString frmAbout::versionText(int minor, int revision)
{
    // The leading 1 is part of the text and does not follow the program's major version.
    return tr("Version 1") + QLatin1Char('.') + QString::number(minor) + QLatin1Char('.') +
           QString::number(revision);
}

void frmAbout::Form_Activate()
{
    WindowGeometry::setOuterGeometry(this, 2000, 1000, 5820, 3555);
    cmdOK->bind(SkinForm1);
    for (SkinLabel* label : {lblVersion, lblDescription, lblTitle}) {
        label->bind(SkinForm1);
    }
    WindowGeometry::setOuterGeometry(this, 2000, 1000, 5820, 3555);
    SkinAnimation::AnimateButtons({cmdOK}, SkinAnimation::Direction::Horizontal);
}

void frmAbout::cmdOK_Click()
{
    unload();
}

void frmAbout::reject()
{
    unload();
}
