#pragma once

// What the platform suites share: a registry file of their own in a temporary configuration
// folder, and small programs that leave a mark when they run.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <string>

namespace platformtest {

// A temporary $XDG_CONFIG_HOME and $XDG_CONFIG_DIRS (two folders) for as long as it lives.
class ConfigFolders
{
public:
    ConfigFolders()
        : m_oldHome(qgetenv("XDG_CONFIG_HOME")), m_oldDirs(qgetenv("XDG_CONFIG_DIRS"))
    {
        for (const char *sub : {"home/tavrin", "dirs1/tavrin", "dirs2/tavrin"})
            QDir(m_root.path()).mkpath(QString::fromLatin1(sub));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home()));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_root.path() + QStringLiteral("/dirs1:")
                                                     + m_root.path() + QStringLiteral("/dirs2")));
    }
    ~ConfigFolders()
    {
        restore("XDG_CONFIG_HOME", m_oldHome);
        restore("XDG_CONFIG_DIRS", m_oldDirs);
    }
    ConfigFolders(const ConfigFolders &) = delete;
    ConfigFolders &operator=(const ConfigFolders &) = delete;

    QString home() const { return m_root.path() + QStringLiteral("/home"); }
    QString dir(int n) const { return m_root.path() + QStringLiteral("/dirs%1").arg(n); }

    // The registry file in a configuration folder (the user's by default).
    static QString registryIn(const QString &folder)
    {
        return folder + QStringLiteral("/tavrin/registry.reg");
    }
    QString registry() const { return registryIn(home()); }

    static bool write(const QString &fileName, const QByteArray &bytes)
    {
        QFile file(fileName);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && file.write(bytes) == bytes.size();
    }
    bool writeRegistry(const QByteArray &bytes) const { return write(registry(), bytes); }

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

// A path written as a registry file writes it inside quotes: backslashes doubled.
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
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QFile::decodeName(file.readAll());
}

// A Windows-style spelling of a path: backslashes for slashes.
inline std::string windowsStyle(const QString &path)
{
    QString spelled = path;
    spelled.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return spelled.toStdString();
}

} // namespace platformtest
