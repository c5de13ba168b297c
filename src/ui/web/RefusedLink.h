#pragma once

#include <QString>

class QWidget;

// What the reader does with a link a book's page may not follow in the reading view (see
// WebView::setConfinedFolder): a web address is offered to the user's web browser, and opened
// there only when the user agrees; anything else (another file of this computer) is not
// followed, and the user is told why nothing happened.
namespace RefusedLink {

void handle(QWidget* parent, const QString& address);

} // namespace RefusedLink
