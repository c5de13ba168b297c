// The Debian package as a user gets it: built with cpack, unpacked into a folder of its own
// (as a package installed under another prefix would be), and run from there with a home of
// its own. Its program must find the engines that come with it, show a web book and a PDF book
// on the screen, and its desktop entry must offer every kind of book it opens.
#include "support/TestMain.h"

#include <QDirIterator>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <sys/stat.h>

namespace {
bool writeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
}

// Colours no part of the program draws itself: seen on the screen, they come from the book.
const QColor PageColour(46, 139, 87);
const QColor PdfColour(153, 50, 204);

// The share of the screen's pixels that have exactly this colour.
double shareOfScreen(const QColor& colour)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QImage shot = screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    if (shot.isNull()) {
        return 0;
    }
    const QRgb wanted = colour.rgb();
    qint64 count = 0;
    for (int y = 0; y < shot.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(shot.constScanLine(y));
        for (int x = 0; x < shot.width(); ++x) {
            count += (line[x] | 0xff000000) == wanted;
        }
    }
    return double(count) / (double(shot.width()) * shot.height());
}

// True once the colour has covered that share of the screen: a page being redrawn may leave it
// for a frame, and QTRY evaluates its condition more than once.
auto onceShown(const QColor& colour, double share)
{
    return [colour, share, seen = false]() mutable {
        return seen = seen || shareOfScreen(colour) > share;
    };
}

QString mappedFiles(qint64 pid)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    return maps.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(maps.readAll()) : QString();
}
} // namespace

class TestPackage : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_work;
    QString m_root; // the unpacked package
    QTemporaryDir m_home;
    QTemporaryDir m_runtime;

    QString program() const { return m_root + QStringLiteral("/usr/bin/quillmere"); }
    QString plugins() const { return m_root + QStringLiteral("/usr/lib/quillmere/"); }

    // A user's session: a home of its own, and nothing of the build's (its plugin folder).
    QProcessEnvironment session(const QString& platform) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QUILLMERE_PLUGIN_PATH"));
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
            environment.remove(QLatin1String(name));
        }
        environment.insert(QStringLiteral("HOME"), m_home.path());
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        return environment;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_work.isValid() && m_home.isValid() && m_runtime.isValid());
        QCOMPARE(::chmod(QFile::encodeName(m_runtime.path()).constData(), 0700), 0);
        // The package, built from this build tree.
        QProcess cpack;
        cpack.setProcessChannelMode(QProcess::MergedChannels);
        cpack.start(QStringLiteral(QUILLMERE_CPACK_COMMAND),
                    {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"),
                     m_work.filePath(QStringLiteral("package")), QStringLiteral("--config"),
                     QStringLiteral(QUILLMERE_BINARY_DIR "/CPackConfig.cmake")});
        QVERIFY(cpack.waitForFinished(15 * 60 * 1000));
        QVERIFY2(cpack.exitCode() == 0, cpack.readAll().constData());
        const QStringList debs =
            QDir(m_work.filePath(QStringLiteral("package"))).entryList({QStringLiteral("*.deb")});
        QCOMPARE(debs.size(), 1);

        m_root = m_work.filePath(QStringLiteral("root"));
        QProcess unpack;
        unpack.setProcessChannelMode(QProcess::MergedChannels);
        unpack.start(QStringLiteral("dpkg-deb"),
                     {QStringLiteral("-x"),
                      m_work.filePath(QStringLiteral("package/") + debs.first()), m_root});
        QVERIFY(unpack.waitForFinished(120000));
        QVERIFY2(unpack.exitCode() == 0, unpack.readAll().constData());
        QVERIFY(QFileInfo(program()).isExecutable());
    }

    void theUnpackedProgramFindsTheEnginesItCameWith()
    {
        QProcess check;
        check.setProcessEnvironment(session(QStringLiteral("offscreen")));
        check.start(program(), {QStringLiteral("--check-engines")});
        QVERIFY(check.waitForFinished(120000));
        const QString report = QString::fromLocal8Bit(check.readAllStandardOutput());
        QVERIFY2(check.exitCode() == 0, qPrintable(report));
        for (const char* plugin : {"quillmere_web.so", "quillmere_pdf.so", "quillmere_mail.so"}) {
            QVERIFY2(report.contains(QDir::cleanPath(plugins() + QLatin1String(plugin))),
                     qPrintable(report));
        }
    }

    void theUnpackedProgramShowsWebAndPdfBooks()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            QSKIP("needs a screen to look at (run under xvfb-run)");
        }
        QTemporaryDir downloads;
        const QString page = downloads.filePath(QStringLiteral("Green Page.html"));
        QVERIFY(writeFile(
            page, "<html><body style=\"margin:0;background:" + PageColour.name().toLatin1() +
                      "\"><p style=\"height:3000px\"></p></body></html>"));
        const QString pdf = downloads.filePath(QStringLiteral("Purple Pages.pdf"));
        {
            QPdfWriter writer(pdf);
            QPainter painter(&writer);
            painter.fillRect(QRect(QPoint(0, 0),
                                   writer.pageLayout().paintRectPixels(writer.resolution()).size()),
                             PdfColour);
        }

        // A first start with the web book: the program fills the user's library and opens it.
        QProcess reader;
        reader.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        reader.setProcessEnvironment(session(QStringLiteral("xcb")));
        reader.start(program(), {page});
        QVERIFY(reader.waitForStarted());
        auto pageShown = onceShown(PageColour, 0.2);
        QTRY_VERIFY_WITH_TIMEOUT(pageShown(), 90000);
        QVERIFY(mappedFiles(reader.processId()).contains(plugins() + "quillmere_web.so"));
        QVERIFY(QFileInfo::exists(
            m_home.filePath(QStringLiteral(".local/share/Quillmere/books/Green Page.html"))));

        // A second start hands the PDF book to it, which shows it.
        QProcess second;
        second.setProcessEnvironment(session(QStringLiteral("xcb")));
        second.start(program(), {pdf});
        QVERIFY(second.waitForFinished(60000));
        QCOMPARE(second.exitCode(), 0);
        auto pdfShown = onceShown(PdfColour, 0.05);
        QTRY_VERIFY_WITH_TIMEOUT(pdfShown(), 90000);
        QVERIFY(mappedFiles(reader.processId()).contains(plugins() + "quillmere_pdf.so"));
        QCOMPARE(reader.state(), QProcess::Running);
        reader.kill();
        QVERIFY(reader.waitForFinished(10000));
    }

    void theDesktopEntryOffersEveryKindOfBook()
    {
        const QString entry =
            m_root +
            QStringLiteral("/usr/share/applications/io.github.quillmere.Quillmere.desktop");
        QFile desktop(entry);
        QVERIFY(desktop.open(QIODevice::ReadOnly | QIODevice::Text));
        QStringList types;
        while (!desktop.atEnd()) {
            const QString line = QString::fromUtf8(desktop.readLine()).trimmed();
            if (line.startsWith(QLatin1String("MimeType="))) {
                types = line.mid(9).split(QLatin1Char(';'));
            }
        }
        for (const char* type : {"text/plain", "application/rtf", "text/html", "application/pdf",
                                 "application/msword", "application/epub+zip"}) {
            QVERIFY2(types.contains(QLatin1String(type)), type);
        }
    }
};

QUILLMERE_TEST_MAIN(TestPackage)
#include "tst_package.moc"
