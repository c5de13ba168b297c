#include "views/plugins/web/DownloadBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

DownloadBar::DownloadBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("downloadBar"));
    setAccessibleName(tr("Download"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("downloadStatus"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("downloadProgress"));
    m_progress->setAccessibleName(tr("Download progress"));
    m_progress->setMaximumWidth(240);
    layout->addWidget(m_label, 1);
    layout->addWidget(m_progress);
    m_hideTimer = new QTimer(this);
    m_hideTimer->setSingleShot(true);
    m_hideTimer->setInterval(8000);
    connect(m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
    hide();
}

void DownloadBar::started(const QString& fileName)
{
    m_hideTimer->stop();
    m_label->setText(tr("Downloading %1...").arg(fileName));
    m_progress->setRange(0, 0);
    m_progress->show();
    show();
}

void DownloadBar::progress(qint64 received, qint64 total)
{
    if (total > 0) {
        // Percent keeps the bar's range in int even for files above 2 GB.
        m_progress->setRange(0, 100);
        m_progress->setValue(int(qBound(qint64(0), received * 100 / total, qint64(100))));
    } else {
        m_progress->setRange(0, 0);
    }
}

void DownloadBar::ended(bool ok, const QString& fileName, const QString& error)
{
    m_progress->hide();
    m_label->setText(ok ? tr("Saved %1.").arg(fileName)
                        : tr("%1 was not saved. %2").arg(fileName, error));
    show();
    m_hideTimer->start();
}

QString DownloadBar::message() const
{
    return m_label->text();
}
