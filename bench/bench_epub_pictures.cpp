// A 100 MB EPUB book full of pictures (40 chapters, each with a 2000 x 1400 photo-sized JPEG of
// random content, about 2.5 MB) against the same book without its pictures, in the same run.
// Each is opened from the library tree in a reader of its own (this program started again), so
// the peak resident memory of each is its own: after opening at the first chapter, and after
// turning through every chapter to the last. Holding every picture of the book decoded would
// take 40 x 11 MB; the reader holds the shown chapter's only, at the width shown.
// Run: build/bench/bench_epub_pictures
#include "core/Library.h"
#include "mainwindow/frmMain.h"
#include "support/BenchMain.h"
#include "ui/LibraryTree.h"
#include "views/EpubSession.h"
#include "views/RichTextView.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

namespace {

constexpr int Chapters = 40;
constexpr int PictureWidth = 2000;
constexpr int PictureHeight = 1400;
constexpr const char* ReaderEnv = "QUILLMERE_BENCH_PICTURE_READER";

// A photo-sized picture that JPEG cannot shrink much: blocks of random colour under random
// noise.
QByteArray randomJpeg(QRandomGenerator& random)
{
    QImage image(PictureWidth, PictureHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    for (int y = 0; y < PictureHeight; y += 100) {
        for (int x = 0; x < PictureWidth; x += 100) {
            painter.fillRect(x, y, 100, 100, QColor::fromRgb(random.generate()));
        }
    }
    painter.end();
    for (int y = 0; y < PictureHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < PictureWidth; ++x) {
            const quint32 noise = random.generate();
            line[x] = qRgb((qRed(line[x]) + int(noise & 0x7f)) & 0xff,
                           (qGreen(line[x]) + int((noise >> 8) & 0x7f)) & 0xff,
                           (qBlue(line[x]) + int((noise >> 16) & 0x7f)) & 0xff);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 92);
    return bytes;
}

bool addEntry(QuaZip& zip, const QString& name, const QByteArray& bytes, bool compress)
{
    QuaZipFile file(&zip);
    if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(name), nullptr, 0, compress ? Z_DEFLATED : 0,
                   compress ? Z_DEFAULT_COMPRESSION : 0)) {
        return false;
    }
    file.write(bytes);
    file.close();
    return file.getZipError() == ZIP_OK;
}

// The book, with its pictures or with none; the text is the same.
bool writeBook(const QString& path, const QList<QByteArray>& pictures)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate)) {
        return false;
    }
    bool ok = addEntry(zip, QStringLiteral("mimetype"), "application/epub+zip", false) &&
              addEntry(zip, QStringLiteral("META-INF/container.xml"),
                       "<?xml version=\"1.0\"?><container version=\"1.0\" "
                       "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles>"
                       "<rootfile full-path=\"OEBPS/content.opf\" media-type=\"application/"
                       "oebps-package+xml\"/></rootfiles></container>",
                       true);
    QString manifest;
    QString spine;
    for (int chapter = 1; chapter <= Chapters; ++chapter) {
        QString body = QStringLiteral("<h1>Album page %1</h1>").arg(chapter);
        if (!pictures.isEmpty()) {
            body += QStringLiteral("<p><img src=\"p%1.jpg\" alt=\"Photo %1\"/></p>").arg(chapter);
            manifest += QStringLiteral("<item id=\"p%1\" href=\"p%1.jpg\" "
                                       "media-type=\"image/jpeg\"/>")
                            .arg(chapter);
            ok = ok && addEntry(zip, QStringLiteral("OEBPS/p%1.jpg").arg(chapter),
                                pictures.at(chapter - 1), false);
        }
        for (int paragraph = 1; paragraph <= 40; ++paragraph) {
            body += QStringLiteral("<p>Page %1, note %2: the light came low over the water and "
                                   "the boats lay still in the harbour.</p>")
                        .arg(chapter)
                        .arg(paragraph);
        }
        manifest += QStringLiteral("<item id=\"c%1\" href=\"c%1.xhtml\" "
                                   "media-type=\"application/xhtml+xml\"/>")
                        .arg(chapter);
        spine += QStringLiteral("<itemref idref=\"c%1\"/>").arg(chapter);
        ok = ok && addEntry(zip, QStringLiteral("OEBPS/c%1.xhtml").arg(chapter),
                            QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?><html "
                                           "xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>"
                                           "Album</title></head><body>%1</body></html>")
                                .arg(body)
                                .toUtf8(),
                            true);
    }
    ok = ok && addEntry(zip, QStringLiteral("OEBPS/content.opf"),
                        QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?><package "
                                       "xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" "
                                       "unique-identifier=\"u\"><metadata xmlns:dc=\"http://"
                                       "purl.org/dc/elements/1.1/\"><dc:identifier id=\"u\">urn:"
                                       "quillmere:bench:album</dc:identifier><dc:title>Album"
                                       "</dc:title></metadata><manifest>%1</manifest><spine>%2"
                                       "</spine></package>")
                            .arg(manifest, spine)
                            .toUtf8(),
                        true);
    zip.close();
    return ok && zip.getZipError() == ZIP_OK;
}

struct BenchLibrary
{
    QTemporaryDir dir;
    QString error;
    qint64 picturesSize = 0;
    bool ready = false;
};

BenchLibrary& library()
{
    static BenchLibrary lib;
    if (lib.ready || !lib.error.isEmpty()) {
        return lib;
    }
    const QString books = lib.dir.path() + QStringLiteral("/books/");
    QDir().mkpath(books);
    QRandomGenerator random(17);
    QList<QByteArray> pictures;
    for (int i = 0; i < Chapters; ++i) {
        pictures.append(randomJpeg(random));
    }
    if (!writeBook(books + QStringLiteral("album.epub"), pictures) ||
        !writeBook(books + QStringLiteral("album-text.epub"), {})) {
        lib.error = QStringLiteral("the books could not be written");
        return lib;
    }
    QFile options(lib.dir.path() + QStringLiteral("/options.txt"));
    options.open(QIODevice::WriteOnly);
    options.write("\"no\",12,\"yes\"\r\n");
    lib.picturesSize = QFileInfo(books + QStringLiteral("album.epub")).size();
    lib.ready = true;
    return lib;
}

// Peak resident size of this process so far, in MB.
double peakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return 0;
}

// The reader started again by the benchmark: opens the book from the tree and reads through
// it, then prints "<open ms> <peak MB after opening> <peak MB after the last chapter>".
int runReader(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList job = qEnvironmentVariable(ReaderEnv).split(QLatin1Char('|'));
    frmMain window(job.value(0));
    window.resize(1200, 800);
    window.show();
    QCoreApplication::processEvents();
    const int book = window.library().find(job.value(1));
    if (book < 0) {
        return 2;
    }
    QElapsedTimer timer;
    timer.start();
    window.TreeView1->selectBook(book);
    window.OpenTheNode();
    QCoreApplication::processEvents();
    window.txtBook->viewport()->grab();
    const qint64 openMs = timer.elapsed();
    const double afterOpen = peakMegabytes();
    EpubSession* session = window.epubSession();
    if (!session || !session->isOpen() || session->book().chapters().size() != Chapters) {
        return 3;
    }
    for (int chapter = 1; chapter < Chapters; ++chapter) {
        session->showChapter(chapter);
        QCoreApplication::processEvents();
        window.txtBook->viewport()->grab();
    }
    std::printf("%lld %.1f %.1f\n", static_cast<long long>(openMs), afterOpen, peakMegabytes());
    return 0;
}

void openInOwnReader(benchmark::State& state, const QString& name)
{
    BenchLibrary& lib = library();
    if (!lib.ready) {
        state.SkipWithError(qPrintable(lib.error));
        return;
    }
    double afterOpen = 0;
    double afterAll = 0;
    for (auto _ : state) {
        // Each run starts from no reading record: the book opens at its first chapter.
        QDir(lib.dir.path() + QStringLiteral("/epub-records")).removeRecursively();
        QProcess reader;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(ReaderEnv),
                           lib.dir.path() + QLatin1Char('|') + name);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        reader.setProcessEnvironment(environment);
        reader.start(QCoreApplication::applicationFilePath(), {});
        if (!reader.waitForFinished(300000) || reader.exitCode() != 0) {
            state.SkipWithError("the reader did not open the book");
            return;
        }
        const QList<QByteArray> figures = reader.readAllStandardOutput().trimmed().split(' ');
        state.SetIterationTime(figures.value(0).toDouble() / 1000.0);
        afterOpen = qMax(afterOpen, figures.value(1).toDouble());
        afterAll = qMax(afterAll, figures.value(2).toDouble());
    }
    state.counters["book_MB"] =
        double(QFileInfo(lib.dir.path() + QStringLiteral("/books/") + name).size()) /
        (1024.0 * 1024.0);
    state.counters["peak_open_MB"] = afterOpen;
    state.counters["peak_read_through_MB"] = afterAll;
}

void BM_OpenAlbumWithoutPictures(benchmark::State& state)
{
    openInOwnReader(state, QStringLiteral("album-text.epub"));
}
BENCHMARK(BM_OpenAlbumWithoutPictures)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

void BM_OpenAlbumWithPictures(benchmark::State& state)
{
    openInOwnReader(state, QStringLiteral("album.epub"));
}
BENCHMARK(BM_OpenAlbumWithPictures)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (!qEnvironmentVariableIsEmpty(ReaderEnv)) {
        return runReader(argc, argv);
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    BenchSupport::runCleanups();
    return 0;
}
