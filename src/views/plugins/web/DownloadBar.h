#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QTimer;

// A thin strip under a web view that shows how far a download has got and how it ended.
class DownloadBar : public QWidget
{
    Q_OBJECT
public:
    explicit DownloadBar(QWidget* parent = nullptr);

    void started(const QString& fileName);
    void progress(qint64 received, qint64 total);
    void ended(bool ok, const QString& fileName, const QString& error);
    QString message() const;

private:
    QLabel* m_label = nullptr;
    QProgressBar* m_progress = nullptr;
    QTimer* m_hideTimer = nullptr;
};
