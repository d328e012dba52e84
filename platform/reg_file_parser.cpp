#include "reg_file_parser.h"

#include <algorithm>
#include <array>

namespace platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char16_t kBackslash = u'\\';

// --- Text encodings ------------------------------------------------------------------------

void appendUtf8(std::string &out, char32_t c)
{
    const auto byte = [&out](std::uint32_t b) { out.push_back(static_cast<char>(b)); };
    if (c < 0x80) {
        byte(c);
    } else if (c < 0x800) {
        byte(0xC0 | (c >> 6));
        byte(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        byte(0xE0 | (c >> 12));
        byte(0x80 | ((c >> 6) & 0x3F));
        byte(0x80 | (c & 0x3F));
    } else {
        byte(0xF0 | (c >> 18));
        byte(0x80 | ((c >> 12) & 0x3F));
        byte(0x80 | ((c >> 6) & 0x3F));
        byte(0x80 | (c & 0x3F));
    }
}

void appendUtf16(std::u16string &out, char32_t c)
{
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
    } else {
        c -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    }
}

// Calls emit(c) for each character of UTF-8 text; each byte that does not start a well-formed
// sequence gives U+FFFD, so no input is lost silently and none is read past its end.
template<typename Emit>
void decodeUtf8(std::string_view text, Emit emit)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<std::uint8_t>(text[i]);
        std::size_t length = 0;
        char32_t c = 0;
        char32_t least = 0;
        if (lead < 0x80) {
            length = 1;
            c = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            c = lead & 0x1Fu;
            least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            c = lead & 0x0Fu;
            least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            c = lead & 0x07u;
            least = 0x10000;
        }
        bool ok = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; ok && k < length; ++k) {
            const auto next = static_cast<std::uint8_t>(text[i + k]);
            ok = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3Fu);
        }
        ok = ok && c >= least && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
        if (ok) {
            emit(c);
            i += length;
        } else {
            emit(kReplacement);
            ++i;
        }
    }
}

std::u16string utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    decodeUtf8(text, [&out](char32_t c) { appendUtf16(out, c); });
    return out;
}

std::string utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00
            && text[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10)
                                + (char32_t(text[i + 1]) - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

std::vector<std::uint8_t> toUtf16leBytes(std::u16string_view text)
{
    std::vector<std::uint8_t> out;
    out.reserve(text.size() * 2 + 2);
    for (const char16_t unit : text) {
        out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return out;
}

char32_t foldChar(char32_t c)
{
    if (c >= U'A' && c <= U'Z')
        return c + 0x20;
    if (c < 0xC0)
        return c;
    if (c <= 0xDE && c != 0xD7) // Latin-1 capitals
        return c + 0x20;
    if (c >= 0x100 && c <= 0x17F) { // Latin Extended-A: capital and small letters in pairs
        if (c == 0x178)
            return 0xFF;
        const bool smallIsOdd = (c <= 0x137) || (c >= 0x14A && c <= 0x177);
        const bool smallIsEven = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (smallIsOdd && c % 2 == 0)
            return c + 1;
        if (smallIsEven && c % 2 == 1)
            return c + 1;
        return c;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) // Greek capitals
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) // Cyrillic capitals with marks
        return c + 0x50;
    if (c >= 0x410 && c <= 0x42F) // Cyrillic capitals
        return c + 0x20;
    return c;
}

// --- Key paths -----------------------------------------------------------------------------

// The parts of a path joined by single backslashes, folded: the form keys are filed under.
std::string keyId(std::string_view path)
{
    std::string id;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start) {
            if (!id.empty())
                id += '\\';
            id += foldName(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return id;
}

constexpr std::array<std::string_view, 5> kRootNames = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_CURRENT_CONFIG"};

bool startsWithRoot(const std::string &id)
{
    const std::string_view first = std::string_view(id).substr(0, id.find('\\'));
    return std::any_of(kRootNames.begin(), kRootNames.end(),
                       [first](std::string_view root) { return foldName(root) == first; });
}

// --- Lines ---------------------------------------------------------------------------------

bool isSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\f' || c == u'\v';
}

std::u16string_view trimmed(std::u16string_view s)
{
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

// What may follow a complete entry on its line: blanks, then perhaps a comment.
bool onlyBlanksOrComment(std::u16string_view rest)
{
    rest = trimmed(rest);
    return rest.empty() || rest.front() == u';';
}

bool startsWithNoCase(std::u16string_view s, std::string_view prefix)
{
    if (s.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char16_t c = s[i];
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c + 0x20);
        if (c != static_cast<char16_t>(prefix[i]))
            return false;
    }
    return true;
}

int hexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// A quoted text at the start of s, with \\ and \" as escapes (any other backslash stands for
// itself). On success the text and what follows the closing quote.
std::optional<std::pair<std::u16string, std::u16string_view>> quoted(std::u16string_view s)
{
    if (s.empty() || s.front() != u'"')
        return std::nullopt;
    std::u16string text;
    for (std::size_t i = 1; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c == u'"')
            return std::make_pair(std::move(text), s.substr(i + 1));
        if (c == kBackslash && i + 1 < s.size() && (s[i + 1] == kBackslash || s[i + 1] == u'"'))
            ++i;
        text.push_back(s[i]);
    }
    return std::nullopt;
}

// 1 to 8 hex digits, written as their number in little-endian order.
std::optional<std::vector<std::uint8_t>> dword(std::u16string_view s)
{
    std::size_t digits = 0;
    std::uint32_t number = 0;
    while (digits < s.size() && hexDigit(s[digits]) >= 0) {
        if (digits == 8)
            return std::nullopt;
        number = (number << 4) | static_cast<std::uint32_t>(hexDigit(s[digits]));
        ++digits;
    }
    if (digits == 0 || !onlyBlanksOrComment(s.substr(digits)))
        return std::nullopt;
    return std::vector<std::uint8_t>{
        static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
        static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
}

// Comma-separated bytes of one or two hex digits each; blanks around them and a comma at the
// end are allowed, nothing may be empty in between.
std::optional<std::vector<std::uint8_t>> hexBytes(std::u16string_view s)
{
    std::vector<std::uint8_t> bytes;
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < s.size() && isSpace(s[i]))
            ++i;
    };
    skipBlanks();
    while (i < s.size() && s[i] != u';') {
        int value = 0;
        std::size_t digits = 0;
        while (i < s.size() && hexDigit(s[i]) >= 0 && digits < 3) {
            value = value * 16 + hexDigit(s[i]);
            ++digits;
            ++i;
        }
        if (digits == 0 || digits > 2)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(value));
        skipBlanks();
        if (i < s.size() && s[i] == u',') {
            ++i;
            skipBlanks();
        } else if (i < s.size() && s[i] != u';') {
            return std::nullopt;
        }
    }
    return bytes;
}

bool isStringType(RegType type)
{
    return type == reg::kString || type == reg::kExpandString || type == reg::kMultiString;
}

class Parser
{
public:
    Parser(std::u16string text, bool version4) : m_text(std::move(text)), m_version4(version4)
    {
    }

    RegFileModel run()
    {
        nextLine(); // the header, already checked
        while (m_pos <= m_text.size()) {
            const std::u16string_view line = trimmed(nextLine());
            if (line.empty() || line.front() == u';')
                continue;
            if (line.front() == u'[')
                section(line);
            else if (line.front() == u'"' || line.front() == u'@')
                value(line);
        }
        return std::move(m_model);
    }

private:
    std::u16string_view nextLine()
    {
        const std::u16string_view all(m_text);
        std::size_t end = all.find(u'\n', m_pos);
        if (end == std::u16string_view::npos)
            end = all.size();
        const std::u16string_view line = all.substr(m_pos, end - m_pos);
        m_pos = end + 1;
        return line;
    }

    void section(std::u16string_view line)
    {
        m_key.reset();
        const std::size_t close = line.rfind(u']');
        if (close == std::u16string_view::npos || !onlyBlanksOrComment(line.substr(close + 1)))
            return;
        std::u16string_view path = line.substr(1, close - 1);
        const bool remove = !path.empty() && path.front() == u'-';
        if (remove)
            path.remove_prefix(1);
        const std::string utf8Path = utf16ToUtf8(path);
        if (!startsWithRoot(keyId(utf8Path)))
            return;
        if (remove) {
            m_model.removeKey(utf8Path);
            return;
        }
        m_model.addKey(utf8Path);
        m_key = utf8Path;
    }

    void value(std::u16string_view line)
    {
        std::u16string name;
        std::u16string_view rest;
        bool named = true;
        if (line.front() == u'@') {
            rest = line.substr(1);
        } else if (auto parsed = quoted(line)) {
            name = std::move(parsed->first);
            rest = parsed->second;
        } else {
            named = false;
        }
        rest = trimmed(rest);
        named = named && !rest.empty() && rest.front() == u'=';
        if (named)
            rest = trimmed(rest.substr(1));

        // The data of a hex value may go on over the next lines, each but the last ending in
        // a backslash; they belong to this entry even when it turns out malformed.
        std::u16string data(rest);
        if (named && startsWithNoCase(rest, "hex")) {
            while (!data.empty() && data.back() == kBackslash && m_pos <= m_text.size()) {
                data.pop_back();
                data += trimmed(nextLine());
            }
        }
        if (!named || !m_key)
            return;

        const std::string utf8Name = utf16ToUtf8(name);
        if (auto value = valueData(data))
            m_model.setValue(*m_key, utf8Name, std::move(*value));
        else if (!data.empty() && data.front() == u'-' && onlyBlanksOrComment(data.substr(1)))
            m_model.removeValue(*m_key, utf8Name);
    }

    std::optional<RegFileValue> valueData(std::u16string_view data) const
    {
        if (!data.empty() && data.front() == u'"') {
            auto parsed = quoted(data);
            if (!parsed || !onlyBlanksOrComment(parsed->second))
                return std::nullopt;
            auto bytes = toUtf16leBytes(parsed->first);
            bytes.push_back(0);
            bytes.push_back(0);
            return RegFileValue{reg::kString, std::move(bytes)};
        }
        if (startsWithNoCase(data, "dword:")) {
            auto bytes = dword(data.substr(6));
            if (!bytes)
                return std::nullopt;
            return RegFileValue{reg::kDword, std::move(*bytes)};
        }
        if (!startsWithNoCase(data, "hex"))
            return std::nullopt;
        data.remove_prefix(3);
        RegType type = reg::kBinary;
        if (!data.empty() && data.front() == u'(') {
            const std::size_t close = data.find(u')');
            if (close == std::u16string_view::npos || close == 1 || close > 9)
                return std::nullopt;
            type = 0;
            for (std::size_t i = 1; i < close; ++i) {
                const int digit = hexDigit(data[i]);
                if (digit < 0)
                    return std::nullopt;
                type = (type << 4) | static_cast<RegType>(digit);
            }
            data.remove_prefix(close + 1);
        }
        if (data.empty() || data.front() != u':')
            return std::nullopt;
        auto bytes = hexBytes(data.substr(1));
        if (!bytes)
            return std::nullopt;
        if (m_version4 && isStringType(type)) {
            // A REGEDIT4 file writes string data in the 8-bit encoding; the registry holds it
            // in UTF-16LE.
            const std::string text(bytes->begin(), bytes->end());
            *bytes = utf8ToUtf16le(text);
        }
        return RegFileValue{type, std::move(*bytes)};
    }

    std::u16string m_text;
    bool m_version4;
    std::size_t m_pos = 0;
    std::optional<std::string> m_key; // the section being read; none after a bad or removed one
    RegFileModel m_model;
};

} // namespace

// --- Model ---------------------------------------------------------------------------------

bool RegFileModel::hasKey(std::string_view keyPath) const
{
    // A key exists when it was named itself or when a key below it was: parents are not filed
    // one by one, or a deeply nested path would cost memory by the square of its length.
    const std::string id = keyId(keyPath);
    if (id.empty())
        return false;
    if (m_keys.count(id) != 0)
        return true;
    const std::string below = id + '\\';
    const auto next = m_keys.lower_bound(below);
    return next != m_keys.end() && next->first.starts_with(below);
}

const RegFileValue *RegFileModel::findValue(std::string_view keyPath,
                                            std::string_view valueName) const
{
    const auto key = m_keys.find(keyId(keyPath));
    if (key == m_keys.end())
        return nullptr;
    const auto value = key->second.find(foldName(valueName));
    return value == key->second.end() ? nullptr : &value->second;
}

void RegFileModel::addKey(std::string_view keyPath)
{
    const std::string id = keyId(keyPath);
    if (!id.empty())
        m_keys[id];
}

void RegFileModel::setValue(std::string_view keyPath, std::string_view valueName,
                            RegFileValue value)
{
    addKey(keyPath);
    const std::string id = keyId(keyPath);
    if (!id.empty())
        m_keys[id][foldName(valueName)] = std::move(value);
}

void RegFileModel::removeKey(std::string_view keyPath)
{
    const std::string id = keyId(keyPath);
    if (id.empty())
        return;
    // The keys below sort together after "id\\"; a sibling such as "id x" may sort between
    // the key and them, so the two are looked up apart.
    const std::string below = id + '\\';
    std::size_t removed = m_keys.erase(id);
    for (auto it = m_keys.lower_bound(below); it != m_keys.end() && it->first.starts_with(below);) {
        it = m_keys.erase(it);
        ++removed;
    }
    // The parent stays, even where it was known only through the key just removed.
    const std::size_t parentEnd = id.rfind('\\');
    if (removed != 0 && parentEnd != std::string::npos)
        m_keys[id.substr(0, parentEnd)];
}

void RegFileModel::removeValue(std::string_view keyPath, std::string_view valueName)
{
    const auto key = m_keys.find(keyId(keyPath));
    if (key != m_keys.end())
        key->second.erase(foldName(valueName));
}

// --- Free functions ------------------------------------------------------------------------

std::optional<RegFileModel> parseRegFile(std::string_view bytes)
{
    std::u16string text;
    if (bytes.size() >= 2 && static_cast<std::uint8_t>(bytes[0]) == 0xFF
        && static_cast<std::uint8_t>(bytes[1]) == 0xFE) {
        text.reserve(bytes.size() / 2);
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i])
                                                 | (static_cast<std::uint8_t>(bytes[i + 1]) << 8)));
    } else {
        if (bytes.starts_with("\xEF\xBB\xBF"))
            bytes.remove_prefix(3);
        text = utf8ToUtf16(bytes);
    }

    const std::u16string_view header =
        trimmed(std::u16string_view(text).substr(0, text.find(u'\n')));
    bool version4 = false;
    if (header == u"REGEDIT4")
        version4 = true;
    else if (header != u"Windows Registry Editor Version 5.00")
        return std::nullopt;
    return Parser(std::move(text), version4).run();
}

std::string utf16leToUtf8(const std::uint8_t *data, std::size_t size)
{
    std::u16string units;
    units.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2)
        units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    return utf16ToUtf8(units);
}

std::vector<std::uint8_t> utf8ToUtf16le(std::string_view text)
{
    return toUtf16leBytes(utf8ToUtf16(text));
}

std::string foldName(std::string_view name)
{
    std::string out;
    out.reserve(name.size());
    decodeUtf8(name, [&out](char32_t c) { appendUtf8(out, foldChar(c)); });
    return out;
}

} // namespace platform
