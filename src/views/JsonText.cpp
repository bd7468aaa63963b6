#include "views/JsonText.h"

namespace JsonText {

namespace {

bool needsEscape(char16_t u)
{
    return u < 0x20 || u == u'"' || u == u'\\';
}

void appendEscaped(QString &out, QStringView text)
{
    const QChar *run = text.data();
    const QChar *const end = run + text.size();
    // Most texts need no escape at all: copy the runs between escapes whole.
    for (const QChar *p = run; p != end; ++p) {
        const char16_t u = p->unicode();
        if (!needsEscape(u))
            continue;
        out.append(run, p - run);
        run = p + 1;
        switch (u) {
        case u'"': out += QLatin1String("\\\""); break;
        case u'\\': out += QLatin1String("\\\\"); break;
        case u'\b': out += QLatin1String("\\b"); break;
        case u'\f': out += QLatin1String("\\f"); break;
        case u'\n': out += QLatin1String("\\n"); break;
        case u'\r': out += QLatin1String("\\r"); break;
        case u'\t': out += QLatin1String("\\t"); break;
        default: {
            static const char hex[] = "0123456789abcdef";
            const char code[] = {'\\', 'u', '0', '0', hex[u >> 4], hex[u & 0xf]};
            out += QLatin1String(code, sizeof code);
        }
        }
    }
    out.append(run, end - run);
}

} // namespace

QString escape(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    appendEscaped(out, text);
    return out;
}

QString quoted(const QString &text)
{
    QString out;
    appendQuoted(out, text);
    return out;
}

void appendQuoted(QString &out, QStringView text)
{
    out += QLatin1Char('"');
    appendEscaped(out, text);
    out += QLatin1Char('"');
}

} // namespace JsonText
