#include "reg_file_parser.h"

#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringTokenizer>
#include <QSysInfo>
#include <QtEndian>

#include <algorithm>
#include <deque>
#include <memory_resource>

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

// A key's id from a path that is not all ASCII, folded by the Unicode tables.
QString foldedKeyId(QStringView keyPath)
{
    QString id;
    id.reserve(keyPath.size());
    for (const QStringView part : keyPath.tokenize(u'\\', Qt::SkipEmptyParts)) {
        if (!id.isEmpty())
            id += u'\\';
        id += part;
    }
    return std::move(id).toCaseFolded();
}

class Parser
{
public:
    Parser(QStringView text, bool version4) : m_text(text), m_version4(version4) {}

    RegFileModel run()
    {
        // Each key's section line holds a '[': a table sized once costs less than one that
        // grows key by key.
        m_model.reserveKeys(m_text.count(u'['));
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
        RegFileModel::keyId(path, m_id);
        if (!startsWithRoot(m_id))
            return;
        if (remove)
            m_model.removeKey(m_id);
        else
            m_values = &m_model.addKey(m_id);
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
        // Files name the same values key after key: each line's name shares the text of the
        // line before it where they are the same, rather than keep a copy of its own.
        name = std::move(name).toCaseFolded();
        if (name == m_lastName)
            name = m_lastName;
        else
            m_lastName = name;
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
    QString m_id; // of the section being read, its memory used again for the next
    QString m_lastName; // of the last value line, case-folded
    RegFileModel m_model;
};

} // namespace

QString RegFileModel::keyId(QStringView keyPath)
{
    QString id;
    keyId(keyPath, id);
    return id;
}

void RegFileModel::keyId(QStringView keyPath, QString &id)
{
    // Nearly every path is ASCII: it is tidied and folded in one pass, without the Unicode
    // tables, which cost several times as much.
    id.resize(keyPath.size());
    char16_t *const start = reinterpret_cast<char16_t *>(id.data());
    char16_t *out = start;
    bool afterSeparator = true; // a leading one is dropped
    for (const QChar c : keyPath) {
        const char16_t u = c.unicode();
        if (u >= 0x80) {
            id = foldedKeyId(keyPath);
            return;
        }
        if (u == u'\\' && afterSeparator)
            continue;
        afterSeparator = u == u'\\';
        *out++ = u >= u'A' && u <= u'Z' ? char16_t(u - u'A' + u'a') : u;
    }
    id.truncate(out - start - (out != start && afterSeparator ? 1 : 0));
}

namespace {

// The first part of an id or of a step of the tree.
QStringView firstPart(QStringView id)
{
    const qsizetype end = id.indexOf(u'\\');
    return end < 0 ? id : id.first(end);
}

// How much of a and b they share as whole parts: the length of their common start where it
// ends at the end of a part in both.
qsizetype sharedParts(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const qsizetype same = std::mismatch(a.begin(), a.begin() + n, b.begin()).first - a.begin();
    const auto endsPart = [same](QStringView s) { return same == s.size() || s[same] == u'\\'; };
    if (endsPart(a) && endsPart(b))
        return same;
    return std::max<qsizetype>(0, a.first(same).lastIndexOf(u'\\'));
}

} // namespace

// Keys are filed in a tree of their ids' parts. A node's step is the run of parts from its
// parent to it: a run from which nothing else branches is one step, and cutting a long step in
// two leaves its text where it is. Every node is a key or has one below it, since removing a
// key makes its parent one.
//
// The nodes and their steps' text live side by side in one store, and the steps down from the
// nodes in one table, rather than each in an allocation of its own: a file of very many small
// keys then costs a few large allocations, not several small ones for every key made and
// released. What a removal frees stays in the store until the tree goes, at most the size of
// the lines that named it.
struct RegFileModel::Tree
{
    struct Node
    {
        QStringView step; // in the store
        std::optional<Values> values; // where the key was added itself
        Node *parent = nullptr;
        Node *firstChild = nullptr;
        Node *next = nullptr; // siblings
        Node *previous = nullptr;
    };

    // A step down: the node it starts from and the first part of the step. The part's hash is
    // kept, so that a growing table never reads the parts again.
    struct Edge
    {
        Edge(const Node *node, QStringView stepPart)
            : from(node), part(stepPart), partHash(qHash(stepPart, QHashSeed::globalSeed()))
        {
        }

        friend bool operator==(const Edge &a, const Edge &b)
        {
            return a.from == b.from && a.partHash == b.partHash && a.part == b.part;
        }
        friend std::size_t qHash(const Edge &edge, std::size_t seed)
        {
            return qHashMulti(seed, edge.from, edge.partHash);
        }

        const Node *from;
        QStringView part;
        std::size_t partHash;
    };

    Tree() : root(&nodes.emplace_back()) {}

    // The node an id leads to, and whether it names it or ends inside its step; null where
    // no key is there or below.
    std::pair<const Node *, bool> find(QStringView id) const
    {
        const Node *node = root;
        while (!id.isEmpty()) {
            node = child(node, firstPart(id));
            if (!node)
                return {};
            const qsizetype shared = sharedParts(id, node->step);
            if (shared == id.size())
                return {node, shared == node->step.size()};
            if (shared < node->step.size())
                return {};
            id = id.sliced(shared + 1);
        }
        return {};
    }

    // The child of the node whose step starts with this part; null where there is none.
    Node *child(const Node *node, QStringView part) const
    {
        return steps.value(Edge(node, part));
    }

    Node *make(QStringView step)
    {
        Node *node = nullptr;
        if (unused.empty()) {
            node = &nodes.emplace_back();
        } else {
            node = unused.back();
            unused.pop_back();
        }
        node->step = step;
        return node;
    }

    // A copy of the text in the store, where it stays as long as the tree.
    QStringView keep(QStringView text)
    {
        auto *copy = static_cast<char16_t *>(
            store.allocate(std::size_t(text.size()) * sizeof(char16_t), alignof(char16_t)));
        std::copy(text.utf16(), text.utf16() + text.size(), copy);
        return QStringView(copy, text.size());
    }

    // Into parent's children; adopt files its step as well.
    void link(Node *parent, Node *child)
    {
        child->parent = parent;
        child->next = parent->firstChild;
        if (child->next)
            child->next->previous = child;
        parent->firstChild = child;
    }

    Node *adopt(Node *parent, Node *child)
    {
        link(parent, child);
        steps.insert(Edge(parent, firstPart(child->step)), child);
        return child;
    }

    void disown(Node *child)
    {
        Node *parent = child->parent;
        steps.remove(Edge(parent, firstPart(child->step)));
        (child->previous ? child->previous->next : parent->firstChild) = child->next;
        if (child->next)
            child->next->previous = child->previous;
        child->parent = child->next = child->previous = nullptr;
    }

    // The node and everything below it, their store kept for the next nodes made.
    void release(Node *top)
    {
        disown(top);
        std::vector<Node *> pending{top};
        while (!pending.empty()) {
            Node *node = pending.back();
            pending.pop_back();
            for (Node *child = node->firstChild; child; child = child->next) {
                steps.remove(Edge(node, firstPart(child->step)));
                pending.push_back(child);
            }
            keyCount -= node->values.has_value();
            *node = Node();
            unused.push_back(node);
        }
    }

    // The memory of the nodes and of their steps, taken in growing blocks and given back at
    // once with the tree.
    std::pmr::monotonic_buffer_resource store;
    std::pmr::deque<Node> nodes{&store};
    Node *root; // its step is empty
    std::vector<Node *> unused;
    QHash<Edge, Node *> steps;
    std::size_t keyCount = 0;
};

RegFileModel::RegFileModel() : m_tree(std::make_unique<Tree>()) {}
RegFileModel::RegFileModel(RegFileModel &&) noexcept = default;
RegFileModel &RegFileModel::operator=(RegFileModel &&) noexcept = default;
RegFileModel::~RegFileModel() = default;

void RegFileModel::reserveKeys(qsizetype count)
{
    m_tree->steps.reserve(count);
}

std::size_t RegFileModel::keyCount() const
{
    return m_tree->keyCount;
}

bool RegFileModel::hasKey(const QString &keyPath) const
{
    return m_tree->find(keyId(keyPath)).first != nullptr;
}

const RegFileModel::Values *RegFileModel::findKey(const QString &id) const
{
    const auto [node, named] = m_tree->find(id);
    return named && node->values ? &*node->values : nullptr;
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

void RegFileModel::forEachKey(const std::function<void(const Values &)> &visit) const
{
    for (const Tree::Node &node : m_tree->nodes)
        if (node.values)
            visit(*node.values);
}

RegFileModel::Values &RegFileModel::addKey(QStringView id)
{
    Tree &tree = *m_tree;
    Tree::Node *node = tree.root;
    for (qsizetype begin = 0;;) {
        const QStringView rest = id.sliced(begin);
        Tree::Node *child = tree.child(node, firstPart(rest));
        if (!child) {
            node = tree.adopt(node, tree.make(tree.keep(rest)));
            break;
        }
        const qsizetype shared = sharedParts(rest, child->step);
        if (shared < child->step.size()) {
            // The id leaves the step, or ends, inside it: the step is cut in two where it does.
            tree.disown(child);
            Tree::Node *upper = tree.adopt(node, tree.make(child->step.first(shared)));
            child->step = child->step.sliced(shared + 1);
            tree.adopt(upper, child);
            child = upper;
        }
        node = child;
        if (shared == rest.size())
            break;
        begin += shared + 1;
    }
    if (!node->values) {
        node->values.emplace();
        ++tree.keyCount;
    }
    return *node->values;
}

void RegFileModel::removeKey(QStringView id)
{
    Tree::Node *node = m_tree->root;
    for (QStringView rest = id; !rest.isEmpty();) {
        Tree::Node *child = m_tree->child(node, firstPart(rest));
        if (!child)
            return;
        const qsizetype shared = sharedParts(rest, child->step);
        if (shared == rest.size()) {
            // The key, or the place inside the step where it would be: all of it is below.
            m_tree->release(child);
            break;
        }
        if (shared < child->step.size())
            return;
        node = child;
        rest = rest.sliced(shared + 1);
    }
    const qsizetype parentEnd = id.lastIndexOf(u'\\');
    if (parentEnd > 0)
        addKey(id.first(parentEnd));
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
