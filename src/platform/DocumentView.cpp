#include "platform/DocumentView.h"

DocumentView::DocumentView(QWidget* parent) : QWidget(parent) {}

DocumentView::~DocumentView() = default;

bool DocumentView::CreateEmbedFromFile(const QString&, QString* error)
{
    if (error) {
        *error = tr("Word documents cannot be shown yet.");
    }
    return false;
}

void DocumentView::DoVerb(int) {}

void DocumentView::Deactivate() {}

bool DocumentView::isActive() const
{
    return false;
}

QString DocumentView::text() const
{
    return {};
}
