// The reader killed a moment after the last move: the built program runs on a real X display,
// the mouse wheel scrolls its book, the process is killed with SIGKILL no more than 3 s later,
// and the book opens again where it was left.
#include "core/ReadingHistory.h"
#include "mainwindow/frmMain.h"
#include "support/FileBytes.h"
#include "support/MainWindowDriver.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "views/RichTextView.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <csignal>
#include <optional>

namespace {
bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
}

QByteArray book()
{
    QByteArray text;
    for (int n = 1; n <= 3000; ++n) {
        text += "Verse " + QByteArray::number(n) + " of the long psalm, sung slowly at dusk.\n\n";
    }
    return text;
}

// Runs xdotool with the arguments; its standard output, trimmed (nothing when it failed).
std::optional<QString> xdotool(const QStringList& arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(20000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        return std::nullopt;
    }
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

// The place kept in the book's reading record (empty while there is none, or while the record
// cannot be read whole).
QJsonObject keptPlace(const QString& records)
{
    for (const QFileInfo& info : QDir(records).entryInfoList({QStringLiteral("*.json")})) {
        QFile file(info.absoluteFilePath());
        if (file.open(QIODevice::ReadOnly)) {
            return QJsonDocument::fromJson(file.readAll())
                .object()
                .value(QStringLiteral("position"))
                .toObject();
        }
    }
    return {};
}
} // namespace

class KilledReaderTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY") ||
            QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            QSKIP("needs an X display and xdotool (scripts/setup installs them)");
        }
    }

    void theKilledReaderReopensWhereItWasLeft()
    {
        // The built program in a folder of its own: that folder is its application folder.
        QTemporaryDir folder;
        const QString program = folder.filePath(QStringLiteral("quillmere"));
        QVERIFY(QFile::copy(QStringLiteral(QUILLMERE_BINARY_DIR) + QStringLiteral("/app/quillmere"),
                            program));
        QVERIFY(
            QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(writeFile(folder.filePath(QStringLiteral("options.txt")), "\"no\",12,\"yes\"\r\n"));
        const QString path = folder.filePath(QStringLiteral("books/Psalm.txt"));
        QVERIFY(writeFile(path, book()));
        // Settings of its own, with the place remembered.
        const QString config = folder.filePath(QStringLiteral("config"));
        QVERIFY(writeFile(config + QStringLiteral("/Quillmere/Quillmere.conf"),
                          "[Reading]\nRememberPlace=true\n"));

        QProcess reader;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        reader.setProcessEnvironment(environment);
        reader.start(program, {path});
        QVERIFY(reader.waitForStarted());
        // The window says which book it shows.
        const QString window = xdotool({QStringLiteral("search"), QStringLiteral("--sync"),
                                        QStringLiteral("--name"), QStringLiteral("Psalm.txt")})
                                   .value_or(QString())
                                   .section(QLatin1Char('\n'), 0, 0);
        QVERIFY2(!window.isEmpty(), "the program's window did not appear");

        // The wheel over the book's text, as a reader scrolls.
        QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window,
                         QStringLiteral("500"), QStringLiteral("250"), QStringLiteral("click"),
                         QStringLiteral("--repeat"), QStringLiteral("40"),
                         QStringLiteral("--delay"), QStringLiteral("20"), QStringLiteral("5")}));
        QElapsedTimer sinceLastMove;
        sinceLastMove.start();
        const QString records = folder.filePath(QStringLiteral("epub-records"));
        QTRY_VERIFY_WITH_TIMEOUT(keptPlace(records).value(QStringLiteral("offset")).toInt() > 0,
                                 3000);
        ::kill(pid_t(reader.processId()), SIGKILL);
        QVERIFY(sinceLastMove.elapsed() < 3000);
        QVERIFY(reader.waitForFinished());
        QCOMPARE(reader.exitStatus(), QProcess::CrashExit);
        const QJsonObject place = keptPlace(records);
        const int offset = place.value(QStringLiteral("offset")).toInt();
        const QString after = place.value(QStringLiteral("after")).toString();
        QVERIFY(!after.isEmpty());

        // Opened again (here, with the option on): the text at the top is where the reader was.
        ReadingHistory::setRememberPlace(true);
        frmMain main(folder.path() + QLatin1Char('/'));
        main.show();
        QVERIFY(Driver::clickNode(main, QStringLiteral("Psalm.txt")));
        const int top = main.txtBook->topOffset();
        QVERIFY2(qAbs(top - offset) < 80, qPrintable(QStringLiteral("%1 %2").arg(top).arg(offset)));
        QVERIFY(main.txtBook->document()->toRawText().mid(offset).startsWith(after));
        // The book itself was never written.
        QCOMPARE(fileBytes(path), book());
    }
};

QUILLMERE_TEST_MAIN(KilledReaderTest)
#include "tst_killed_reader.moc"
