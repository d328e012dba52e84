#include "registry_file.h"

#include "reg_file_parser.h"

#include <QFile>
#include <QStandardPaths>

#include <algorithm>
#include <cstring>
#include <limits>

namespace platform {

namespace {

const QString kFileName = QStringLiteral("tavrin/registry.reg");

constexpr const char *kToolKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char *kToolValue = "PATH";

// Handles look like the system's: small multiples of four, never 0.
constexpr RegHandle kFirstHandle = 0x100;
constexpr RegHandle kHandleStep = 4;

// Besides the rights to change values and subkeys, deleting the key and changing its
// security or owner are writes as well.
constexpr RegAccess kDelete = 0x10000;
constexpr RegAccess kWriteDac = 0x40000;
constexpr RegAccess kWriteOwner = 0x80000;
constexpr RegAccess kRefused = reg::kWriteRights | kDelete | kWriteDac | kWriteOwner;

const char *rootName(RegRoot root)
{
    switch (root) {
    case 0x80000000u: return "HKEY_CLASSES_ROOT";
    case 0x80000001u: return "HKEY_CURRENT_USER";
    case reg::kLocalMachine: return "HKEY_LOCAL_MACHINE";
    case 0x80000003u: return "HKEY_USERS";
    case 0x80000005u: return "HKEY_CURRENT_CONFIG";
    default: return nullptr;
    }
}

bool isStringType(RegType type)
{
    return type == reg::kString || type == reg::kExpandString || type == reg::kMultiString;
}

} // namespace

RegistryFile::RegistryFile(ExecutableFinder findExecutable)
    : m_findExecutable(findExecutable ? std::move(findExecutable)
                                      : [](const QString &name) {
                                            return QStandardPaths::findExecutable(name);
                                        }),
      m_nextHandle(kFirstHandle)
{
}

RegistryFile::~RegistryFile() = default;

QStringList RegistryFile::toolCandidates()
{
    // Programs that show what the computer is and what it runs: the information centres of
    // KDE and a desktop-neutral system profiler first, then the system monitors that GNOME,
    // MATE and Xfce ship, which show at least the processor, memory and load.
    return {QStringLiteral("kinfocenter"), QStringLiteral("hardinfo"),
            QStringLiteral("gnome-system-monitor"), QStringLiteral("mate-system-monitor"),
            QStringLiteral("xfce4-taskmanager")};
}

RegStatus RegistryFile::openKey(RegRoot root, const std::string &subKey, std::uint32_t,
                                RegAccess access, RegHandle *handle)
{
    if (!handle)
        return reg::kInvalidParameter;

    const char *rootPath = rootName(root);
    if (!rootPath)
        return reg::kInvalidHandle;
    std::string path = rootPath;
    if (!subKey.empty())
        path += '\\' + subKey;

    std::shared_ptr<const RegFileModel> contents;
    try {
        contents = readContents();
    } catch (const std::exception &) { // out of memory on a file near the limit
        return reg::kNotFound;
    }
    const bool isRoot = subKey.find_first_not_of('\\') == std::string::npos;
    if (!isRoot && !contents->hasKey(path))
        return reg::kNotFound;
    if (access & kRefused)
        return reg::kAccessDenied;

    *handle = m_nextHandle;
    m_nextHandle += kHandleStep;
    m_openKeys.emplace(*handle, OpenKey{std::move(contents), std::move(path)});
    return reg::kSuccess;
}

RegStatus RegistryFile::queryValue(RegHandle handle, const std::string &valueName, RegType *type,
                                   std::uint8_t *data, std::uint32_t *size)
{
    const auto key = m_openKeys.find(handle);
    if (key == m_openKeys.end())
        return reg::kInvalidHandle;
    if (data && !size)
        return reg::kInvalidParameter;

    const RegFileValue *value = key->second.contents->findValue(key->second.path, valueName);
    if (!value)
        return reg::kNotFound;

    // The caller asked for 8-bit text: strings are converted, and what counts is the size of
    // the converted bytes, not of what the registry holds.
    std::string converted;
    const std::uint8_t *bytes = value->data.data();
    std::size_t count = value->data.size();
    if (isStringType(value->type)) {
        converted = utf16leToUtf8(value->data.data(), value->data.size());
        bytes = reinterpret_cast<const std::uint8_t *>(converted.data());
        count = converted.size();
    }
    if (count > std::numeric_limits<std::uint32_t>::max())
        return reg::kInvalidParameter;
    const auto needed = static_cast<std::uint32_t>(count);

    if (type)
        *type = value->type;
    if (data && needed > *size) {
        *size = needed;
        return reg::kMoreData;
    }
    if (data && needed > 0)
        std::memcpy(data, bytes, needed);
    if (size)
        *size = needed;
    return reg::kSuccess;
}

RegStatus RegistryFile::closeKey(RegHandle handle)
{
    return m_openKeys.erase(handle) ? reg::kSuccess : reg::kInvalidHandle;
}

std::shared_ptr<const RegFileModel> RegistryFile::readContents() const
{
    const QStringList files = QStandardPaths::locateAll(QStandardPaths::GenericConfigLocation,
                                                        kFileName);
    for (const QString &fileName : files) {
        QFile file(fileName);
        if (file.size() > kMaxFileSize || !file.open(QIODevice::ReadOnly))
            continue;
        // Read one byte past the limit: a file that grew since its size was taken shows.
        const QByteArray bytes = file.read(kMaxFileSize + 1);
        if (bytes.size() > kMaxFileSize || file.error() != QFileDevice::NoError)
            continue;
        auto contents = parseRegFile(std::string_view(bytes.constData(),
                                                      static_cast<std::size_t>(bytes.size())));
        if (contents)
            return std::make_shared<const RegFileModel>(std::move(*contents));
    }
    return builtInContents();
}

std::shared_ptr<const RegFileModel> RegistryFile::builtInContents() const
{
    auto contents = std::make_shared<RegFileModel>();
    const QStringList candidates = toolCandidates();
    for (const QString &name : candidates) {
        const QString program = m_findExecutable(name);
        if (program.isEmpty())
            continue;
        std::vector<std::uint8_t> data = utf8ToUtf16le(program.toStdString());
        data.insert(data.end(), {0, 0});
        contents->setValue(kToolKey, kToolValue, RegFileValue{reg::kString, std::move(data)});
        break;
    }
    return contents;
}

} // namespace platform
