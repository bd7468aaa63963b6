#pragma once

#include <QHash>
#include <QPoint>
#include <QSet>
#include <QStringList>
#include <QTableWidget>

#include <functional>

// The editable score table of a championship sheet. Every cell holds an
// item, so a read-only column stays read-only also in empty rows.
//
// valueChanged(row, column) reports an operator's edit only: it is sent
// once the editor has closed and only when the cell's text changed. The
// toolkit's own change signals also fire on the program's writes (loading,
// reading the score file), and an edit path run by those would save a
// half-filled sheet over the score file.
class ChampScoreTable : public QTableWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(ChampScoreTable)

public:
    explicit ChampScoreTable(QWidget *parent = nullptr);

    void setColumnTitles(const QStringList &titles);
    QString columnTitle(int column) const;
    void setColumnTitle(int column, const QString &title);

    // What the operator types is kept in the form `form` gives it (the
    // form its score file brings back), before valueChanged reports it.
    void setTypedForm(std::function<QString(const QString &)> form);

    void setColumnReadOnly(int column, bool readOnly);
    bool isColumnReadOnly(int column) const;

    // The columns take the widths of their contents and titles when the
    // sheet calls this (at a load) and keep them until the next call: what
    // the operator types, a tick's update of a cell or a correction never
    // moves a column under his pointer. A value wider than its column is
    // shown cut, and whole in its tool tip.
    void fitColumns();
    // Makes room in `column`, at every fit, for `sample`: the widest text the
    // program writes there (a total), which is never cut.
    void setColumnRoom(int column, const QString &sample);

    // Where the table is scrolled to: the horizontal and the vertical
    // scroll bar's values. Setting it lays the rows and columns out first,
    // so that a table just filled takes the values.
    QPoint scrollPosition() const;
    void setScrollPosition(const QPoint &position);

    // Resizes the table; new cells are empty and take their column's flags.
    void setRows(int rows);

    QString text(int row, int column) const;
    void setText(int row, int column, const QString &text);
    QStringList rowTexts(int row) const;
    // A cell whose value does not count stands out (a light red ground and
    // bold text) for as long as it is flagged.
    void setFlagged(int row, int column, bool flagged);
    bool isFlagged(int row, int column) const;
    void clearRow(int row);

    // Takes an edit that is under way as the operator's (valueChanged
    // follows) and closes its editor.
    void finishEditing();
    bool isEditing() const { return state() == QAbstractItemView::EditingState; }

    // The first row whose column holds exactly `text`, or -1.
    int findRow(int column, const QString &text) const;

signals:
    void valueChanged(int row, int column);

protected:
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class ChampScoreDelegate;
    void fillItems();
    Qt::ItemFlags flagsOf(int column) const;

    QSet<int> m_readOnly;
    QHash<int, QString> m_room;
    std::function<QString(const QString &)> m_typedForm;
    int m_editedRow = -1;
    int m_editedColumn = -1;
};
