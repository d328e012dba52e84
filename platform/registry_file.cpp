#include "registry_file.h"

#include "reg_file_parser.h"

#include <QFile>
#include <QStandardPaths>
#include <QStringList>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

const QString kFileName = QStringLiteral("/tavrin/registry.reg");
const QString kToolKey =
    QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kToolValue = QStringLiteral("PATH");

// Programs that show what the computer is and what it runs: the information centres first,
// then the system monitors that GNOME, MATE and Xfce ship, which show at least the processor,
// memory and load.
const QStringList kTools = {
    QStringLiteral("kinfocenter"),          QStringLiteral("hardinfo"),
    QStringLiteral("lshw-gtk"),             QStringLiteral("gnome-system-monitor"),
    QStringLiteral("mate-system-monitor"),  QStringLiteral("xfce4-taskmanager")};

// Handles look like the system's: small multiples of four, never 0.
constexpr RegHandle kFirstHandle = 0x100;
constexpr RegHandle kHandleStep = 4;

enum class FileState { Absent, Unusable, Read };

// Reads a registry file if it is a regular file within the limit. A FIFO or a device is opened
// without waiting for a writer and then turned down, so that it cannot hang the caller.
FileState readFile(const QString &fileName, QByteArray *bytes)
{
    const QByteArray name = QFile::encodeName(fileName);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? FileState::Absent : FileState::Unusable;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return FileState::Unusable;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)
        || status.st_size > RegistryFile::kMaxFileSize)
        return FileState::Unusable;
    // One byte past the limit: a file that grew since its size was taken shows.
    *bytes = file.read(RegistryFile::kMaxFileSize + 1);
    return bytes->size() > RegistryFile::kMaxFileSize || file.error() != QFileDevice::NoError
        ? FileState::Unusable
        : FileState::Read;
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

RegStatus RegistryFile::openKey(RegRoot root, const std::string &subKey, std::uint32_t,
                                RegAccess access, RegHandle *handle)
{
    if (!handle)
        return reg::kInvalidParameter;
    const auto rootKey = std::find_if(reg::kRootKeys.begin(), reg::kRootKeys.end(),
                                      [root](const reg::RootKey &key) { return key.root == root; });
    if (rootKey == reg::kRootKeys.end())
        return reg::kInvalidHandle;
    QString path = QString::fromLatin1(rootKey->name.data(), qsizetype(rootKey->name.size()));
    if (!subKey.empty())
        path += u'\\' + QString::fromStdString(subKey);

    std::shared_ptr<const RegFileModel> contents;
    try {
        contents = readContents();
    } catch (const std::exception &) { // out of memory on a file near the limit
        return reg::kNotFound;
    }
    const bool isRoot = subKey.find_first_not_of('\\') == std::string::npos;
    if (!contents || (!isRoot && !contents->hasKey(path)))
        return reg::kNotFound;
    if (access & reg::kWriteRights)
        return reg::kAccessDenied;

    *handle = m_nextHandle;
    m_nextHandle += kHandleStep;
    const RegFileModel::Values *values = contents->findKey(RegFileModel::keyId(path));
    m_openKeys.emplace(*handle, OpenKey{std::move(contents), values});
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
    const RegFileModel::Values *values = key->second.values;
    const RegFileValue *value =
        values ? RegFileModel::findValue(*values, QString::fromStdString(valueName)) : nullptr;
    if (!value)
        return reg::kNotFound;

    // The caller asked for 8-bit text: strings are converted, and what counts is the size of
    // the converted bytes, not of what the registry holds. An odd last byte is half a
    // character, and is dropped.
    QByteArray bytes = value->data;
    if (reg::isStringType(value->type)) {
        const auto flags = QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom;
        QStringDecoder utf16(QStringDecoder::Utf16LE, flags);
        bytes = QString(utf16(bytes.first(bytes.size() & ~qsizetype(1)))).toUtf8();
    }
    // Within the file's size limit, so it fits.
    const auto needed = static_cast<std::uint32_t>(bytes.size());

    if (type)
        *type = value->type;
    if (data && needed > *size) {
        *size = needed;
        return reg::kMoreData;
    }
    if (data && needed > 0)
        std::memcpy(data, bytes.constData(), needed);
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
    const QStringList folders =
        QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    for (const QString &folder : folders) {
        QByteArray bytes;
        const FileState state = readFile(folder + kFileName, &bytes);
        if (state == FileState::Absent)
            continue;
        auto contents = state == FileState::Read ? parseRegFile(bytes) : std::nullopt;
        return contents ? std::make_shared<const RegFileModel>(std::move(*contents)) : nullptr;
    }

    auto contents = std::make_shared<RegFileModel>();
    for (const QString &name : kTools) {
        const QString program = m_findExecutable(name);
        if (program.isEmpty())
            continue;
        QStringEncoder utf16(QStringEncoder::Utf16LE);
        RegFileModel::setValue(contents->addKey(RegFileModel::keyId(kToolKey)), kToolValue,
                               RegFileValue{reg::kString, utf16(program + QChar(0))});
        break;
    }
    return contents;
}

} // namespace platform
