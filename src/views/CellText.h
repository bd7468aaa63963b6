#pragma once

class QTextDocument;

// The texts of a result page's table cells as a QTextDocument lays them out
// narrower than the page was made for, on a printed sheet or an arena
// screen alike. The pages join the words of every cell text with
// non-breaking blanks; in a narrow column a long name would then stand wider
// than its column and push the last columns out of sight.
namespace CellText {

// A short cell text (a number, a place, a status, a column title) is kept on
// one line. A longer one (names, a pedigree, the head's lines) may wrap
// between its words: its non-breaking blanks become ordinary ones. Only the
// document changes, in one edit.
void letLongTextsWrap(QTextDocument *document);

} // namespace CellText
