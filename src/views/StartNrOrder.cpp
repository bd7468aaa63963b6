#include "views/StartNrOrder.h"

namespace startnr {

Key keyOf(const QString &text)
{
    const QString trimmed = text.trimmed();
    qsizetype digits = 0;
    while (digits < trimmed.size() && trimmed.at(digits).isDigit() && trimmed.at(digits).unicode() < 128)
        ++digits;
    Key key;
    bool ok = false;
    const int number = trimmed.left(digits).toInt(&ok);
    key.number = ok ? number : 0;
    key.letter = digits < trimmed.size() ? trimmed.at(digits).unicode() : char16_t(0);
    return key;
}

bool before(const QString &a, const QString &b)
{
    const Key ka = keyOf(a);
    const Key kb = keyOf(b);
    if (ka.number != kb.number)
        return ka.number < kb.number;
    return ka.letter < kb.letter;
}

} // namespace startnr
