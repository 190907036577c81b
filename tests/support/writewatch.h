#ifndef TESTS_WRITEWATCH_H
#define TESTS_WRITEWATCH_H

#include <QVector>
#include <QtGlobal>

// Notes when each write() to one descriptor begins, through the program's write() of
// writeinterposer.cpp. The writes themselves are passed on unchanged.
class WriteWatch
{
public:
    struct Moment {
        qint64 steadyNs;    // std::chrono::steady_clock
        qint64 threadCpuNs; // CPU time of the calling thread so far

        static Moment now();
    };

    // -1 watches nothing.
    static void watch(int descriptor);
    // The writes noted since the last call, oldest first.
    static QVector<Moment> takeWrites();
};

#endif
