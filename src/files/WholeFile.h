#pragma once

#include <QByteArray>
#include <QPair>
#include <QString>
#include <QVector>

#include <functional>

// Every file the station writes (pages, JSON documents, score files, the
// settings file, the log, downloaded pages) goes through these two, so that
// a reader never sees half a file and a failed write keeps the previous one.
//
// A file is written to a temporary beside it, "<name>.zeplive-tmp-" and six
// random letters or digits, which is synced to disk and then renamed over
// the file in one step. Only a write interrupted between the two (a kill, a
// power cut) leaves a temporary behind, and the tag in its name tells it
// from any file of an operator's (interruptedWriteTarget). As with
// QSaveFile, the new file keeps the permissions of the file it replaces (a
// new one gets those of any new file), and a symbolic link stays a link: on
// Unix its target gets the new content.

// Writes the bytes to the file at `path` through a temporary. The directory
// is created when missing. On failure returns false and sets `error` (when
// given) to a description; the previous file stays, and no temporary.
bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error);

// Writes several files as one publication: every file is written to its
// temporary first and committed (renamed) only when all were written, so
// that a page, its sibling page and its JSON document never show different
// states. On failure the previous files stay, with no temporary, and
// `error` names the file that failed: should a commit (the rename) fail
// after others succeeded, the files already replaced get their previous
// content back (a file that was not there is removed again), and `error`
// also names any that could not be.
bool writeWholeFiles(const QVector<QPair<QString, QByteArray>> &files, QString *error);

// For tests: `refuse` is asked with each file's path just before
// writeWholeFiles commits it, while the file's temporary, written whole, is
// on disk beside it; answering true makes that commit fail as a rename the
// system refuses would (the temporary is removed). An empty function, the
// default, refuses nothing.
void setCommitRefusal(const std::function<bool(const QString &path)> &refuse);

// Whether `fileName` (a name, no folder) is a temporary of these writers:
// the name of the file it would have been renamed to, "<name>" of
// "<name>.zeplive-tmp-XXXXXX", or empty for any other name. Only these
// writers make such names, so a file that has one is a leftover of an
// interrupted write (or of one under way). The whole name must have that
// form: an operator's copy such as "index.html.backup" or
// "S261207.cfg.kopier", or a temporary's name with anything after it, gives
// empty.
QString interruptedWriteTarget(const QString &fileName);

// Removes from `directory` the temporaries (interruptedWriteTarget) that
// writes interrupted between temporary and rename left there, whatever file
// they were meant for; any other file stays. Only plain files directly in
// `directory` are looked at: no folder is entered, and a symbolic link
// stays, even under a temporary's name (the writers make no links), so no
// link's target is ever removed. Each removal, or failure to remove, is
// told to `log` at level 1.
void removeInterruptedWrites(const QString &directory, const std::function<void(int, const QString &)> &log);

// The same for the one file at `path`: only its own temporaries go, where
// the writers put them (beside the file a symbolic link leads to, as the
// writers follow it); those of other files beside it stay.
void removeInterruptedWritesOf(const QString &path, const std::function<void(int, const QString &)> &log);
