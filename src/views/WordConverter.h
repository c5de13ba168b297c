#pragma once

#include <QObject>
#include <QString>

class QProcess;

// Turns a Word document (".doc") into plain text with the outside converter antiword. The
// conversion runs as its own process while the window keeps handling events, and is stopped
// after a time limit.
class WordConverter : public QObject
{
    Q_OBJECT
public:
    explicit WordConverter(QObject* parent = nullptr);
    ~WordConverter() override;

    // Converts the file; false with a readable error when the converter is missing, fails,
    // takes too long or is cancelled.
    bool convert(const QString& path, QString* text, QString* error);
    // Whether a line of the converted text is a row of a table: the converter draws each row as
    // one line of cells between bars, every cell padded to its column's width in characters,
    // so the columns line up only in a font whose characters are all of one width.
    static bool isTableRow(const QString& line);
    // Stops a conversion under way (its convert() returns false).
    void cancel();
    bool running() const;

    // The converter program (a name looked up on the search path, or a full path), and the
    // time limit in milliseconds; tests replace them.
    static void setProgram(const QString& program);
    static QString program();
    static void setTimeLimit(int milliseconds);

private:
    QProcess* m_process = nullptr;
    bool m_cancelled = false;
};
