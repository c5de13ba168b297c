// The library pane's width: the splitter beside the tree widens or narrows it, the reading
// pane and its buttons move along, and the width is kept for the next start.
#include "core/AppSettings.h"
#include "mainwindow/frmMain.h"
#include "ui/LibrarySplitter.h"
#include "ui/LibraryTree.h"
#include "views/ReadingPane.h"

#include <QToolButton>

namespace {
const QString WidthKey = QStringLiteral("Library/Width");
// The narrowest library, and the narrowest reading pane the library leaves.
constexpr int NarrowestLibrary = 80;
constexpr int NarrowestPane = 200;
// How far the handle reaches over the tree's and the pane's edges, so that it is easy to take.
constexpr int HandleOverlap = 3;
} // namespace

void frmMain::buildLibrarySplitter()
{
    m_paneGap = m_pane->left() - TreeView1->width();
    m_backOffset = btnBack->x() - m_pane->left();
    m_forwardOffset = btnForward->x() - m_pane->left();
    m_librarySplitter = new LibrarySplitter(centralWidget());
    m_librarySplitter->setObjectName(QStringLiteral("librarySplitter"));
    // The handle asks for its own left edge, which lies over the tree's right edge.
    connect(m_librarySplitter, &LibrarySplitter::widthWanted, this,
            [this](int handleLeft) { setLibraryWidth(handleLeft + HandleOverlap); });
    connect(m_librarySplitter, &LibrarySplitter::widthSettled, this,
            [this] { AppSettings::open()->setValue(WidthKey, TreeView1->width()); });
    placeLibrarySplitter();
    // The window is not yet at its kept size: the width is fitted to it as it is laid out.
    m_libraryWidth = qMax(-1, AppSettings::open()->value(WidthKey, -1).toInt());
    if (m_libraryWidth > 0) {
        m_libraryWidth = qMax(NarrowestLibrary, m_libraryWidth);
        fitLibraryWidth();
    }
}

void frmMain::setLibraryWidth(int width)
{
    m_libraryWidth = qMax(NarrowestLibrary, qMin(width, this->width() - m_paneGap - NarrowestPane));
    fitLibraryWidth();
}

void frmMain::fitLibraryWidth()
{
    if (m_libraryWidth <= 0) {
        return;
    }
    // A window made narrower than the library allows leaves the pane its least width for the
    // time being; the library is as wide as chosen again once there is room.
    const int width =
        qMax(NarrowestLibrary, qMin(m_libraryWidth, this->width() - m_paneGap - NarrowestPane));
    TreeView1->resize(width, TreeView1->height());
    const int left = width + m_paneGap;
    m_pane->setLeft(left);
    btnBack->move(left + m_backOffset, btnBack->y());
    btnForward->move(left + m_forwardOffset, btnForward->y());
    placeLibrarySplitter();
}

void frmMain::placeLibrarySplitter()
{
    if (!m_librarySplitter) {
        return;
    }
    m_librarySplitter->setGeometry(TreeView1->x() + TreeView1->width() - HandleOverlap,
                                   TreeView1->y(), m_paneGap + 2 * HandleOverlap,
                                   TreeView1->height());
    m_librarySplitter->raise();
}
