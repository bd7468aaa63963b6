#pragma once

#include <QByteArray>
#include <QPair>
#include <QString>
#include <QVector>

#include <functional>

// Every file the station writes (pages, JSON documents, score files, the
// settings file, the log, downloaded pages) goes through these two, so that
// a reader never sees half a file and a failed write keeps the previous one.

// Writes the bytes to the file at `path` through QSaveFile. The directory is
// created when missing. On failure returns false and sets `error` (when
// given) to a description; the previous file stays.
bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error);

// Writes several files as one publication: every file is written to its
// QSaveFile first and committed only when all were written, so that a page,
// its sibling page and its JSON document never show different states. On
// failure the previous files stay, and `error` names the file that failed:
// should a commit (the rename) fail after others succeeded, the files
// already replaced get their previous content back (a file that was not
// there is removed again), and `error` also names any that could not be.
bool writeWholeFiles(const QVector<QPair<QString, QByteArray>> &files, QString *error);

// For tests: `refuse` is asked with each file's path just before
// writeWholeFiles commits it; answering true makes that commit fail as a
// rename the system refuses would. An empty function, the default, refuses
// nothing.
void setCommitRefusal(const std::function<bool(const QString &path)> &refuse);

// The name that a temporary of these writers would have been renamed to, for
// a write interrupted between the two (a kill, a power cut): QSaveFile names
// its temporary "<name>.<six letters>" beside the file. Empty for any other
// name. The form alone cannot tell an operator's "<name>.backup" from a
// temporary: the caller decides by the name it gives.
QString interruptedWriteTarget(const QString &fileName);
