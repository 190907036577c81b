#ifndef CONNECTION_BAUDRATES_H
#define CONNECTION_BAUDRATES_H

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <array>
#include <iterator>

// A rate the window lists, and the command line takes: the line runs at exactly that rate.
struct ListedBaudRate {
    qint32 rate;
    const char *text;
    bool isDefault;
};

// Slowest first. A new rate is one new row; the window's list, the check at Connect, the
// command line and its help, and the check of the documents follow from it.
inline constexpr ListedBaudRate BAUD_RATES[] = {
    {1200, "1200", false},   {2400, "2400", false},   {4800, "4800", false},   {9600, "9600", false},
    {19200, "19200", false}, {38400, "38400", false}, {57600, "57600", false}, {115200, "115200", true},
};

// The texts in the table's order.
QStringList BaudRateTexts();
qint32 DefaultBaudRate();
QString DefaultBaudRateText();
bool IsListedBaudRate(qint32 rate);
// "1200, 2400, … 57600 and 115200", the last joined by the word given.
QString BaudRateListText(const QString &lastJoiner);
// The help of the command line's --baud.
QString BaudRateHelp();

// The table as the command line's first version reads it.
constexpr std::array<const char *, std::size(BAUD_RATES)> TextsOfBaudRates()
{
    std::array<const char *, std::size(BAUD_RATES)> texts{};
    for (std::size_t row = 0; row < texts.size(); ++row)
        texts[row] = BAUD_RATES[row].text;
    return texts;
}
constexpr int DefaultRowOfBaudRates()
{
    for (std::size_t row = 0; row < std::size(BAUD_RATES); ++row)
        if (BAUD_RATES[row].isDefault)
            return int(row);
    return -1;
}
inline constexpr std::array<const char *, std::size(BAUD_RATES)> BAUD_RATE_TEXTS = TextsOfBaudRates();
constexpr int DEFAULT_BAUD_RATE_INDEX = DefaultRowOfBaudRates();
static_assert(DEFAULT_BAUD_RATE_INDEX >= 0, "one listed rate is the default");

#endif
