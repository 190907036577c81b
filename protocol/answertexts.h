#ifndef PROTOCOL_ANSWERTEXTS_H
#define PROTOCOL_ANSWERTEXTS_H

#include <QtGlobal>

// What the status bar and the saved log say of answers the exchange did not take.

// Another command's success status, or this one's before its request could have been answered.
const char *const ANSWER_COPY_DROPPED =
    QT_TRANSLATE_NOOP("Norvane", "an answer was taken for a copy of an earlier one");
// %1: the chosen rate.
const char *const ANSWER_TOO_SOON_DROPPED =
    QT_TRANSLATE_NOOP("Norvane", "an answer came sooner than %1 baud allows: is the line faster than its rate?");
// %1: how many in this operation, %2: the last one's text.
const char *const ANSWERS_DROPPED_STATUS =
    QT_TRANSLATE_NOOP("Norvane", "Answers dropped in this operation: %1 (last: %2)");
// %1: the step's red line, %2: the last drop's text.
const char *const FAILED_AFTER_DROP = QT_TRANSLATE_NOOP("Norvane", "%1, after a dropped answer: %2");

#endif
