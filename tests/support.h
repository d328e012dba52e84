#pragma once

// What every suite shares: a registry and system services that record what they were asked, a
// program wired as the real one with them, temporary configuration folders holding a registry
// file, and small programs that leave a mark when they run.

#include "platform.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace support {

using Bytes = std::vector<std::uint8_t>;

// A registry that holds values in memory, answers as RegQueryValueExA does and records every
// open, query and close, so that a leaked or twice-closed handle shows. Faults on demand.
class RecordingRegistry : public platform::Registry
{
public:
    struct Open
    {
        platform::RegRoot root;
        std::string subKey;
        std::uint32_t options;
        platform::RegAccess access;
    };

    void set(const std::string &key, const std::string &name, platform::RegType type, Bytes data)
    {
        m_keys[key][name] = {type, std::move(data)};
    }
    void setString(const std::string &key, const std::string &name, const std::string &text)
    {
        Bytes data(text.begin(), text.end());
        data.push_back(0);
        set(key, name, platform::reg::kString, std::move(data));
    }
    void addKey(const std::string &key) { m_keys[key]; }

    platform::RegStatus openKey(platform::RegRoot root, const std::string &subKey,
                                std::uint32_t options, platform::RegAccess access,
                                platform::RegHandle *handle) override
    {
        opens.push_back({root, subKey, options, access});
        if (openStatus)
            return *openStatus;
        if (root != platform::reg::kLocalMachine || !m_keys.count(subKey))
            return platform::reg::kNotFound;
        *handle = m_nextHandle;
        m_nextHandle += 4;
        m_handleKeys[*handle] = subKey;
        openHandles.insert(*handle);
        return platform::reg::kSuccess;
    }

    platform::RegStatus queryValue(platform::RegHandle handle, const std::string &valueName,
                                   platform::RegType *type, std::uint8_t *data,
                                   std::uint32_t *size) override
    {
        ++queries;
        lastBufferSize = *size;
        lastBufferWasZero = std::all_of(data, data + *size, [](std::uint8_t b) { return b == 0; });
        if (!openHandles.count(handle))
            return platform::reg::kInvalidHandle;
        if (throwOnQuery)
            throw std::runtime_error("the query failed");
        if (queryStatus)
            return *queryStatus;
        const auto &values = m_keys[m_handleKeys[handle]];
        const auto it = values.find(valueName);
        if (it == values.end())
            return platform::reg::kNotFound;
        *type = it->second.first;
        const auto needed = static_cast<std::uint32_t>(it->second.second.size());
        if (needed > *size) {
            *size = needed;
            return platform::reg::kMoreData;
        }
        if (needed > 0)
            std::memcpy(data, it->second.second.data(), needed);
        *size = reportedSize ? *reportedSize : needed;
        return platform::reg::kSuccess;
    }

    platform::RegStatus closeKey(platform::RegHandle handle) override
    {
        ++closes;
        if (!openHandles.erase(handle)) {
            ++badCloses;
            return platform::reg::kInvalidHandle;
        }
        return platform::reg::kSuccess;
    }

    std::vector<Open> opens;
    std::set<platform::RegHandle> openHandles;
    int queries = 0;
    int closes = 0;
    int badCloses = 0;
    std::uint32_t lastBufferSize = 0;
    bool lastBufferWasZero = false;
    std::optional<platform::RegStatus> openStatus;
    std::optional<platform::RegStatus> queryStatus;
    bool throwOnQuery = false;
    std::optional<std::uint32_t> reportedSize; // a registry that overstates what it wrote

private:
    std::map<std::string, std::map<std::string, std::pair<platform::RegType, Bytes>>> m_keys;
    std::map<platform::RegHandle, std::string> m_handleKeys;
    platform::RegHandle m_nextHandle = 0x100;
};

// Services that record what they were asked; the search finds the listed files.
class RecordingServices : public platform::SystemServices
{
public:
    bool findNormalFile(const std::string &path) override
    {
        searches.push_back(path);
        if (searchThrows)
            throw platform::ServiceError("cannot search");
        return files.count(path) != 0;
    }
    void startProgram(const std::string &path) override
    {
        if (path.empty() || startThrows)
            throw platform::ServiceError("cannot start");
        starts.push_back(path);
    }
    void showMessage(const std::string &text) override { messages.push_back(text); }
    void beep() override { ++beeps; }

    std::set<std::string> files;
    bool searchThrows = false;
    bool startThrows = false;
    std::vector<std::string> searches;
    std::vector<std::string> starts;
    std::vector<std::string> messages;
    int beeps = 0;
};

// A platform of the two recorders, for a Program under test; the recorders stay reachable.
struct FakePlatform
{
    RecordingRegistry *registry = new RecordingRegistry;
    RecordingServices *services = new RecordingServices;
    platform::Platform take()
    {
        return {std::unique_ptr<platform::Registry>(registry),
                std::unique_ptr<platform::SystemServices>(services)};
    }
};

// A temporary $XDG_CONFIG_HOME and $XDG_CONFIG_DIRS (two folders) for as long as it lives.
class ConfigFolders
{
public:
    ConfigFolders() : m_oldHome(qgetenv("XDG_CONFIG_HOME")), m_oldDirs(qgetenv("XDG_CONFIG_DIRS"))
    {
        for (const char *sub : {"home/tavrin", "dirs1/tavrin", "dirs2/tavrin"})
            QDir(m_root.path()).mkpath(QString::fromLatin1(sub));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home()));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(dir(1) + QLatin1Char(':') + dir(2)));
    }
    ~ConfigFolders()
    {
        restore("XDG_CONFIG_HOME", m_oldHome);
        restore("XDG_CONFIG_DIRS", m_oldDirs);
    }
    ConfigFolders(const ConfigFolders &) = delete;
    ConfigFolders &operator=(const ConfigFolders &) = delete;

    QString root() const { return m_root.path(); }
    QString home() const { return m_root.path() + QStringLiteral("/home"); }
    QString dir(int n) const { return m_root.path() + QStringLiteral("/dirs%1").arg(n); }
    // The registry file in a configuration folder (the user's by default).
    static QString registryIn(const QString &folder) { return folder + "/tavrin/registry.reg"; }
    QString registry() const { return registryIn(home()); }
    bool writeRegistry(const QByteArray &bytes) const { return write(registry(), bytes); }

    static bool write(const QString &fileName, const QByteArray &bytes)
    {
        QFile file(fileName);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && file.write(bytes) == bytes.size();
    }

private:
    static void restore(const char *name, const QByteArray &value)
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }

    QTemporaryDir m_root;
    QByteArray m_oldHome;
    QByteArray m_oldDirs;
};

// A registry file in version 5.00 text holding the given lines below the header.
inline QByteArray regFile(const QByteArray &lines)
{
    return QByteArrayLiteral("Windows Registry Editor Version 5.00\r\n\r\n") + lines;
}

// A path as a registry file writes it inside quotes: backslashes and quotes escaped.
inline QByteArray regQuoted(const QString &path)
{
    QByteArray bytes = path.toUtf8();
    bytes.replace("\\", "\\\\");
    bytes.replace("\"", "\\\"");
    return '"' + bytes + '"';
}

// An executable shell script that writes the path it was started as ($0) into a marker file,
// so a test can tell that it ran, and that it ran as exactly that file.
inline bool writeMarkerProgram(const QString &program, const QString &marker)
{
    QByteArray quotedMarker = QFile::encodeName(marker);
    quotedMarker.replace("'", "'\\''");
    const QByteArray script = "#!/bin/sh\nprintf '%s' \"$0\" > '" + quotedMarker + "'\n";
    QFile file(program);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(script) != script.size())
        return false;
    file.close();
    return file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                               | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                               | QFile::ExeOther);
}

inline QString readMarker(const QString &marker)
{
    QFile file(marker);
    return file.open(QIODevice::ReadOnly) ? QFile::decodeName(file.readAll()) : QString();
}

// A Windows-style spelling of a path: backslashes for slashes.
inline std::string windowsStyle(const QString &path)
{
    QString spelled = path;
    spelled.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return spelled.toStdString();
}

} // namespace support
