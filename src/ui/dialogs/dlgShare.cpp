#include "ui/dialogs/dlgShare.h"

#include "core/Library.h"
#include "core/ShareRequest.h"
#include "formats/Twips.h"
#include "ui/dialogs/WindowGeometry.h"
#include "ui/skin/SkinButton.h"
#include "ui/skin/SkinForm.h"
#include "ui/skin/SkinLabel.h"
#include "ui/skin/SkinSlideIn.h"
#include "views/MessageBox.h"
#include "views/WidgetBuilding.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

using WidgetBuilding::place;

namespace {

SkinLabel* caption(QWidget* parent, const QString& text, const char* name, double top,
                   QWidget* buddy)
{
    auto* label = new SkinLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setBuddy(buddy);
    place(label, 720, top, 1335, 375);
    label->fitText();
    return label;
}
} // namespace

dlgShare::dlgShare(const Library& library) : UnloadableDialog(nullptr)
{
    setObjectName(QStringLiteral("dlgShare"));
    setWindowTitle(tr("Share"));
    setAccessibleName(windowTitle());
    SkinForm1 = new SkinForm(this);

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setAccessibleName(tr("Share picture"));
    place(Picture1, 20, 40, 550, 550);
    Picture1->setPixmap(QIcon(QStringLiteral(":/icons/send.svg")).pixmap(Picture1->size()));

    labelTitle = new SkinLabel(tr("Share a Classic"), this);
    labelTitle->setObjectName(QStringLiteral("labelTitle"));
    QFont titleFont = labelTitle->font();
    titleFont.setPointSize(titleFont.pointSize() + 4);
    titleFont.setBold(true);
    labelTitle->setFont(titleFont);
    place(labelTitle, 2520, 120, 2415, 615);

    txtEmail = new QLineEdit(this);
    txtEmail->setObjectName(QStringLiteral("txtEmail"));
    txtEmail->setAccessibleName(tr("Email Address:"));
    place(txtEmail, 2400, 840, 2775, 375);
    labelemail = caption(this, tr("Email Address:"), "labelemail", 840, txtEmail);

    txtSubject = new QLineEdit(this);
    txtSubject->setObjectName(QStringLiteral("txtSubject"));
    txtSubject->setAccessibleName(tr("Subject:"));
    place(txtSubject, 2400, 1320, 2775, 375);
    labelSubject = caption(this, tr("Subject:"), "labelSubject", 1320, txtSubject);

    cmboClassics = new QComboBox(this);
    cmboClassics->setObjectName(QStringLiteral("cmboClassics"));
    cmboClassics->setAccessibleName(tr("Book to Share:"));
    cmboClassics->setEditable(false);
    place(cmboClassics, 2400, 1800, 2775, 315);
    cmboClassics->resize(cmboClassics->width(),
                         std::max(cmboClassics->height(), cmboClassics->sizeHint().height()));
    labelBook = caption(this, tr("Book to Share:"), "labelBook", 1800, cmboClassics);

    txtMessage = new QPlainTextEdit(this);
    txtMessage->setObjectName(QStringLiteral("txtMessage"));
    txtMessage->setAccessibleName(tr("Message:"));
    txtMessage->setTabChangesFocus(true);
    place(txtMessage, 2400, 2400, 4935, 2295);
    labelMessage = caption(this, tr("Message:"), "labelMessage", 2400, txtMessage);

    OKbutton = new SkinButton(tr("OK"), this);
    OKbutton->setObjectName(QStringLiteral("OKbutton"));
    OKbutton->setDefault(true);
    place(OKbutton, 6120, 120, 1215, 375);
    CancelButton = new SkinButton(tr("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    place(CancelButton, 6120, 600, 1215, 375);

    txtSending = new QLabel(tr("Sending"), this);
    txtSending->setObjectName(QStringLiteral("txtSending"));
    txtSending->setAccessibleName(tr("Sending"));
    txtSending->setAlignment(Qt::AlignCenter);
    txtSending->setAutoFillBackground(true);
    QFont sendingFont = txtSending->font();
    sendingFont.setPointSize(24);
    txtSending->setFont(sendingFont);
    place(txtSending, -10000, 0, 7455, 4815);
    txtSending->hide();

    setTabOrder(txtEmail, txtSubject);
    setTabOrder(txtSubject, cmboClassics);
    setTabOrder(cmboClassics, txtMessage);
    setTabOrder(txtMessage, OKbutton);
    setTabOrder(OKbutton, CancelButton);

    connect(OKbutton, &SkinButton::clicked, this, &dlgShare::OKbutton_Click);
    connect(CancelButton, &SkinButton::clicked, this, &dlgShare::CancelButton_Click);

    WindowGeometry::setOuterGeometry(this, 1000, 1000, 7760, 5420);
    fillBookList(library);
}

void dlgShare::fillBookList(const Library& library)
{
    // Every book, in the tree's order; the root "Books" is not one.
    cmboClassics->clear();
    for (const LibraryBook& book : library.books()) {
        cmboClassics->addItem(book.name, book.path);
    }
}

void dlgShare::Form_Activate()
{
    if (cmboClassics->count() > 0) {
        cmboClassics->setCurrentIndex(0);
    }
    for (SkinButton* button : {OKbutton, CancelButton}) {
        button->bind(SkinForm1);
    }
    for (SkinLabel* label : {labelTitle, labelemail, labelSubject, labelBook, labelMessage}) {
        label->bind(SkinForm1);
    }
    if (!m_sending) {
        SkinAnimation::AnimateButtons({OKbutton, CancelButton}, SkinAnimation::Direction::Vertical);
    }
}

void dlgShare::showSendingOverlay()
{
    txtSending->move(0, 0);
    txtSending->resize(std::max(txtSending->width(), width()),
                       std::max(txtSending->height(), height()));
    txtSending->raise();
    txtSending->show();
    txtSending->repaint();
}

void dlgShare::hideSendingOverlay()
{
    txtSending->move(Twips::toPixels(-10000), 0);
    txtSending->hide();
}

void dlgShare::OKbutton_Click()
{
    if (m_sending || isUnloaded()) {
        return;
    }
    const OwnCodeRunning running(*this);
    const int book = cmboClassics->currentIndex();
    if (book < 0) {
        MessageBox::show(this, cmboClassics->count() == 0
                                   ? tr("The library holds no book to share yet.  Find a book "
                                        "and save it in the books folder first.")
                                   : tr("Please choose the book to share."));
        return;
    }
    m_sending = true;
    OKbutton->setEnabled(false);
    CancelButton->setEnabled(false);
    showSendingOverlay();

    ShareRequest request;
    request.ShareAddress = txtEmail->text();
    request.ShareSubject = txtSubject->text();
    request.ShareBookName = cmboClassics->itemText(book);
    request.ShareBookPath = cmboClassics->itemData(book).toString();
    request.ShareMessage = txtMessage->toPlainText();
    emit sendRequested(request);

    m_sending = false;
    OKbutton->setEnabled(true);
    CancelButton->setEnabled(true);
    // After a success the dialog is already unloaded; after a failure it keeps its entries.
    hide();
}

void dlgShare::CancelButton_Click()
{
    if (m_sending) {
        return;
    }
    unload();
}

void dlgShare::reject()
{
    // Escape and the window's close button act as Cancel.
    CancelButton_Click();
}

void dlgShare::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !qobject_cast<QPushButton*>(focusWidget())) {
        event->accept();
        return;
    }
    UnloadableDialog::keyPressEvent(event);
}

void dlgShare::closeEvent(QCloseEvent* event)
{
    if (m_sending) {
        event->ignore();
        return;
    }
    UnloadableDialog::closeEvent(event);
}
