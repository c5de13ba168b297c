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
