#include "platform/WebView.h"

WebView::WebView(QWidget* parent) : QWidget(parent) {}

WebView::~WebView() = default;

bool WebView::Navigate(const QString&)
{
    return false;
}

bool WebView::GoBack()
{
    return false;
}

bool WebView::GoForward()
{
    return false;
}

void WebView::GoHome() {}

void WebView::Refresh() {}

void WebView::Stop() {}

bool WebView::Busy() const
{
    return false;
}

QString WebView::LocationName() const
{
    return {};
}

QString WebView::LocationURL() const
{
    return {};
}

int WebView::QueryStatusWB(int) const
{
    return 0;
}

bool WebView::ExecWB(int, int)
{
    return false;
}

void WebView::setSaveFolder(const QString& folder)
{
    m_saveFolder = folder;
}

bool WebView::engineStarted() const
{
    return m_view != nullptr;
}
