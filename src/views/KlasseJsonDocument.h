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

// Writes the bytes to the file at `path` through QSaveFile, so that a reader
// never sees half a document and a failed write keeps the previous file. The
// directory is created when missing. On failure returns false and sets
// `error` to a description.
bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error);

// Writes several files as one publication: every file is written to its
// QSaveFile first and committed only when all were written, so that a page,
// its sibling page and its JSON document never show different states. On
// failure nothing is committed, the previous files stay, and `error` names
// the file that failed.
bool writeWholeFiles(const QVector<QPair<QString, QByteArray>> &files, QString *error);
