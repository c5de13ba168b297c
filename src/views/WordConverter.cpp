#include "views/WordConverter.h"

#include "core/ResponsiveWait.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QWidget>

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

    // The window keeps repainting while the converter works; the user's input waits, for the
    // opening cannot be cancelled halfway. The view's window may still be closed for good.
    auto* view = qobject_cast<QWidget*>(parent());
    ResponsiveWait wait(view ? view->window() : nullptr);
    wait.endOn(&process, &QProcess::finished);
    connect(&process, &QProcess::errorOccurred, &wait, [&wait](QProcess::ProcessError failure) {
        if (failure == QProcess::FailedToStart) {
            wait.finish();
        }
    });
    process.start();
    const ResponsiveWait::Outcome outcome =
        wait.wait(std::chrono::milliseconds(s_timeLimit), QEventLoop::ExcludeUserInputEvents);
    m_process = nullptr;
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(1000);
    }

    if (process.error() == QProcess::FailedToStart) {
        return setError(tr("The converter \"%1\" could not be started.").arg(s_program));
    }
    if (outcome == ResponsiveWait::Outcome::TimedOut) {
        return setError(tr("The converter took longer than %1 seconds and was stopped.")
                            .arg(s_timeLimit / 1000));
    }
    if (m_cancelled || outcome == ResponsiveWait::Outcome::AskerGone) {
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
