#pragma once

#include <QByteArray>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

// The class JSON document "klasse%1_%2.json" that every result view publishes
// beside its pages: the class's header fields, the titles of the view's list
// columns and every row of the list as shown.
//
// The layout is fixed (readers on the public results server depend on it):
// six lines, every header value a quoted string (numbers included), keys in
// the order given. Every string value is escaped as RFC 8259 says.
struct KlasseJsonDocument
{
    // The version of this layout, written into every document.
    static constexpr char FormatVersion[] = "1.06";


    // Key and value, in document order.
    QVector<QPair<QString, QString>> header;
    // One title per list column.
    QStringList columnTitles;
    // The list's rows from top to bottom, one text per column; missing cells
    // are written as empty texts.
    QVector<QStringList> rows;

    // The document as UTF-8 bytes.
    QByteArray toJson() const;
};

// The document of an arena while none of its classes is active: the head of
// a class document with class number 0 and the competition's federation
// number, no columns and no rows, so that a reader of the arena's JSON name
// sees the competition on show and no class of an earlier one.
QByteArray pauseJson(int bane, const QString &zepNr);
