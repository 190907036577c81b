#ifndef SIM_WAKEPIPE_H
#define SIM_WAKEPIPE_H

#include <QString>

// A pipe whose reading end a thread polls beside its other descriptors, so that another
// thread can wake it. Owns both descriptors.
class WakePipe
{
public:
    WakePipe() = default;
    WakePipe(const WakePipe &) = delete;
    WakePipe &operator=(const WakePipe &) = delete;
    ~WakePipe();

    bool open(QString *errorString);
    void close();

    // Readable once woken, until drained.
    int readDescriptor() const;
    void wake();
    void drain();

private:
    int readEnd = -1;
    int writeEnd = -1;
};

#endif // SIM_WAKEPIPE_H
