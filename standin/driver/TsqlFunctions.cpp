#include "TsqlFunctions.h"

#include "StandinDriver.h"

#include <QChar>

#include <sqlite3.h>

#include <cmath>

namespace standin {
namespace {

constexpr qint64 kMsecPerDay = 86400000;
// Days from 1970-01-01 back to 1900-01-01, SQL Server's zero date.
constexpr qint64 kDaysTo1900 = -25567;

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
qint64 daysFromCivil(qint64 y, int m, int d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(qint64 z, TsqlDateTime *out)
{
    z += 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    const int month = int(mp < 10 ? mp + 3 : mp - 9);
    out->year = int(yoe + era * 400 + (month <= 2));
    out->month = month;
    out->day = int(doy - (153 * mp + 2) / 5 + 1);
}

// Reads exactly `count` digits at `pos`.
bool readDigits(QByteArrayView text, qsizetype &pos, int count, int *value)
{
    if (pos + count > text.size())
        return false;
    int v = 0;
    for (int i = 0; i < count; ++i) {
        const char c = text[pos + i];
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    pos += count;
    *value = v;
    return true;
}

// "HH:mm[:ss[.f...]]" from `pos` to the end of the text.
bool readTime(QByteArrayView text, qsizetype pos, TsqlDateTime *out)
{
    if (!readDigits(text, pos, 2, &out->hour) || pos >= text.size() || text[pos++] != ':'
        || !readDigits(text, pos, 2, &out->minute))
        return false;
    if (pos < text.size()) {
        if (text[pos++] != ':' || !readDigits(text, pos, 2, &out->second))
            return false;
        if (pos < text.size()) {
            if (text[pos++] != '.')
                return false;
            const qsizetype first = pos;
            int msec = 0;
            while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
                if (pos - first < 3)
                    msec = msec * 10 + (text[pos] - '0');
                ++pos;
            }
            const qsizetype digits = pos - first;
            if (digits < 1 || digits > 7 || pos != text.size())
                return false;
            for (qsizetype i = digits; i < 3; ++i)
                msec *= 10;
            out->msec = msec;
        }
    }
    return out->hour < 24 && out->minute < 60 && out->second < 60;
}

// Decodes one code point of UTF-8; a byte that does not start a valid
// sequence stands for itself (as Latin-1).
char32_t nextCodePoint(const uchar *s, qsizetype size, qsizetype &i)
{
    const uchar lead = s[i++];
    if (lead < 0x80)
        return lead;
    int extra = 0;
    char32_t cp = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
    } else {
        return lead;
    }
    if (i + extra > size)
        return lead;
    for (int k = 0; k < extra; ++k) {
        if ((s[i + k] & 0xC0) != 0x80)
            return lead;
        cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    i += extra;
    return cp;
}

// The sort weight of one character: its case-folded code point, spread out
// so that æ, ø and å fit between z and the next code point.
quint32 collationWeight(char32_t c)
{
    if (c < 0x80) {
        if (c >= 'A' && c <= 'Z')
            c += 'a' - 'A';
        return quint32(c) * 4;
    }
    c = QChar::toCaseFolded(c);
    switch (c) {
    case 0x00E6: // æ
        return 'z' * 4 + 1;
    case 0x00F8: // ø
        return 'z' * 4 + 2;
    case 0x00E5: // å
        return 'z' * 4 + 3;
    default:
        return quint32(c) * 4;
    }
}

qsizetype withoutTrailingBlanks(QByteArrayView text)
{
    qsizetype size = text.size();
    while (size > 0 && text[size - 1] == ' ')
        --size;
    return size;
}

QByteArrayView valueText(sqlite3_value *value)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
    return QByteArrayView(text, sqlite3_value_bytes(value));
}

void resultText(sqlite3_context *context, QByteArrayView text)
{
    sqlite3_result_text(context, text.data(), int(text.size()), SQLITE_TRANSIENT);
}

void resultError(sqlite3_context *context, const QString &message)
{
    const QByteArray utf8 = message.toUtf8();
    sqlite3_result_error(context, utf8.constData(), int(utf8.size()));
}

enum class Read { Null, Value, Failed };

// Reads a date/time argument; for NULL and for a failure the function's
// result is already set.
Read readDateTime(sqlite3_context *context, sqlite3_value *value, TsqlDateTime *out)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
        sqlite3_result_null(context);
        return Read::Null;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        *out = tsqlDateTimeFromDays(sqlite3_value_double(value));
        return Read::Value;
    case SQLITE_TEXT: {
        const QByteArrayView text = valueText(value);
        if (parseTsqlDateTime(text, out))
            return Read::Value;
        resultError(context, QStringLiteral("Conversion failed when converting date and/or time from character string '%1'.")
                                 .arg(QString::fromUtf8(text)));
        return Read::Failed;
    }
    default:
        resultError(context, QStringLiteral("A binary value cannot be read as a date/time."));
        return Read::Failed;
    }
}

void dateStyleFunction(sqlite3_context *context, int, sqlite3_value **argv)
{
    TsqlDateTime value;
    if (readDateTime(context, argv[0], &value) != Read::Value)
        return;
    const QString text = formatTsqlDateTime(value, sqlite3_value_int(argv[1]));
    if (text.isEmpty()) {
        resultError(context, QStringLiteral("CONVERT style %1 is not supported.").arg(sqlite3_value_int(argv[1])));
        return;
    }
    resultText(context, text.toLatin1());
}

void weekdayFunction(sqlite3_context *context, int, sqlite3_value **argv)
{
    TsqlDateTime value;
    if (readDateTime(context, argv[0], &value) == Read::Value)
        sqlite3_result_text(context, tsqlWeekdayName(value), -1, SQLITE_STATIC);
}

void yearFunction(sqlite3_context *context, int, sqlite3_value **argv)
{
    TsqlDateTime value;
    if (readDateTime(context, argv[0], &value) == Read::Value)
        sqlite3_result_int(context, value.year);
}

// The conversion to char(n) (pad) or varchar(n).
void toCharacters(sqlite3_context *context, sqlite3_value **argv, bool pad)
{
    const int length = sqlite3_value_int(argv[1]);
    QByteArray text;
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        sqlite3_result_null(context);
        return;
    case SQLITE_INTEGER:
        text = QByteArray::number(sqlite3_value_int64(argv[0]));
        // T-SQL shows an integer that does not fit as "*" rather than cut it.
        if (text.size() > length)
            text = QByteArrayLiteral("*");
        break;
    case SQLITE_TEXT: {
        const QByteArrayView value = valueText(argv[0]);
        qsizetype characters = 0;
        qsizetype end = 0;
        while (end < value.size()) {
            if ((uchar(value[end]) & 0xC0) != 0x80) {
                if (characters == length)
                    break;
                ++characters;
            }
            ++end;
        }
        text = value.first(end).toByteArray();
        break;
    }
    case SQLITE_FLOAT:
        resultError(context, QStringLiteral("Converting a floating-point value to character data is not supported."));
        return;
    default:
        resultError(context, QStringLiteral("Converting a binary value to character data is not supported."));
        return;
    }
    if (pad) {
        qsizetype characters = 0;
        for (const char c : std::as_const(text))
            characters += (uchar(c) & 0xC0) != 0x80;
        if (characters < length)
            text.append(length - characters, ' ');
    }
    resultText(context, text);
}

void varcharFunction(sqlite3_context *context, int, sqlite3_value **argv)
{
    toCharacters(context, argv, false);
}

void charFunction(sqlite3_context *context, int, sqlite3_value **argv)
{
    toCharacters(context, argv, true);
}

bool textToInteger(QByteArrayView text, qint64 *out)
{
    const QByteArray trimmed = text.toByteArray().trimmed();
    if (trimmed.isEmpty()) {
        *out = 0;
        return true;
    }
    bool ok = false;
    *out = trimmed.toLongLong(&ok, 10);
    return ok;
}

bool textToDouble(QByteArrayView text, double *out)
{
    const QByteArray trimmed = text.toByteArray().trimmed();
    if (trimmed.isEmpty()) {
        *out = 0;
        return true;
    }
    bool ok = false;
    *out = trimmed.toDouble(&ok);
    return ok;
}

void addFunction(sqlite3_context *context, int, sqlite3_value **argv)
{
    const int typeA = sqlite3_value_type(argv[0]);
    const int typeB = sqlite3_value_type(argv[1]);
    if (typeA == SQLITE_NULL || typeB == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    if (typeA == SQLITE_BLOB || typeB == SQLITE_BLOB) {
        resultError(context, QStringLiteral("'+' on a binary value is not supported."));
        return;
    }
    if (typeA == SQLITE_TEXT && typeB == SQLITE_TEXT) {
        QByteArray joined = valueText(argv[0]).toByteArray();
        joined += valueText(argv[1]);
        resultText(context, joined);
        return;
    }
    // At least one number: T-SQL converts the text side to the number's type.
    const int numberType = typeA == SQLITE_TEXT ? typeB : typeA;
    if (numberType == SQLITE_INTEGER && typeA != SQLITE_FLOAT && typeB != SQLITE_FLOAT) {
        qint64 a = 0;
        qint64 b = 0;
        for (int i = 0; i < 2; ++i) {
            qint64 &v = i == 0 ? a : b;
            if (sqlite3_value_type(argv[i]) == SQLITE_TEXT) {
                if (!textToInteger(valueText(argv[i]), &v)) {
                    resultError(context, QStringLiteral("Conversion failed when converting the varchar value '%1' to data type int.")
                                             .arg(QString::fromUtf8(valueText(argv[i]))));
                    return;
                }
            } else {
                v = sqlite3_value_int64(argv[i]);
            }
        }
        qint64 sum = 0;
        if (__builtin_add_overflow(a, b, &sum)) {
            resultError(context, QStringLiteral("Arithmetic overflow error converting expression to data type bigint."));
            return;
        }
        sqlite3_result_int64(context, sum);
        return;
    }
    double a = 0;
    double b = 0;
    for (int i = 0; i < 2; ++i) {
        double &v = i == 0 ? a : b;
        if (sqlite3_value_type(argv[i]) == SQLITE_TEXT) {
            if (!textToDouble(valueText(argv[i]), &v)) {
                resultError(context, QStringLiteral("Error converting data type varchar to float."));
                return;
            }
        } else {
            v = sqlite3_value_double(argv[i]);
        }
    }
    sqlite3_result_double(context, a + b);
}

int collationCallback(void *, int sizeA, const void *a, int sizeB, const void *b)
{
    return compareTsqlText(QByteArrayView(static_cast<const char *>(a), sizeA),
                           QByteArrayView(static_cast<const char *>(b), sizeB));
}

} // namespace

bool parseTsqlDateTime(QByteArrayView text, TsqlDateTime *out)
{
    text = text.trimmed();
    TsqlDateTime value;
    qsizetype pos = 0;
    if (text.size() >= 10 && text[4] == '-') {
        if (!readDigits(text, pos, 4, &value.year) || text[pos++] != '-'
            || !readDigits(text, pos, 2, &value.month) || text[pos++] != '-'
            || !readDigits(text, pos, 2, &value.day))
            return false;
        if (value.month < 1 || value.month > 12 || value.day < 1
            || value.day > daysInMonth(value.year, value.month))
            return false;
        if (pos < text.size()) {
            if (text[pos] != ' ' && text[pos] != 'T')
                return false;
            if (!readTime(text, pos + 1, &value))
                return false;
        }
    } else if (!readTime(text, pos, &value)) {
        return false;
    }
    *out = value;
    return true;
}

TsqlDateTime tsqlDateTimeFromDays(double days)
{
    double whole = std::floor(days);
    qint64 msec = std::llround((days - whole) * double(kMsecPerDay));
    if (msec >= kMsecPerDay) {
        whole += 1;
        msec -= kMsecPerDay;
    }
    TsqlDateTime value;
    civilFromDays(qint64(whole) + kDaysTo1900, &value);
    value.hour = int(msec / 3600000);
    value.minute = int(msec / 60000 % 60);
    value.second = int(msec / 1000 % 60);
    value.msec = int(msec % 1000);
    return value;
}

QString formatTsqlDateTime(const TsqlDateTime &value, int style)
{
    switch (style) {
    case 103:
        return QString::asprintf("%02d/%02d/%04d", value.day, value.month, value.year);
    case 14:
        return QString::asprintf("%02d:%02d:%02d:%03d", value.hour, value.minute, value.second, value.msec);
    default:
        return QString();
    }
}

const char *tsqlWeekdayName(const TsqlDateTime &value)
{
    static const char *const names[] = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                        "Thursday", "Friday", "Saturday"};
    // 1970-01-01 was a Thursday.
    const qint64 days = daysFromCivil(value.year, value.month, value.day);
    return names[((days + 4) % 7 + 7) % 7];
}

int compareTsqlText(QByteArrayView a, QByteArrayView b)
{
    const qsizetype sizeA = withoutTrailingBlanks(a);
    const qsizetype sizeB = withoutTrailingBlanks(b);
    const auto *textA = reinterpret_cast<const uchar *>(a.data());
    const auto *textB = reinterpret_cast<const uchar *>(b.data());
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < sizeA && j < sizeB) {
        const quint32 weightA = collationWeight(nextCodePoint(textA, sizeA, i));
        const quint32 weightB = collationWeight(nextCodePoint(textB, sizeB, j));
        if (weightA != weightB)
            return weightA < weightB ? -1 : 1;
    }
    if (i < sizeA)
        return 1;
    return j < sizeB ? -1 : 0;
}

int installTsqlFunctions(sqlite3 *db)
{
    struct Function {
        const char *name;
        int arguments;
        void (*body)(sqlite3_context *, int, sqlite3_value **);
    };
    static const Function functions[] = {
        {tsqlfn::add, 2, addFunction},
        {tsqlfn::dateStyle, 2, dateStyleFunction},
        {tsqlfn::toVarchar, 2, varcharFunction},
        {tsqlfn::toChar, 2, charFunction},
        {tsqlfn::weekday, 1, weekdayFunction},
        {tsqlfn::year, 1, yearFunction},
    };
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    for (const Function &f : functions) {
        const int rc = sqlite3_create_function_v2(db, f.name, f.arguments, flags, nullptr, f.body,
                                                  nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            return rc;
    }
    return sqlite3_create_collation_v2(db, tsqlCollation, SQLITE_UTF8, nullptr, collationCallback, nullptr);
}

} // namespace standin
