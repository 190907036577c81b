#ifndef TESTS_WRITEREFUSAL_H
#define TESTS_WRITEREFUSAL_H

// Linked into a test executable, this file defines write() in front of the C library's, so
// that a real port on a pseudo-terminal can meet a write error the way a failing device
// gives one. Every other write is passed on.
class WriteRefusal
{
public:
    // Writes to this descriptor fail from now on; -1 lets every write through again.
    static void refuse(int descriptor);
};

#endif
