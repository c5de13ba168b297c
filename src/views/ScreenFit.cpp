#include "views/ScreenFit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindowStateChangeEvent>
#include <algorithm>

namespace {
constexpr Qt::WindowStates Large = Qt::WindowMaximized | Qt::WindowFullScreen;

bool isNormal(const QWidget* window)
{
    return !(window->windowState() & (Large | Qt::WindowMinimized));
}

QScreen* screenOf(const QWidget* window)
{
    if (QScreen* screen = QGuiApplication::screenAt(window->frameGeometry().center())) {
        return screen;
    }
    return window->screen() ? window->screen() : QGuiApplication::primaryScreen();
}

// Fits the window once it has settled: the window manager's new geometry for a restored
// window may come just after the change of state.
class ScreenKeeper : public QObject
{
public:
    explicit ScreenKeeper(QWidget* window) : QObject(window), m_window(window)
    {
        setObjectName(QStringLiteral("screenKeeper"));
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_window) {
            return false;
        }
        switch (event->type()) {
        case QEvent::WindowStateChange:
            if ((static_cast<QWindowStateChangeEvent*>(event)->oldState() & Large) &&
                isNormal(m_window)) {
                m_pending = true;
                fitSoon();
            }
            break;
        case QEvent::Show:
            m_pending = true;
            fitSoon();
            break;
        case QEvent::Move:
        case QEvent::Resize:
            if (m_pending && isNormal(m_window)) {
                m_pending = false;
                fitSoon();
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    void fitSoon()
    {
        QTimer::singleShot(0, m_window, [window = QPointer<QWidget>(m_window)] {
            if (window) {
                ScreenFit::fit(window);
            }
        });
    }

    QWidget* m_window;
    bool m_pending = false;
};
} // namespace

QRect ScreenFit::fitted(const QRect& frame, const QRect& available)
{
    if (!available.isValid()) {
        return frame;
    }
    QRect result(frame.topLeft(), frame.size().boundedTo(available.size()));
    result.moveLeft(std::clamp(result.left(), available.left(),
                               available.left() + available.width() - result.width()));
    result.moveTop(std::clamp(result.top(), available.top(),
                              available.top() + available.height() - result.height()));
    return result;
}

void ScreenFit::fit(QWidget* window)
{
    if (!window || !window->isWindow() || !isNormal(window)) {
        return;
    }
    const QScreen* screen = screenOf(window);
    if (!screen) {
        return;
    }
    const QRect frame = window->frameGeometry();
    const QRect target = fitted(frame, screen->availableGeometry());
    if (target == frame) {
        return;
    }
    // The frame's own width and height stay what the window manager makes them.
    const QSize decoration = frame.size() - window->size();
    window->resize(target.size() - decoration);
    window->move(target.topLeft());
}

void ScreenFit::keepOnScreen(QWidget* window)
{
    if (window &&
        !window->findChild<QObject*>(QStringLiteral("screenKeeper"), Qt::FindDirectChildrenOnly)) {
        new ScreenKeeper(window);
    }
}

void ScreenFit::showMaximized(QWidget* window)
{
    if (const QScreen* screen =
            window->screen() ? window->screen() : QGuiApplication::primaryScreen()) {
        // move() places the frame, so the title bar starts on the screen; where no window
        // manager maximizes the window, this size is how it fills the screen.
        const QRect available = screen->availableGeometry();
        window->resize(available.size());
        window->move(available.topLeft());
    }
    keepOnScreen(window);
    window->showMaximized();
}
