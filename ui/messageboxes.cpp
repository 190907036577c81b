#include "ui/messageboxes.h"

#include <QMessageBox>

#include <utility>

MessageBoxes::Answerer MessageBoxes::answerer;

void MessageBoxes::show(QMessageBox *box, bool modal)
{
    if (answerer)
        answerer(box);
    if (!modal) {
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return;
    }
    box->exec();
    delete box;
}

MessageBoxes::Answerer MessageBoxes::setAnswerer(Answerer next)
{
    return std::exchange(answerer, std::move(next));
}
