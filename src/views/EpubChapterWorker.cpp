#include "views/EpubChapterWorker.h"

#include "formats/epub/ChapterConverter.h"
#include "formats/epub/EpubBook.h"
#include "views/FillingDocumentLayout.h"

#include <QCoreApplication>
#include <QTextDocument>
#include <QThread>

struct EpubChapterWorker::Job
{
    std::shared_ptr<const Epub::Book> book;
    int chapter = -1;
    QFont font;
    QSize page;
    Result result;
};

EpubChapterWorker::EpubChapterWorker(QObject* parent) : QObject(parent) {}

EpubChapterWorker::~EpubChapterWorker()
{
    cancel();
    for (QThread* thread : std::as_const(m_threads)) {
        thread->wait();
        delete thread;
    }
}

void EpubChapterWorker::start(std::shared_ptr<const Epub::Book> book, int chapter,
                              const QFont& font, const QSize& page)
{
    cancel();
    auto job = std::make_shared<Job>();
    job->book = std::move(book);
    job->chapter = chapter;
    job->font = font;
    job->page = page;
    QThread* main = thread();
    QThread* worker = QThread::create([job, main] {
        auto document = std::make_unique<QTextDocument>();
        document->setUndoRedoEnabled(false);
        document->setDefaultFont(job->font);
        document->setDocumentLayout(new FillingDocumentLayout(document.get()));
        Epub::ChapterConverter converter(*job->book);
        converter.setMaxPictureWidth(job->page.width());
        converter.setMaxPictureHeight(job->page.height());
        job->result.chapter = job->chapter;
        if (converter.convert(job->chapter, document.get())) {
            job->result.anchors = converter.anchors();
            document->moveToThread(main);
            job->result.document = std::move(document);
        }
    });
    m_threads.append(worker);
    m_job = job;
    m_running = true;
    connect(worker, &QThread::finished, this, [this, worker, job] {
        m_threads.removeOne(worker);
        worker->deleteLater();
        finished(job);
    });
    worker->start(QThread::LowPriority);
}

void EpubChapterWorker::cancel()
{
    m_job.reset();
    m_running = false;
}

void EpubChapterWorker::finished(const std::shared_ptr<Job>& job)
{
    if (job != m_job) {
        return; // dropped: its document goes with the job
    }
    m_job.reset();
    m_running = false;
    m_result = std::move(job->result);
    emit converted();
}

EpubChapterWorker::Result EpubChapterWorker::takeResult()
{
    return std::move(m_result);
}
