#pragma once

#include "registry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The registry export text format ("Windows Registry Editor Version 5.00" or "REGEDIT4"), read
// into keys and values: bytes in, model out, without any file access, so that it can be fed
// arbitrary input.
namespace platform {

// One value as the registry holds it: strings (reg::isStringType) as UTF-16LE, normally with
// their terminating zero; every other type as the bytes written.
struct RegFileValue
{
    RegType type = reg::kNone;
    QByteArray data;

    friend bool operator==(const RegFileValue &, const RegFileValue &) = default;
};

// Keys and their values. A key path starts with its root's name
// ("HKEY_LOCAL_MACHINE\SOFTWARE\..."); names match without regard to case, and empty parts of
// a path ("A\\B", a trailing "\") are ignored. A key exists when it was added itself or when a
// key below it was.
//
// A key is filed under its id (keyId), which its reader makes once, however many of its values
// follow, in a tree of the ids' parts: finding a key, adding one, knowing one through the keys
// below it and removing one with everything below it each cost the parts they pass and the keys
// they remove, never the whole model. A run of parts from which nothing else branches is one
// step of the tree, so a key nested a million parts deep costs one node.
class RegFileModel
{
public:
    // One line of a key's section that sets a value (or removes it: no value).
    struct ValueLine
    {
        QString name; // case-folded
        std::optional<RegFileValue> value;
    };
    // A key's value lines in the file's order: the last line that names a value decides it.
    // They are kept as they come and searched from the end, once for each value the program
    // asks for, rather than filed by name: a large file's values then cost no more than their
    // own bytes, where a table by name cost several allocations and a rehash for each of them.
    using Values = std::vector<ValueLine>;

    RegFileModel();
    RegFileModel(RegFileModel &&) noexcept;
    RegFileModel &operator=(RegFileModel &&) noexcept;
    ~RegFileModel();

    // The parts of a path joined by single backslashes, case-folded.
    static QString keyId(QStringView keyPath);
    // The same into id, whose memory is used again where it is large enough.
    static void keyId(QStringView keyPath, QString &id);

    bool hasKey(const QString &keyPath) const;
    // The values of the key added under this id; null where there is none.
    const Values *findKey(const QString &id) const;
    static const RegFileValue *findValue(const Values &key, const QString &valueName);
    const RegFileValue *findValue(const QString &keyPath, const QString &valueName) const;
    // The keys added and not removed, without the parents known only through them.
    std::size_t keyCount() const;
    void forEachKey(const std::function<void(const Values &)> &visit) const;

    // Room for about this many keys, where the caller knows.
    void reserveKeys(qsizetype count);
    // By a key's id, which must not be empty. A key's values stay where they are until it is
    // removed.
    Values &addKey(QStringView id);
    void removeKey(QStringView id); // with everything below it; its parent stays
    static void setValue(Values &key, QString valueName, RegFileValue value);
    static void removeValue(Values &key, const QString &valueName);

private:
    struct Tree;

    std::unique_ptr<Tree> m_tree;
};

// The file's keys and values; nullopt when the text does not begin with one of the two headers.
// The text is UTF-16LE after its byte-order mark, UTF-8 after its byte-order mark, and without
// one UTF-8 where the bytes are valid UTF-8 and otherwise Windows-1252, the ANSI code page in
// which Windows writes REGEDIT4 files. A line that cannot be read is skipped, and so is a value
// that cannot be read whole; no input makes it fail in any other way.
std::optional<RegFileModel> parseRegFile(QByteArrayView bytes);

} // namespace platform
