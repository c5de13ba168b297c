#pragma once

#include <QtGlobal>

class QProcess;

// Helpers for the real servers tests start as processes of their own on 127.0.0.1.
namespace ServerProcess {
// A port of 127.0.0.1 that nothing listens on at the moment.
quint16 freePort();
// The process is killed when the test program ends, even by a crash.
void diesWithTest(QProcess* process);
// Waits until something accepts connections on the port of 127.0.0.1, as long as the process
// runs; false when it ended or the time ran out.
bool waitUntilListening(QProcess* process, quint16 port, int timeoutMs);
// Ends the server: asked first, killed when it does not end within ten seconds.
void stop(QProcess* process);
} // namespace ServerProcess
