#pragma once

#include <QtGlobal>

// How long the program waits for a server and how much it takes from one: catalogs and the
// dictionary server are outside the program's control, so nothing they send may hang it or
// fill the memory or the disk. Tests lower the limits to try them quickly.
struct NetworkLimits
{
    // A server that sends nothing for this long has not answered.
    int answerTimeoutMs = 10000;
    qint64 feedBytes = 16LL << 20;
    qint64 bookBytes = 400LL << 20;
    qint64 pictureBytes = 4LL << 20;
    qint64 definitionBytes = 8LL << 20;

    static NetworkLimits& current();
};
