#ifndef UI_MESSAGEBOXES_H
#define UI_MESSAGEBOXES_H

#include <functional>

class QMessageBox;

// The window shows every message box through here. What runs without a person (the
// rehearsal, the command line, the tests) sets an answerer, which is handed each box as it
// opens and closes it from the box's own event loop, so that nothing has to look for open
// boxes. The box is on screen meanwhile, as it would be for a person.
class MessageBoxes
{
public:
    using Answerer = std::function<void(QMessageBox *box)>;

    // The box is the caller's no more. Modal, the call returns once the box is closed;
    // otherwise the box only opens, and deletes itself when closed.
    static void show(QMessageBox *box, bool modal);

    // Returns the answerer it replaces; an empty one lets every box open.
    static Answerer setAnswerer(Answerer answerer);

private:
    static Answerer answerer;
};

#endif
