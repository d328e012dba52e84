#include "reg_file_parser.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringTokenizer>
#include <QSysInfo>
#include <QtEndian>

#include <algorithm>

namespace platform {

namespace {

const QLatin1StringView kHeader5("Windows Registry Editor Version 5.00");
const QLatin1StringView kHeader4("REGEDIT4");
constexpr qsizetype kDwordDigits = 8;
constexpr qsizetype kTypeDigits = 8;
constexpr qsizetype kByteDigits = 2;

// Text in the 8-bit encoding of a file without a byte-order mark: UTF-8 where the bytes are
// valid UTF-8, otherwise the ANSI code page in which Windows writes REGEDIT4 files.
QString from8Bit(QByteArrayView bytes)
{
    const auto flags = QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom;
    QStringDecoder utf8(QStringDecoder::Utf8, flags);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder ansi("Windows-1252", flags);
    return ansi(bytes);
}

QString decodeFile(QByteArrayView bytes)
{
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder utf16(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless);
        return utf16(bytes.sliced(2));
    }
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.sliced(3));
    return from8Bit(bytes);
}

// The text's UTF-16LE bytes, with its terminating zero where asked: a string value as the
// registry holds it.
QByteArray toUtf16le(const QString &text, bool withZero = false)
{
    const qsizetype units = text.size() + (withZero ? 1 : 0);
    if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        // A QString's own units, and the zero that always follows them: one copy, no encoder.
        return QByteArray(reinterpret_cast<const char *>(text.utf16()), units * 2);
    }
    QStringEncoder encoder(QStringEncoder::Utf16LE);
    return encoder(withZero ? text + QChar(0) : text);
}

bool startsWithRoot(const QString &id)
{
    const QStringView first = QStringView(id).left(id.indexOf(u'\\'));
    return std::any_of(reg::kRootKeys.begin(), reg::kRootKeys.end(), [first](const auto &key) {
        const QLatin1StringView name(key.name.data(), qsizetype(key.name.size()));
        return first.compare(name, Qt::CaseInsensitive) == 0;
    });
}

// What may follow a complete entry on its line: blanks, then perhaps a comment.
bool onlyComment(QStringView rest)
{
    rest = rest.trimmed();
    return rest.isEmpty() || rest.front() == u';';
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    const char16_t lower = u | 0x20;
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    return lower >= u'a' && lower <= u'f' ? lower - u'a' + 10 : -1;
}

// A quoted text at the start of s, with \\ and \" as escapes (any other backslash stands for
// itself), and what follows the closing quote.
std::optional<std::pair<QString, QStringView>> quoted(QStringView s)
{
    QString text;
    qsizetype runStart = 1; // of the characters not yet copied
    for (qsizetype i = 1; i < s.size(); ++i) {
        if (s[i] == u'"') {
            text += s.sliced(runStart, i - runStart);
            return std::pair{text, s.sliced(i + 1)};
        }
        if (s[i] == u'\\' && i + 1 < s.size() && (s[i + 1] == u'\\' || s[i + 1] == u'"')) {
            text += s.sliced(runStart, i - runStart);
            runStart = ++i;
        }
    }
    return std::nullopt;
}

// 1 to 8 hex digits, as their number in little-endian order.
std::optional<QByteArray> dword(QStringView s)
{
    quint32 number = 0;
    qsizetype digits = 0;
    for (; digits < s.size() && hexDigit(s[digits]) >= 0; ++digits) {
        if (digits == kDwordDigits)
            return std::nullopt;
        number = number << 4 | quint32(hexDigit(s[digits]));
    }
    if (digits == 0 || !onlyComment(s.sliced(digits)))
        return std::nullopt;
    QByteArray bytes(sizeof number, Qt::Uninitialized);
    qToLittleEndian(number, bytes.data());
    return bytes;
}

class Parser
{
public:
    Parser(QStringView text, bool version4) : m_text(text), m_version4(version4) {}

    RegFileModel run()
    {
        nextLine(); // the header, already checked
        while (const auto line = nextLine()) {
            if (line->startsWith(u'['))
                section(*line);
            else if (line->startsWith(u'"') || line->startsWith(u'@'))
                entry(*line);
        }
        return std::move(m_model);
    }

private:
    std::optional<QStringView> nextLine()
    {
        if (m_pos > m_text.size())
            return std::nullopt;
        qsizetype end = m_text.indexOf(u'\n', m_pos);
        if (end < 0)
            end = m_text.size();
        const QStringView line = m_text.sliced(m_pos, end - m_pos).trimmed();
        m_pos = end + 1;
        return line;
    }

    void section(QStringView line)
    {
        m_values = nullptr;
        // A key's name may hold ']': it runs to the last one on the line.
        const qsizetype close = line.lastIndexOf(u']');
        if (close < 0 || !onlyComment(line.sliced(close + 1)))
            return;
        QStringView path = line.sliced(1, close - 1);
        const bool remove = path.startsWith(u'-');
        if (remove)
            path = path.sliced(1);
        const QString id = RegFileModel::keyId(path);
        if (!startsWithRoot(id))
            return;
        if (remove)
            m_model.removeKey(id);
        else
            m_values = &m_model.addKey(id);
    }

    void entry(QStringView line)
    {
        QString name;
        QStringView rest = line.sliced(1);
        if (line.front() == u'"') {
            auto parsed = quoted(line);
            if (!parsed)
                return;
            std::tie(name, rest) = std::move(*parsed);
        }
        rest = rest.trimmed();
        if (!m_values || !rest.startsWith(u'='))
            return;
        rest = rest.sliced(1).trimmed();
        if (rest.startsWith(u'-') && onlyComment(rest.sliced(1)))
            RegFileModel::removeValue(*m_values, name);
        else if (auto value = valueData(rest))
            RegFileModel::setValue(*m_values, std::move(name), std::move(*value));
    }

    std::optional<RegFileValue> valueData(QStringView text)
    {
        if (text.startsWith(u'"')) {
            const auto parsed = quoted(text);
            if (!parsed || !onlyComment(parsed->second))
                return std::nullopt;
            return RegFileValue{reg::kString, toUtf16le(parsed->first, true)};
        }
        if (text.startsWith(u"dword:", Qt::CaseInsensitive)) {
            auto bytes = dword(text.sliced(6));
            if (!bytes)
                return std::nullopt;
            return RegFileValue{reg::kDword, std::move(*bytes)};
        }
        if (!text.startsWith(u"hex", Qt::CaseInsensitive))
            return std::nullopt;
        text = text.sliced(3);
        RegType type = reg::kBinary;
        if (text.startsWith(u'(')) {
            const qsizetype close = text.indexOf(u')');
            if (close < 2 || close > kTypeDigits + 1)
                return std::nullopt;
            type = 0;
            for (const QChar c : text.sliced(1, close - 1)) {
                if (hexDigit(c) < 0)
                    return std::nullopt;
                type = type << 4 | RegType(hexDigit(c));
            }
            text = text.sliced(close + 1);
        }
        if (!text.startsWith(u':'))
            return std::nullopt;
        auto bytes = hexBytes(text.sliced(1));
        if (!bytes)
            return std::nullopt;
        // A REGEDIT4 file writes string data in its 8-bit encoding; the registry holds UTF-16LE.
        if (m_version4 && reg::isStringType(type))
            *bytes = toUtf16le(from8Bit(*bytes));
        return RegFileValue{type, std::move(*bytes)};
    }

    // Bytes of one or two hex digits separated by commas. Where a byte could start, a backslash
    // (perhaps followed by a comment) continues them on the next line that is not blank or a
    // comment. Anything else, and data cut short by the end of the text or by a line that does
    // not go on with a hex digit, gives nullopt: a value is read whole or not at all.
    std::optional<QByteArray> hexBytes(QStringView s)
    {
        QByteArray bytes;
        qsizetype i = 0;
        const auto skipBlanks = [&] {
            while (i < s.size() && s[i].isSpace())
                ++i;
        };
        while (true) {
            skipBlanks();
            if (i == s.size() || s[i] == u';')
                return bytes;
            if (s[i] == u'\\') {
                const auto next = onlyComment(s.sliced(i + 1)) ? continuation() : std::nullopt;
                if (!next)
                    return std::nullopt;
                s = *next;
                i = 0;
                continue;
            }
            int value = 0;
            qsizetype digits = 0;
            for (; i < s.size() && digits <= kByteDigits && hexDigit(s[i]) >= 0; ++i, ++digits)
                value = value * 16 + hexDigit(s[i]);
            if (digits == 0 || digits > kByteDigits)
                return std::nullopt;
            bytes.append(char(value));
            skipBlanks();
            if (i < s.size() && s[i] == u',')
                ++i;
            else if (i < s.size() && s[i] != u';')
                return std::nullopt;
        }
    }

    // The next line of hex data; a line that is none is left to be read as an entry.
    std::optional<QStringView> continuation()
    {
        while (true) {
            const qsizetype start = m_pos;
            const auto line = nextLine();
            if (!line)
                return std::nullopt;
            if (line->isEmpty() || line->startsWith(u';'))
                continue;
            if (hexDigit(line->front()) >= 0)
                return line;
            m_pos = start;
            return std::nullopt;
        }
    }

    QStringView m_text;
    bool m_version4;
    qsizetype m_pos = 0;
    // The section being read; none after a bad or removed one.
    RegFileModel::Values *m_values = nullptr;
    RegFileModel m_model;
};

} // namespace

QString RegFileModel::keyId(QStringView keyPath)
{
    // Most paths have no empty part to drop: they are copied whole.
    const bool tidy = !keyPath.startsWith(u'\\') && !keyPath.endsWith(u'\\')
        && !keyPath.contains(u"\\\\");
    if (tidy)
        return keyPath.toString().toCaseFolded();
    QString id;
    id.reserve(keyPath.size());
    for (const QStringView part : keyPath.tokenize(u'\\', Qt::SkipEmptyParts)) {
        if (!id.isEmpty())
            id += u'\\';
        id += part;
    }
    return std::move(id).toCaseFolded();
}

bool RegFileModel::hasKey(const QString &keyPath) const
{
    // Parents are not filed one by one, or a deeply nested path would cost memory by the square
    // of its length.
    const QString id = keyId(keyPath);
    if (id.isEmpty())
        return false;
    if (m_keys.count(id) != 0)
        return true;
    const QString below = id + u'\\';
    const auto next = m_keys.lower_bound(below);
    return next != m_keys.end() && next->first.startsWith(below);
}

const RegFileModel::Values *RegFileModel::findKey(const QString &id) const
{
    const auto key = m_keys.find(id);
    return key == m_keys.end() ? nullptr : &key->second;
}

const RegFileValue *RegFileModel::findValue(const Values &key, const QString &valueName)
{
    const QString name = valueName.toCaseFolded();
    const auto line = std::find_if(key.rbegin(), key.rend(),
                                   [&name](const ValueLine &l) { return l.name == name; });
    return line == key.rend() || !line->value ? nullptr : &*line->value;
}

const RegFileValue *RegFileModel::findValue(const QString &keyPath,
                                            const QString &valueName) const
{
    const Values *key = findKey(keyId(keyPath));
    return key ? findValue(*key, valueName) : nullptr;
}

RegFileModel::Values &RegFileModel::addKey(const QString &id)
{
    return m_keys[id];
}

void RegFileModel::removeKey(const QString &id)
{
    // The keys below sort together after "id\"; a sibling such as "id x" may sort between the
    // key and them, so the two are looked up apart.
    const QString below = id + u'\\';
    std::size_t removed = m_keys.erase(id);
    for (auto it = m_keys.lower_bound(below); it != m_keys.end() && it->first.startsWith(below);) {
        it = m_keys.erase(it);
        ++removed;
    }
    const qsizetype parentEnd = id.lastIndexOf(u'\\');
    if (removed != 0 && parentEnd > 0)
        m_keys[id.first(parentEnd)];
}

void RegFileModel::setValue(Values &key, QString valueName, RegFileValue value)
{
    key.push_back({std::move(valueName).toCaseFolded(), std::move(value)});
}

void RegFileModel::removeValue(Values &key, const QString &valueName)
{
    key.push_back({valueName.toCaseFolded(), std::nullopt});
}

std::optional<RegFileModel> parseRegFile(QByteArrayView bytes)
{
    const QString text = decodeFile(bytes);
    const QStringView header = QStringView(text).left(text.indexOf(u'\n')).trimmed();
    const bool version4 = header == kHeader4;
    if (!version4 && header != kHeader5)
        return std::nullopt;
    return Parser(text, version4).run();
}

} // namespace platform
