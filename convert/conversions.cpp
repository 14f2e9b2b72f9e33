#include "conversions.h"

#include <algorithm>
#include <cctype>
#include <climits>

QString PadText(const QString &text, int width, const QString &side)
{
    if (text.size() >= width)
        return text;
    const QString run(width - text.size(), QLatin1Char('0'));
    return side == QLatin1String("L") ? run + text : text + run;
}

QString HexPairText(std::uint8_t value)
{
    return PadText(QString::number(value, 16).toUpper(), 2, QStringLiteral("L"));
}

int HexPairValue(const QString &text)
{
    int value = 0;
    for (const QChar c : text.left(2)) {
        const char16_t u = c.unicode();
        int digit;
        if (u >= u'0' && u <= u'9')
            digit = u - u'0';
        else if (u >= u'A' && u <= u'F')
            digit = u - u'A' + 10;
        else if (u >= u'a' && u <= u'f')
            digit = u - u'a' + 10;
        else
            break;
        value = value * 16 + digit;
    }
    return value;
}

namespace {

// Code of a character in a single-byte code page; characters outside ASCII are double-byte
// in the code pages meters' software runs under and read as negative codes.
int codeOf(QChar c)
{
    return c.unicode() < 0x80 ? int(c.unicode()) : -1;
}

} // namespace

std::optional<std::uint8_t> PairToByte(const QString &text)
{
    if (text.size() != 2)
        return std::uint8_t(0);
    const int high = codeOf(text.at(0)) - 48;
    const int low = codeOf(text.at(1)) - 48;
    if (high < 0 || high > 255 || low < 0 || low > 255)
        return std::nullopt;
    if (high > 9)
        return std::nullopt;
    const int value = high * 16 + low;
    if (value > 255)
        return std::nullopt;
    return std::uint8_t(value);
}

QString HexTrafficText(const QByteArray &bytes)
{
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    QString text(bytes.size() * 3, Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        *out++ = QChar(kDigits[b >> 4]);
        *out++ = QChar(kDigits[b & 0x0F]);
        *out++ = QChar(u' ');
    }
    return text;
}

QByteArray HexTextBytes(const QString &text)
{
    QString digits = text;
    digits.remove(QLatin1Char(' '));
    digits = digits.toUpper();
    qsizetype k = 0;
    while (k < digits.size() && digits.at(k).unicode() < 0x80 &&
           std::isxdigit(static_cast<unsigned char>(digits.at(k).toLatin1())))
        ++k;
    k -= k % 2;
    QByteArray bytes;
    bytes.reserve(k / 2);
    for (qsizetype i = 0; i < k; i += 2)
        bytes.append(char(HexPairValue(digits.mid(i, 2))));
    return bytes;
}

bool IsDecimalDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

bool IsDecimalDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), IsDecimalDigit);
}

namespace {

bool isHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return IsDecimalDigit(c) || (u >= u'A' && u <= u'F') || (u >= u'a' && u <= u'f');
}

} // namespace

template <typename Predicate> QString keepIf(const QString &text, Predicate keep)
{
    QString kept;
    for (const QChar c : text)
        if (keep(c))
            kept.append(c);
    return kept;
}

QString KeepDigits(const QString &text)
{
    return keepIf(text, IsDecimalDigit);
}

QString KeepHexDigits(const QString &text)
{
    return keepIf(text, isHexDigit);
}

int LeadingNumber(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    long long value = 0;
    for (; i < text.size() && IsDecimalDigit(text.at(i)); ++i) {
        value = value * 10 + (text.at(i).unicode() - u'0');
        if (value > INT_MAX)
            return INT_MAX;
    }
    return int(value);
}

std::uint8_t SumByte(const std::uint8_t *first, qsizetype count)
{
    unsigned sum = 0;
    for (qsizetype i = 0; i < count; ++i)
        sum += first[i];
    return std::uint8_t(sum & 0xFF);
}

std::uint8_t SumByte(QByteArrayView bytes, qsizetype from, qsizetype to)
{
    return SumByte(reinterpret_cast<const std::uint8_t *>(bytes.constData()) + from, to - from);
}

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}
