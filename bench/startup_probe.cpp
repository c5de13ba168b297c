// Preloaded into the program measured by bench/startup.py (LD_PRELOAD), so the reader and the
// baseline window are measured the same way and neither carries code for it. The first time a
// window has been painted, the process writes "shown <resident kB> <peak kB>" to stdout. With
// QUILLMERE_STARTUP_OPEN naming a book of the window's tree, it then opens that book as a click
// does and writes "opened <resident kB> <peak kB>" once the window is painted again. Then the
// program quits.
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTimer>
#include <QTreeView>
#include <cstdio>
#include <utility>

namespace {
// VmRSS and VmHWM of this process, in kB.
QByteArray memoryFigures()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return "0 0";
    }
    QByteArray rss = "0";
    QByteArray peak = "0";
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray& line : lines) {
        if (line.startsWith("VmRSS:")) {
            rss = line.mid(6).trimmed().split(' ').value(0);
        } else if (line.startsWith("VmHWM:")) {
            peak = line.mid(6).trimmed().split(' ').value(0);
        }
    }
    return rss + ' ' + peak;
}

// The line bench/startup.py reads: what, resident and peak kB, and milliseconds where given.
void report(const char* what, qint64 milliseconds = -1)
{
    const QByteArray time = milliseconds >= 0 ? ' ' + QByteArray::number(milliseconds) : "";
    std::printf("%s %s%s\n", what, memoryFigures().constData(), time.constData());
    std::fflush(stdout);
}

QModelIndex findItem(const QAbstractItemModel* model, const QModelIndex& parent,
                     const QString& name)
{
    for (int i = 0; i < model->rowCount(parent); ++i) {
        const QModelIndex item = model->index(i, 0, parent);
        if (item.data().toString() == name) {
            return item;
        }
        if (const QModelIndex found = findItem(model, item, name); found.isValid()) {
            return found;
        }
    }
    return {};
}

class Probe : public QObject
{
    Q_OBJECT
public:
    explicit Probe(QString book) : m_book(std::move(book)) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_window && watched->isWidgetType()) {
            QWidget* window = static_cast<QWidget*>(watched)->window();
            if (window->isVisible() && window->windowType() != Qt::Popup &&
                window->windowType() != Qt::ToolTip) {
                m_window = window;
                // The report follows the paint under way and the flush to the screen.
                QTimer::singleShot(0, this, &Probe::shown);
            }
        }
        return false;
    }

private slots:
    // The page is given half a second to be painted; its time is the load's.
    void pageLoaded()
    {
        m_milliseconds = m_clock.elapsed();
        QTimer::singleShot(qEnvironmentVariableIntValue("QUILLMERE_STARTUP_LINGER") + 500, this,
                           &Probe::opened);
    }

private:
    void shown()
    {
        report("shown");
        auto* tree = m_window->findChild<QTreeView*>();
        QModelIndex item;
        if (!m_book.isEmpty() && tree && tree->model()) {
            item = findItem(tree->model(), QModelIndex(), m_book);
        }
        if (!item.isValid()) {
            if (!m_book.isEmpty()) {
                std::printf("missing %s\n", qPrintable(m_book));
            }
            QCoreApplication::exit(m_book.isEmpty() ? 0 : 1);
            return;
        }
        m_clock.start();
        tree->setCurrentIndex(item);
        emit tree->clicked(item);
        m_window->repaint();
        // A web page loads on its own time: the report waits for the page and its painting.
        for (QWidget* child : m_window->findChildren<QWidget*>()) {
            if (qstrcmp(child->metaObject()->className(), "QWebEngineView") == 0) {
                connect(child, SIGNAL(loadFinished(bool)), this, SLOT(pageLoaded()));
                return;
            }
        }
        QTimer::singleShot(0, this, &Probe::opened);
    }

    void opened()
    {
        report("opened", m_milliseconds >= 0 ? m_milliseconds : m_clock.elapsed());
        QCoreApplication::exit(0);
    }

    QElapsedTimer m_clock;
    qint64 m_milliseconds = -1;

    QWidget* m_window = nullptr;
    QString m_book;
};

void installProbe()
{
    auto* probe = new Probe(qEnvironmentVariable("QUILLMERE_STARTUP_OPEN"));
    probe->moveToThread(QCoreApplication::instance()->thread());
    QCoreApplication::instance()->installEventFilter(probe);
}
} // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)

#include "startup_probe.moc"
