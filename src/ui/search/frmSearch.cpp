#include "ui/search/frmSearch.h"

#include "formats/Twips.h"
#include "ui/skin/SkinButton.h"
#include "ui/skin/SkinForm.h"
#include "ui/skin/SkinLabel.h"
#include "ui/skin/SkinSlideIn.h"
#include "views/EpubSession.h"
#include "views/MessageBox.h"
#include "views/ReadingPane.h"
#include "views/RichTextView.h"
#include "views/ShowOrRaise.h"
#include "views/WidgetBuilding.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLineEdit>
#include <QTimer>

using WidgetBuilding::named;
using WidgetBuilding::place;

namespace {
constexpr double WindowWidth = 6960;
constexpr double WindowHeight = 2100;
// How far past a match the caret goes first, so that some text after it is in view.
constexpr int LookAhead = 60;

} // namespace

frmSearch::frmSearch(ReadingPane& pane, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_pane(pane)
{
    setObjectName(QStringLiteral("frmSearch"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Search"));
    setAccessibleName(windowTitle());
    SkinForm1 = new SkinForm(this);

    labelFind = named(new SkinLabel(tr("Find What:"), this), "labelFind");
    labelFind->setAccessibleName(labelFind->text());
    place(labelFind, 120, 165, 1095, 255);
    labelFind->fitText();

    txtSearch = named(new QLineEdit(this), "txtSearch");
    txtSearch->setAccessibleName(tr("Find What"));
    labelFind->setBuddy(txtSearch);
    place(txtSearch, 1215, 120, 3840, 330);

    btnFind = named(new SkinButton(tr("Find Next"), this), "btnFind");
    btnFind->setAccessibleName(btnFind->text());
    place(btnFind, 5280, 105, 1395, 375);

    chkWholeWord = named(new QCheckBox(tr("Match Whole Word Only"), this), "chkWholeWord");
    chkWholeWord->setAccessibleName(chkWholeWord->text());
    place(chkWholeWord, 120, 660, 3600, 300);

    chkMatchCase = named(new QCheckBox(tr("Match Case"), this), "chkMatchCase");
    chkMatchCase->setAccessibleName(chkMatchCase->text());
    place(chkMatchCase, 120, 1020, 3600, 300);

    setTabOrder(txtSearch, btnFind);
    setTabOrder(btnFind, chkWholeWord);
    setTabOrder(chkWholeWord, chkMatchCase);

    connect(btnFind, &SkinButton::clicked, this, &frmSearch::btnFind_Click);
    connect(txtSearch, &QLineEdit::returnPressed, this, &frmSearch::btnFind_Click);
    // Any change of the find text starts the search from the top again.
    connect(txtSearch, &QLineEdit::textChanged, this, [this] { SearchStart = 0; });

    tmrSelView = new QTimer(this);
    tmrSelView->setObjectName(QStringLiteral("tmrSelView"));
    tmrSelView->setInterval(300);
    tmrSelView->setSingleShot(true);
    connect(tmrSelView, &QTimer::timeout, this, &frmSearch::tmrSelView_Timer);

    SearchStart = 0;
    setOuterSize(WindowWidth, WindowHeight);
    tmrSelView->start();
}

void frmSearch::btnFind_Click()
{
    RichTextView::FindOptions options;
    options.setFlag(RichTextView::FindWholeWord, chkWholeWord->isChecked());
    options.setFlag(RichTextView::FindMatchCase, chkMatchCase->isChecked());
    RichTextView* view = m_pane.text();
    const QString text = txtSearch->text();
    const int length = static_cast<int>(text.length());
    int found = view->Find(text, SearchStart, options);
    // An EPUB book shows one chapter at a time: the search goes on into the next ones.
    EpubSession* epub = m_pane.epub();
    if (found == -1 && epub->isOpen() && epub->findInLaterChapters(text, options, &found)) {
        view->setSelStart(found);
        view->setSelLength(length);
    }
    SearchStart = view->SelStart() + length;
    // Going past the match first scrolls some of the text after it into view.
    view->setSelStart(SearchStart + LookAhead);
    view->setSelStart(qMax(0, SearchStart - length));
    view->setSelLength(length);
    view->setFocus();
    if (found == -1) {
        MessageBox::show(this, tr("Finished searching the document."));
    }
}

void frmSearch::tmrSelView_Timer()
{
    tmrSelView->stop();
    RichTextView* view = m_pane.text();
    const int length = static_cast<int>(txtSearch->text().length());
    const int start = SearchStart - length;
    // Text typed before the timer fired would give a start before the book: the caret then
    // simply goes to the top.
    view->setSelStart(qMax(0, start));
    view->setSelLength(start < 0 ? 0 : length);
}

void frmSearch::Form_Activate()
{
    txtSearch->setFocus();
    btnFind->bind(SkinForm1);
    labelFind->bind(SkinForm1);
    setOuterSize(WindowWidth, WindowHeight);
    if (!m_slidIn) {
        m_slidIn = true;
        SkinAnimation::AnimateButtons({btnFind}, SkinAnimation::Direction::Vertical);
    }
}

void frmSearch::setOuterSize(double width, double height)
{
    // The frame is known only once the window manager has framed the window.
    const QSize frame = isVisible() ? frameGeometry().size() - size() : QSize(0, 0);
    resize(QSize(Twips::toPixels(width), Twips::toPixels(height)) - frame);
}

bool frmSearch::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::WindowActivate) {
        Form_Activate();
    }
    return handled;
}

void frmSearch::closeEvent(QCloseEvent* event)
{
    event->accept();
    showOrRaise(parentWidget());
}
