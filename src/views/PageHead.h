#pragma once

#include <QString>

// The head of the station's HTML result pages: UTF-8, a refresh every so
// many seconds, a style sheet and the body colour. Every result view writes
// its pages' heads through here so that the arena screens get the same
// opening on every page.
namespace PageHead {

// From "<html>" up to and including the "<body ...>" tag, without a line
// feed after it. The title is text (escaped here); refresh, style sheet and
// colour are settings, written as they stand.
QString html(const QString &title, const QString &refresh, const QString &css,
             const QString &background);

} // namespace PageHead
