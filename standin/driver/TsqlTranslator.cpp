#include "TsqlTranslator.h"

#include "StandinDriver.h"
#include "TsqlFunctions.h"

#include <QList>
#include <QSet>

namespace standin {
namespace {

struct TranslationError
{
    QString message;
};

[[noreturn]] void fail(const QString &message)
{
    throw TranslationError{message};
}

enum class Kind { Word, Number, String, Placeholder, Punct, Group, Sql };

// One token of the statement, a parenthesised group of them, or a piece
// already translated (Sql, an expression that needs no further work).
struct Item
{
    Kind kind = Kind::Punct;
    QString text;
    bool space = false; // white space before it in the statement
    QList<Item> children;
};

using Items = QList<Item>;

const QSet<QString> &reservedWords()
{
    // Words that end an operand of "+" and that are never a function name.
    static const QSet<QString> words = {
        QStringLiteral("SELECT"), QStringLiteral("DISTINCT"), QStringLiteral("ALL"),
        QStringLiteral("FROM"), QStringLiteral("WHERE"), QStringLiteral("AND"),
        QStringLiteral("OR"), QStringLiteral("NOT"), QStringLiteral("ON"),
        QStringLiteral("AS"), QStringLiteral("JOIN"), QStringLiteral("INNER"),
        QStringLiteral("OUTER"), QStringLiteral("FULL"), QStringLiteral("CROSS"),
        QStringLiteral("ORDER"), QStringLiteral("GROUP"), QStringLiteral("BY"),
        QStringLiteral("HAVING"), QStringLiteral("ASC"), QStringLiteral("DESC"),
        QStringLiteral("IS"), QStringLiteral("IN"), QStringLiteral("LIKE"),
        QStringLiteral("BETWEEN"), QStringLiteral("ESCAPE"), QStringLiteral("SET"),
        QStringLiteral("UPDATE"), QStringLiteral("DELETE"), QStringLiteral("INSERT"),
        QStringLiteral("INTO"), QStringLiteral("VALUES"), QStringLiteral("CASE"),
        QStringLiteral("WHEN"), QStringLiteral("THEN"), QStringLiteral("ELSE"),
        QStringLiteral("END"), QStringLiteral("UNION"), QStringLiteral("EXISTS"),
    };
    return words;
}

bool isWord(const Item &item, const char *word)
{
    return item.kind == Kind::Word && item.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool isPunct(const Item &item, const char *punct)
{
    return item.kind == Kind::Punct && item.text == QLatin1String(punct);
}

bool isReserved(const Item &item)
{
    return item.kind == Kind::Word && reservedWords().contains(item.text.toUpper());
}

// LEFT and RIGHT join tables, but followed by "(" they are T-SQL functions.
bool isJoinSide(const Item &item)
{
    return isWord(item, "LEFT") || isWord(item, "RIGHT");
}

bool isIdentifierStart(QChar c)
{
    return c.isLetter() || c == u'_';
}

bool isIdentifierPart(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#' || c == u'@';
}

QString excerpt(const QString &text, qsizetype from, qsizetype to)
{
    return text.mid(from, qMin<qsizetype>(to - from, 40));
}

Items tokenize(const QString &sql)
{
    Items tokens;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    bool space = false;
    auto push = [&](Kind kind, const QString &text) {
        Item item;
        item.kind = kind;
        item.text = text;
        item.space = space;
        tokens.append(item);
        space = false;
    };
    while (i < n) {
        const QChar c = sql.at(i);
        const QChar next = i + 1 < n ? sql.at(i + 1) : QChar();
        if (c.isSpace()) {
            space = true;
            ++i;
        } else if (c == u'-' && next == u'-') {
            while (i < n && sql.at(i) != u'\n')
                ++i;
            space = true;
        } else if (c == u'/' && next == u'*') {
            const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
            if (end < 0)
                fail(QStringLiteral("unterminated comment"));
            i = end + 2;
            space = true;
        } else if (c == u'\'') {
            qsizetype j = i + 1;
            for (;;) {
                if (j >= n)
                    fail(QStringLiteral("unterminated string literal %1").arg(excerpt(sql, i, n)));
                if (sql.at(j) == u'\'') {
                    if (j + 1 < n && sql.at(j + 1) == u'\'') {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            push(Kind::String, sql.mid(i, j + 1 - i));
            i = j + 1;
        } else if ((c == u'N' || c == u'n') && next == u'\'') {
            fail(QStringLiteral("Unicode literal N'...' is not supported"));
        } else if (c == u'[') {
            fail(QStringLiteral("bracketed identifier %1 is not supported")
                     .arg(excerpt(sql, i, sql.indexOf(u']', i) < 0 ? n : sql.indexOf(u']', i) + 1)));
        } else if (c == u'"') {
            fail(QStringLiteral("double-quoted identifier %1 is not supported")
                     .arg(excerpt(sql, i, sql.indexOf(u'"', i + 1) < 0 ? n : sql.indexOf(u'"', i + 1) + 1)));
        } else if (c == u'@' || c == u'#') {
            qsizetype j = i + 1;
            while (j < n && isIdentifierPart(sql.at(j)))
                ++j;
            fail(c == u'@' ? QStringLiteral("variable %1 is not supported").arg(sql.mid(i, j - i))
                           : QStringLiteral("temporary table %1 is not supported").arg(sql.mid(i, j - i)));
        } else if (isIdentifierStart(c)) {
            qsizetype j = i + 1;
            while (j < n && isIdentifierPart(sql.at(j)))
                ++j;
            push(Kind::Word, sql.mid(i, j - i));
            i = j;
        } else if (c.isDigit() || (c == u'.' && next.isDigit())) {
            qsizetype j = i;
            while (j < n && sql.at(j).isDigit())
                ++j;
            if (j < n && sql.at(j) == u'.') {
                ++j;
                while (j < n && sql.at(j).isDigit())
                    ++j;
            }
            if (j < n && (sql.at(j) == u'e' || sql.at(j) == u'E')) {
                qsizetype k = j + 1;
                if (k < n && (sql.at(k) == u'+' || sql.at(k) == u'-'))
                    ++k;
                if (k < n && sql.at(k).isDigit()) {
                    while (k < n && sql.at(k).isDigit())
                        ++k;
                    j = k;
                }
            }
            push(Kind::Number, sql.mid(i, j - i));
            i = j;
        } else if (c == u':' && (isIdentifierStart(next) || next.isDigit())) {
            qsizetype j = i + 1;
            while (j < n && (sql.at(j).isLetterOrNumber() || sql.at(j) == u'_'))
                ++j;
            push(Kind::Placeholder, sql.mid(i, j - i));
            i = j;
        } else if (c == u'?') {
            push(Kind::Placeholder, QStringLiteral("?"));
            ++i;
        } else {
            static const char *const twoChar[] = {"<=", ">=", "<>", "!="};
            QString punct;
            for (const char *op : twoChar) {
                if (c == QLatin1Char(op[0]) && next == QLatin1Char(op[1]))
                    punct = QLatin1String(op);
            }
            if (punct.isEmpty() && QStringLiteral("(),.;*+-/%=<>").contains(c))
                punct = c;
            if (punct.isEmpty()) {
                if (c == u'!' && (next == u'<' || next == u'>'))
                    fail(QStringLiteral("operator %1 is not supported").arg(sql.mid(i, 2)));
                fail(QStringLiteral("unexpected character '%1'").arg(c));
            }
            push(Kind::Punct, punct);
            i += punct.size();
        }
    }
    return tokens;
}

// Nests the tokens inside each pair of parentheses into a Group item.
Items buildTree(const Items &tokens)
{
    QList<Items> stack;
    QList<Item> groups;
    stack.append(Items());
    for (const Item &token : tokens) {
        if (isPunct(token, "(")) {
            Item group;
            group.kind = Kind::Group;
            group.space = token.space;
            groups.append(group);
            stack.append(Items());
        } else if (isPunct(token, ")")) {
            if (groups.isEmpty())
                fail(QStringLiteral("unbalanced parenthesis ')'"));
            Item group = groups.takeLast();
            group.children = stack.takeLast();
            stack.last().append(group);
        } else {
            stack.last().append(token);
        }
    }
    if (!groups.isEmpty())
        fail(QStringLiteral("unbalanced parenthesis '('"));
    return stack.first();
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

QString render(Items::const_iterator begin, Items::const_iterator end)
{
    QString out;
    for (auto it = begin; it != end; ++it) {
        const QString text = it->kind == Kind::Group
            ? QLatin1Char('(') + render(it->children.cbegin(), it->children.cend()) + QLatin1Char(')')
            : it->text;
        // Keep the blanks of the statement, and never let two words run
        // together where a translated piece meets the next token.
        if (!out.isEmpty() && !text.isEmpty()
            && (it->space || (isWordChar(out.back()) && isWordChar(text.front()))))
            out += QLatin1Char(' ');
        out += text;
    }
    return out;
}

QString render(const Items &items)
{
    return render(items.cbegin(), items.cend());
}

Items translateLevel(const Items &items);

QString translated(const Items &items)
{
    return render(translateLevel(items));
}

// The arguments of a call: the group's items split at its top-level commas.
QList<Items> splitArguments(const Items &group)
{
    QList<Items> arguments;
    Items current;
    for (const Item &item : group) {
        if (isPunct(item, ",")) {
            arguments.append(current);
            current.clear();
        } else {
            current.append(item);
        }
    }
    if (!current.isEmpty() || !arguments.isEmpty())
        arguments.append(current);
    for (const Items &argument : std::as_const(arguments)) {
        if (argument.isEmpty())
            fail(QStringLiteral("empty argument in a function call"));
    }
    return arguments;
}

void expectArguments(const QString &function, const QList<Items> &arguments, int count)
{
    if (arguments.size() != count)
        fail(QStringLiteral("%1 takes %2 arguments, not %3").arg(function).arg(count).arg(arguments.size()));
}

QString textResult(const QString &sql)
{
    return QStringLiteral("(%1 COLLATE %2)").arg(sql, QLatin1String(tsqlCollation));
}

// A character type of CONVERT or CAST: the SQLite function that makes it,
// and its length. Without a length T-SQL takes 30.
struct CharacterType
{
    const char *function;
    int length;
};

CharacterType characterType(const QString &construct, const Items &type)
{
    const QString written = render(type);
    if (type.isEmpty() || type.first().kind != Kind::Word || type.size() > 2
        || (type.size() == 2 && type.at(1).kind != Kind::Group))
        fail(QStringLiteral("%1 to %2 is not supported").arg(construct, written));
    const QString name = type.first().text.toUpper();
    const char *function = nullptr;
    if (name == QLatin1String("VARCHAR"))
        function = tsqlfn::toVarchar;
    else if (name == QLatin1String("CHAR"))
        function = tsqlfn::toChar;
    else
        fail(QStringLiteral("%1 to %2 is not supported").arg(construct, written));
    int length = 30;
    if (type.size() == 2) {
        const Items &size = type.at(1).children;
        bool ok = false;
        if (size.size() == 1 && size.first().kind == Kind::Number)
            length = size.first().text.toInt(&ok);
        if (!ok || length < 1 || length > 8000)
            fail(QStringLiteral("%1 to %2 is not supported").arg(construct, written));
    }
    return {function, length};
}

QString convertCall(const QString &name, const QList<Items> &arguments)
{
    if (arguments.size() != 3)
        fail(arguments.size() == 2 ? QStringLiteral("CONVERT without a style is not supported")
                                   : QStringLiteral("%1 takes 3 arguments, not %2").arg(name).arg(arguments.size()));
    const CharacterType type = characterType(QStringLiteral("CONVERT"), arguments.at(0));
    const Items &style = arguments.at(2);
    const int styleNumber = style.size() == 1 && style.first().kind == Kind::Number ? style.first().text.toInt() : -1;
    if (styleNumber != 103 && styleNumber != 14)
        fail(QStringLiteral("CONVERT style %1 is not supported").arg(render(style)));
    return textResult(QStringLiteral("%1(%2(%3, %4), %5)")
                          .arg(QLatin1String(type.function), QLatin1String(tsqlfn::dateStyle),
                               translated(arguments.at(1)))
                          .arg(styleNumber)
                          .arg(type.length));
}

QString castCall(const Items &group)
{
    qsizetype as = -1;
    for (qsizetype i = 0; i < group.size(); ++i) {
        if (isWord(group.at(i), "AS"))
            as = i;
    }
    if (as <= 0 || as == group.size() - 1)
        fail(QStringLiteral("CAST needs the form CAST(expression AS type)"));
    const CharacterType type = characterType(QStringLiteral("CAST"), group.mid(as + 1));
    return textResult(QStringLiteral("%1(%2, %3)")
                          .arg(QLatin1String(type.function), translated(group.first(as)))
                          .arg(type.length));
}

QString builtinCall(const QString &name, const Items &group)
{
    const QString upper = name.toUpper();
    if (upper == QLatin1String("CAST"))
        return castCall(group);
    const QList<Items> arguments = splitArguments(group);
    if (upper == QLatin1String("CONVERT"))
        return convertCall(name, arguments);
    if (upper == QLatin1String("DATENAME")) {
        expectArguments(name, arguments, 2);
        const Items &part = arguments.at(0);
        if (part.size() != 1 || !(isWord(part.first(), "weekday") || isWord(part.first(), "dw")))
            fail(QStringLiteral("DATENAME part %1 is not supported").arg(render(part)));
        return textResult(QStringLiteral("%1(%2)").arg(QLatin1String(tsqlfn::weekday), translated(arguments.at(1))));
    }
    if (upper == QLatin1String("YEAR")) {
        expectArguments(name, arguments, 1);
        return QStringLiteral("%1(%2)").arg(QLatin1String(tsqlfn::year), translated(arguments.at(0)));
    }
    if (upper == QLatin1String("ISNULL")) {
        expectArguments(name, arguments, 2);
        return textResult(QStringLiteral("ifnull(%1, %2)").arg(translated(arguments.at(0)), translated(arguments.at(1))));
    }
    if (upper == QLatin1String("COUNT") || upper == QLatin1String("MAX"))
        return name + QLatin1Char('(') + translated(group) + QLatin1Char(')');
    fail(QStringLiteral("unknown function %1").arg(name));
}

// --- "+" -------------------------------------------------------------------

bool endsOperand(const Item &item)
{
    if (item.kind == Kind::Punct) {
        static const QSet<QString> ends = {
            QStringLiteral(","), QStringLiteral(";"), QStringLiteral("="), QStringLiteral("<"),
            QStringLiteral(">"), QStringLiteral("<="), QStringLiteral(">="), QStringLiteral("<>"),
            QStringLiteral("!=")};
        return ends.contains(item.text);
    }
    return isReserved(item) || isJoinSide(item);
}

// End of the primary expression at `pos` (pos itself when there is none).
qsizetype parsePrimary(const Items &items, qsizetype pos, qsizetype end)
{
    if (pos >= end)
        return pos;
    const Item &item = items.at(pos);
    switch (item.kind) {
    case Kind::Number:
    case Kind::String:
    case Kind::Placeholder:
    case Kind::Group:
    case Kind::Sql:
        return pos + 1;
    case Kind::Word: {
        qsizetype q = pos + 1;
        while (q + 1 < end && isPunct(items.at(q), ".")
               && (items.at(q + 1).kind == Kind::Word || isPunct(items.at(q + 1), "*")))
            q += 2;
        return q;
    }
    case Kind::Punct:
        if (isPunct(item, "-")) {
            const qsizetype q = parsePrimary(items, pos + 1, end);
            return q == pos + 1 ? pos : q;
        }
        return pos;
    }
    return pos;
}

// A primary with the operators that bind tighter than "+".
qsizetype parseTerm(const Items &items, qsizetype pos, qsizetype end)
{
    qsizetype q = parsePrimary(items, pos, end);
    if (q == pos)
        return pos;
    while (q < end && (isPunct(items.at(q), "*") || isPunct(items.at(q), "/") || isPunct(items.at(q), "%"))) {
        const qsizetype r = parsePrimary(items, q + 1, end);
        if (r == q + 1)
            fail(QStringLiteral("operator %1 without a right operand").arg(items.at(q).text));
        q = r;
    }
    return q;
}

bool endsPrimary(const Item &item)
{
    return item.kind == Kind::Number || item.kind == Kind::String || item.kind == Kind::Placeholder
        || item.kind == Kind::Group || item.kind == Kind::Sql
        || (item.kind == Kind::Word && !isReserved(item));
}

// Rewrites each chain "a + b + c" of a run of items between operand ends as
// tsql_add(tsql_add(a, b), c).
void rewriteSegment(const Items &items, qsizetype begin, qsizetype end, Items &out)
{
    for (qsizetype k = begin + 1; k < end; ++k) {
        if (isPunct(items.at(k), "-") && endsPrimary(items.at(k - 1)))
            fail(QStringLiteral("operator - in an expression with + is not supported"));
    }
    qsizetype pos = begin;
    while (pos < end) {
        qsizetype term = parseTerm(items, pos, end);
        if (term == pos) {
            if (isPunct(items.at(pos), "+"))
                fail(QStringLiteral("operator + without a left operand"));
            out.append(items.at(pos++));
            continue;
        }
        if (term >= end || !isPunct(items.at(term), "+")) {
            for (; pos < term; ++pos)
                out.append(items.at(pos));
            continue;
        }
        QString sum = render(items.cbegin() + pos, items.cbegin() + term);
        while (term < end && isPunct(items.at(term), "+")) {
            const qsizetype from = term + 1;
            const qsizetype to = parseTerm(items, from, end);
            if (to == from)
                fail(QStringLiteral("operator + without a right operand"));
            sum = QStringLiteral("%1(%2, %3)")
                      .arg(QLatin1String(tsqlfn::add), sum, render(items.cbegin() + from, items.cbegin() + to));
            term = to;
        }
        Item sql;
        sql.kind = Kind::Sql;
        sql.space = items.at(pos).space;
        sql.text = textResult(sum);
        out.append(sql);
        pos = term;
    }
}

Items rewritePlus(const Items &items)
{
    Items out;
    qsizetype pos = 0;
    while (pos < items.size()) {
        if (endsOperand(items.at(pos))) {
            out.append(items.at(pos++));
            continue;
        }
        qsizetype end = pos;
        bool plus = false;
        while (end < items.size() && !endsOperand(items.at(end)))
            plus = isPunct(items.at(end++), "+") || plus;
        if (plus) {
            rewriteSegment(items, pos, end, out);
        } else {
            for (; pos < end; ++pos)
                out.append(items.at(pos));
        }
        pos = end;
    }
    return out;
}

// --- statement ------------------------------------------------------------

Items translateLevel(const Items &items)
{
    Items out;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const Item &item = items.at(i);
        if (item.kind == Kind::Group) {
            Item group = item;
            group.children = translateLevel(item.children);
            out.append(group);
            continue;
        }
        if (item.kind != Kind::Word) {
            out.append(item);
            continue;
        }
        if (isWord(item, "TOP") || isWord(item, "COLLATE"))
            fail(QStringLiteral("%1 is not supported").arg(item.text.toUpper()));
        Item name = item;
        bool owned = false;
        if (isWord(item, "dbo") && i + 2 < items.size() && isPunct(items.at(i + 1), ".")
            && items.at(i + 2).kind == Kind::Word) {
            if (!out.isEmpty() && isPunct(out.last(), "."))
                fail(QStringLiteral("a database name before dbo. is not supported"));
            name = items.at(i + 2);
            name.space = item.space;
            owned = true;
            i += 2;
        }
        // The table after INTO is followed by its column list, not arguments.
        const bool afterInto = !out.isEmpty() && isWord(out.last(), "INTO");
        const bool call = i + 1 < items.size() && items.at(i + 1).kind == Kind::Group
            && (owned || !isReserved(name)) && !afterInto;
        if (!call) {
            out.append(name);
            continue;
        }
        const Items &group = items.at(i + 1).children;
        Item sql;
        sql.kind = Kind::Sql;
        sql.space = name.space;
        // The database's own functions exist on the handle under their plain
        // names; SQLite itself reports one that does not.
        sql.text = owned ? name.text + QLatin1Char('(') + translated(group) + QLatin1Char(')')
                         : builtinCall(name.text, group);
        out.append(sql);
        ++i;
    }
    return rewritePlus(out);
}

} // namespace

TsqlTranslator::Result TsqlTranslator::translate(const QString &tsql)
{
    Result result;
    try {
        Items items = buildTree(tokenize(tsql));
        for (qsizetype i = 0; i < items.size(); ++i) {
            if (isPunct(items.at(i), ";")) {
                if (i != items.size() - 1)
                    fail(QStringLiteral("more than one statement"));
                items.removeLast();
            }
        }
        if (items.isEmpty())
            fail(QStringLiteral("empty statement"));
        result.sql = translated(items);
    } catch (const TranslationError &error) {
        result.error = error.message;
    }
    return result;
}

} // namespace standin
