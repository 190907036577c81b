#ifndef TESTS_WRITEREFUSAL_H
#define TESTS_WRITEREFUSAL_H

// Makes the writes to one descriptor fail, so that a real port on a pseudo-terminal meets
// a write error the way a failing device gives one. Works through the program's write()
// of writeinterposer.cpp; every other write is passed on.
class WriteRefusal
{
public:
    // Writes to this descriptor fail from now on; -1 lets every write through again.
    static void refuse(int descriptor);
};

#endif
