#ifndef ROM_REGULARFILE_H
#define ROM_REGULARFILE_H

#include <QString>

class QFile;

// Opens the file's name read-only without ever waiting: a name that has become a FIFO or a
// device since it was looked at is refused as not a regular file, not waited on.
bool OpenRegularFile(QFile &file, QString *reason);

#endif
