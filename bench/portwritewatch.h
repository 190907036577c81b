#ifndef BENCH_PORTWRITEWATCH_H
#define BENCH_PORTWRITEWATCH_H

#include <QVector>
#include <QtGlobal>

// Notes when each write() to one descriptor begins. Linked into an executable, this file
// defines write() in front of the C library's; every call is passed on unchanged, and
// only calls on the watched descriptor take a note.
class PortWriteWatch
{
public:
    struct Moment {
        qint64 steadyNs;     // std::chrono::steady_clock
        qint64 threadCpuNs;  // CPU time of the calling thread so far

        static Moment now();
    };

    // -1 watches nothing.
    static void watch(int descriptor);
    // The writes noted since the last call, oldest first.
    static QVector<Moment> takeWrites();
};

#endif
