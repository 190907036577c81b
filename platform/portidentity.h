#ifndef PLATFORM_PORTIDENTITY_H
#define PLATFORM_PORTIDENTITY_H

#include <QString>

// Whether two port names, as the serial port takes them, open the same device: a link, a
// second device node, a relative path or a short name all name the port they lead to. A
// name that leads to nothing is the same as no other, itself included.
bool SamePort(const QString &first, const QString &second);

#endif
