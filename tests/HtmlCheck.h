#pragma once

// A check of the station's pages that every page test shares.

#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

// What a browser's parser would stumble over: invalid UTF-8, a "<" or "&"
// that starts no tag or entity, a ">" in text, an attribute that does not
// parse, and table elements that do not nest (a new row or cell closes the
// open one, as HTML has it; a stray "</tr>" is ignored, as browsers do).
// Empty when there is nothing.
inline QString htmlProblem(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return QStringLiteral("not UTF-8");
    static const QRegularExpression tag(
        QStringLiteral("\\G<(/?)([a-zA-Z][a-zA-Z0-9]*)((?:\\s+[a-zA-Z-]+(?:\\s*=\\s*(?:\"[^\"]*\"|[^\\s\"'<>=`]+))?)*)\\s*>"));
    static const QRegularExpression entity(QStringLiteral("\\G&(?:nbsp|amp|lt|gt|quot|oslash|#[0-9]+);"));
    static const QStringList voids = {"meta", "link", "img", "br", "hr"};
    QStringList open;
    const auto popTo = [&open](const QStringList &names) {
        while (!open.isEmpty() && !names.contains(open.last()))
            open.removeLast();
    };
    for (int i = 0; i < text.size();) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('<')) {
            const auto m = tag.match(text, i);
            if (!m.hasMatch())
                return QStringLiteral("bad tag at %1: %2").arg(i).arg(text.mid(i, 40));
            const QString name = m.captured(2).toLower();
            i = m.capturedEnd();
            if (voids.contains(name))
                continue;
            if (m.captured(1).isEmpty()) {
                if (name == QLatin1String("tr") || name == QLatin1String("td")) {
                    if (!open.contains(name == QLatin1String("tr") ? QStringLiteral("table") : QStringLiteral("tr")))
                        return QStringLiteral("<%1> outside its parent at %2").arg(name).arg(i);
                    popTo(name == QLatin1String("tr") ? QStringList{"table"} : QStringList{"tr"});
                }
                open << name;
            } else if (open.contains(name)) {
                while (open.takeLast() != name) {
                }
            } else if (name != QLatin1String("tr")) {
                return QStringLiteral("stray </%1> at %2").arg(name).arg(i);
            }
        } else if (c == QLatin1Char('&')) {
            const auto m = entity.match(text, i);
            if (!m.hasMatch())
                return QStringLiteral("bad entity at %1: %2").arg(i).arg(text.mid(i, 20));
            i = m.capturedEnd();
        } else if (c == QLatin1Char('>')) {
            return QStringLiteral("'>' in text at %1").arg(i);
        } else {
            ++i;
        }
    }
    return open.isEmpty() ? QString() : QStringLiteral("left open: %1").arg(open.join(QLatin1Char(' ')));
}

