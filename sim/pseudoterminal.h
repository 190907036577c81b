#ifndef SIM_PSEUDOTERMINAL_H
#define SIM_PSEUDOTERMINAL_H

#include <QString>

// A pseudo-terminal pair in raw mode. The slave path is the port the tool opens; this side
// keeps a slave descriptor of its own open, so that the tool may close and reopen the port
// without the master seeing a hang-up.
class PseudoTerminal
{
public:
    PseudoTerminal() = default;
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;
    ~PseudoTerminal();

    bool open(QString *errorString);
    void close();
    bool isOpen() const;

    // Non-blocking descriptor of the master side, -1 when closed.
    int masterDescriptor() const;
    QString slavePath() const;

    // Bytes written by this side that the tool has not read yet.
    int unreadBySlave() const;

    // The rate the tool set on its side, in baud; 0 if unknown (a rate outside the
    // standard list included).
    int slaveBaudRate() const;

private:
    int master = -1;
    int heldSlave = -1;
    QString slaveDevicePath;
};

#endif // SIM_PSEUDOTERMINAL_H
