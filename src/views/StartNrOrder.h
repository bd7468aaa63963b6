#pragma once

#include <QString>

// The order of start numbers that every view shares: a start number may
// carry the letter of a secondary start number ("12A"), and such a number
// belongs right after its plain number, not above "1". Numbers compare by
// their leading digits, then by the first character after them (none
// first): 9, 10, 10A, 10B, 11. A text without leading digits counts as 0.
namespace startnr {

struct Key
{
    int number = 0;
    char16_t letter = 0;
};

Key keyOf(const QString &text);

// A strict weak order for std::stable_sort and list rows: true when `a`
// comes before `b`.
bool before(const QString &a, const QString &b);

} // namespace startnr
