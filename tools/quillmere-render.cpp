// Draws the book view with a book loaded into a PNG, offscreen, with the program's own view:
//   quillmere-render IN OUT.png [--width PIXELS] [--height PIXELS] [--at OFFSET]
// IN is read as the library reads it, by the end of its name: RTF and plain-text books are
// drawn; other kinds are refused. OFFSET puts the caret there, as a bookmark does; without it
// no caret is drawn.
// Exits with 1 and one line on bad input.
#include "core/BookKinds.h"
#include "views/RichTextView.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QStringList>

#include <cstdio>

namespace {
int fail(const QString& message)
{
    std::fprintf(stderr, "quillmere-render: %s\n", qPrintable(message));
    return 1;
}

bool readNumber(const QStringList& args, int& index, int minimum, int& value)
{
    if (index + 1 >= args.size()) {
        return false;
    }
    bool ok = false;
    value = args.at(++index).toInt(&ok);
    return ok && value >= minimum;
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QStringList paths;
    int width = 800;
    int height = 1000;
    int at = -1;
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--width")) {
            if (!readNumber(args, i, 100, width)) {
                return fail(QStringLiteral("--width needs a number of pixels of at least 100"));
            }
        } else if (arg == QLatin1String("--height")) {
            if (!readNumber(args, i, 100, height)) {
                return fail(QStringLiteral("--height needs a number of pixels of at least 100"));
            }
        } else if (arg == QLatin1String("--at")) {
            if (!readNumber(args, i, 0, at)) {
                return fail(QStringLiteral("--at needs an offset of 0 or more"));
            }
        } else {
            paths.append(arg);
        }
    }
    if (paths.size() != 2) {
        return fail(QStringLiteral(
            "usage: quillmere-render IN OUT.png [--width PIXELS] [--height PIXELS] [--at OFFSET]"));
    }
    const BookKinds::Row& row = BookKinds::row(BookKinds::kindOf(paths[0]));
    if (row.reader != BookKinds::Reader::Rtf && row.reader != BookKinds::Reader::PlainText) {
        return fail(QStringLiteral("%1 is %2: only RTF and plain-text books are drawn")
                        .arg(paths[0], QLatin1String(row.description)));
    }
    RichTextView view;
    view.resize(width, height);
    QString error;
    if (!view.LoadFile(paths[0],
                       row.reader == BookKinds::Reader::Rtf ? RichTextView::LoadRtf
                                                            : RichTextView::LoadPlainText,
                       &error)) {
        return fail(error);
    }
    view.show();
    QCoreApplication::processEvents();
    if (at >= 0) {
        view.setSelStart(at);
    } else {
        // Without an offset there is no caret to show, only the book.
        view.setCursorWidth(0);
    }
    QCoreApplication::processEvents();
    if (!view.grab().toImage().save(paths[1], "PNG")) {
        return fail(QStringLiteral("%1 cannot be written").arg(paths[1]));
    }
    return 0;
}
