// quillmere-rtf: converts books with the reader's own RTF codec.
//   quillmere-rtf text IN              prints the text as the reader holds it (UTF-8)
//   quillmere-rtf resave IN.rtf OUT.rtf reads and writes the RTF again
//   quillmere-rtf from-text IN.txt OUT.rtf writes a plain-text book as RTF
#include "platform/rtf/PlainTextDecoder.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QFile>
#include <QGuiApplication>
#include <QSaveFile>
#include <QTextDocument>

#include <cstdio>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "quillmere-rtf: %s\n", qPrintable(message));
    return 1;
}

bool readFile(const QString& path, QByteArray* data, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    *data = file.readAll();
    return true;
}

bool writeFile(const QString& path, const QByteArray& data, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

// The text as the view holds it: one character per position, a paragraph end as "\n".
QString viewText(const QTextDocument& document)
{
    QString text = document.toRawText();
    for (QChar& c : text) {
        switch (c.unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xFDD0: // table and frame boundaries
        case 0xFDD1:
            c = u'\n';
            break;
        default:
            break;
        }
    }
    return text;
}

// Qt's own notices (missing runtime folders and the like) would drown the one-line errors.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

int usage()
{
    return fail(QStringLiteral("usage: quillmere-rtf text IN | resave IN.rtf OUT.rtf | "
                               "from-text IN.txt OUT.rtf"));
}

} // namespace

int main(int argc, char* argv[])
{
    // Text documents need the font system, which needs a platform; none is shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qInstallMessageHandler(quietMessages);
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        return usage();
    }
    const QString command = args.at(1);
    QByteArray data;
    QString error;
    if (!readFile(args.at(2), &data, &error)) {
        return fail(error);
    }
    QTextDocument document;
    if (command == QLatin1String("text") && args.size() == 3) {
        if (!Rtf::read(data, &document)) {
            document.setPlainText(PlainText::decode(data));
        }
        const QByteArray out = viewText(document).toUtf8();
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (command == QLatin1String("resave") && args.size() == 4) {
        if (!Rtf::read(data, &document, &error)) {
            return fail(QStringLiteral("%1: %2").arg(args.at(2), error));
        }
    } else if (command == QLatin1String("from-text") && args.size() == 4) {
        document.setPlainText(PlainText::decode(data));
    } else {
        return usage();
    }
    if (!writeFile(args.at(3), Rtf::write(&document), &error)) {
        return fail(error);
    }
    return 0;
}
