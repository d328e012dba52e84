#include "file_search.h"

#include "system_services.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <climits>

namespace platform {

namespace {

constexpr std::size_t kMaxPath = PATH_MAX;
constexpr std::size_t kMaxName = NAME_MAX;

bool isNormalFile(const QFileInfo &info)
{
    return info.isFile() && !info.fileName().startsWith(QLatin1Char('.'));
}

} // namespace

QString locateNormalFile(const std::string &path)
{
    if (path.find('\0') != std::string::npos)
        throw ServiceError("the path holds a zero byte");
    if (path.size() >= kMaxPath)
        throw ServiceError("the path is too long: " + path);

    std::string native = path;
    std::replace(native.begin(), native.end(), '\\', '/');
    std::size_t start = 0;
    while (start < native.size()) {
        const std::size_t end = std::min(native.find('/', start), native.size());
        if (end - start > kMaxName)
            throw ServiceError("a name in the path is too long: " + path);
        start = end + 1;
    }

    // A full path as this system spells one: "/..." here, "C:/..." on Windows.
    const QFileInfo whole(QFile::decodeName(native.c_str()));
    if (!QDir::isAbsolutePath(whole.filePath()))
        return {};
    const QString name = whole.fileName();
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        return {};

    const QDir dir(whole.path());
    const QFileInfo exact(dir.filePath(name));
    if (isNormalFile(exact))
        return exact.filePath();

    // Several names may differ in case only, which a Windows folder cannot hold: take the
    // first in code-unit order, so that the same file is found every time.
    QStringList matches;
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            matches.append(entry);
    }
    std::sort(matches.begin(), matches.end());
    for (const QString &match : std::as_const(matches)) {
        const QFileInfo info(dir.filePath(match));
        if (isNormalFile(info))
            return info.filePath();
    }
    return {};
}

} // namespace platform
