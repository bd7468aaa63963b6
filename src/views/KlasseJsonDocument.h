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
