#include "views/WordConverter.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

namespace {
QString s_program = QStringLiteral("antiword");
int s_timeLimit = 30000;
} // namespace

WordConverter::WordConverter(QObject* parent) : QObject(parent) {}

WordConverter::~WordConverter()
{
    cancel();
}

void WordConverter::setProgram(const QString& program)
{
    s_program = program;
}

QString WordConverter::program()
{
    return s_program;
}

void WordConverter::setTimeLimit(int milliseconds)
{
    s_timeLimit = milliseconds;
}

bool WordConverter::isTableRow(const QString& line)
{
    return line.size() >= 2 && line.startsWith(QLatin1Char('|')) && line.endsWith(QLatin1Char('|'));
}

bool WordConverter::running() const
{
    return m_process != nullptr;
}

void WordConverter::cancel()
{
    if (m_process) {
        m_cancelled = true;
        m_process->kill();
    }
}

bool WordConverter::convert(const QString& path, QString* text, QString* error)
{
    auto setError = [error](const QString& message) {
        if (error) {
            *error = message;
        }
        return false;
    };
    if (m_process) {
        return setError(tr("Another document is still being converted."));
    }
    const QString executable =
        QFileInfo(s_program).isAbsolute() ? s_program : QStandardPaths::findExecutable(s_program);
    if (executable.isEmpty() || !QFileInfo(executable).isExecutable()) {
        return setError(
            tr("Word documents are shown through the converter \"%1\", which is not installed.")
                .arg(s_program));
    }
    if (!QFileInfo(path).isFile()) {
        return setError(tr("The document cannot be found."));
    }

    QProcess process;
    m_process = &process;
    m_cancelled = false;
    // UTF-8 output, and no line breaks of its own inside paragraphs: the view wraps the lines.
    process.setProgram(executable);
    process.setArguments({QStringLiteral("-m"), QStringLiteral("UTF-8.txt"), QStringLiteral("-w"),
                          QStringLiteral("0"), QStringLiteral("--"), path});
    process.setStandardInputFile(QProcess::nullDevice());

    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    bool timedOut = false;
    connect(&limit, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        process.kill();
    });
    connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError failure) {
        if (failure == QProcess::FailedToStart) {
            loop.quit();
        }
    });
    process.start();
    limit.start(s_timeLimit);
    // The window keeps repainting while the converter works.
    if (process.state() != QProcess::NotRunning || process.error() != QProcess::FailedToStart) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    limit.stop();
    m_process = nullptr;
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(1000);
    }

    if (process.error() == QProcess::FailedToStart) {
        return setError(tr("The converter \"%1\" could not be started.").arg(s_program));
    }
    if (timedOut) {
        return setError(tr("The converter took longer than %1 seconds and was stopped.")
                            .arg(s_timeLimit / 1000));
    }
    if (m_cancelled) {
        return setError(tr("The conversion was cancelled."));
    }
    const QByteArray output = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        QString detail = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        // The converter names the file by its full path; the file name says enough.
        detail.replace(path, QFileInfo(path).fileName());
        return setError(detail.isEmpty() ? tr("The converter could not read the document.")
                                         : detail);
    }
    if (text) {
        *text = QString::fromUtf8(output);
    }
    return true;
}
