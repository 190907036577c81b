#include "connection/baudrates.h"

QStringList BaudRateTexts()
{
    QStringList texts;
    for (const ListedBaudRate &listed : BAUD_RATES)
        texts << listed.text;
    return texts;
}

qint32 DefaultBaudRate()
{
    return BAUD_RATES[DEFAULT_BAUD_RATE_INDEX].rate;
}

QString DefaultBaudRateText()
{
    return BAUD_RATES[DEFAULT_BAUD_RATE_INDEX].text;
}

bool IsListedBaudRate(qint32 rate)
{
    for (const ListedBaudRate &listed : BAUD_RATES)
        if (listed.rate == rate)
            return true;
    return false;
}

QString BaudRateListText(const QString &lastJoiner)
{
    QStringList texts = BaudRateTexts();
    const QString last = texts.takeLast();
    return texts.join(", ") + " " + lastJoiner + " " + last;
}

QString BaudRateHelp()
{
    return QString("The line's rate, one of the window's: %1 (default %2).")
        .arg(BaudRateTexts().join(", "), DefaultBaudRateText());
}
