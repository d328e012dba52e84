#pragma once

#include "registry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <map>
#include <optional>

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
class RegFileModel
{
public:
    using Values = std::map<QString, RegFileValue>; // by case-folded name
    using Keys = std::map<QString, Values>;         // by case-folded, tidied path

    bool hasKey(const QString &keyPath) const;
    const RegFileValue *findValue(const QString &keyPath, const QString &valueName) const;
    // The keys added and not removed, without the parents known only through them.
    const Keys &keys() const { return m_keys; }

    void addKey(const QString &keyPath);
    void setValue(const QString &keyPath, const QString &valueName, RegFileValue value);
    void removeKey(const QString &keyPath); // with everything below it; its parent stays
    void removeValue(const QString &keyPath, const QString &valueName);

private:
    Keys m_keys;
};

// The file's keys and values; nullopt when the text does not begin with one of the two headers.
// The text is UTF-16LE after its byte-order mark, UTF-8 after its byte-order mark, and without
// one UTF-8 where the bytes are valid UTF-8 and otherwise Windows-1252, the ANSI code page in
// which Windows writes REGEDIT4 files. A line that cannot be read is skipped, and so is a value
// that cannot be read whole; no input makes it fail in any other way.
std::optional<RegFileModel> parseRegFile(QByteArrayView bytes);

} // namespace platform
