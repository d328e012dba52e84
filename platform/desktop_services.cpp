#include "desktop_services.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QThreadPool>

#include <canberra.h>

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

// Where the normal file that a Windows-style full path names lies on this system: "\" counts
// as a separator as "/" does, and the file's name is matched without regard to case within its
// folder (the folders are taken as written). A normal file is a regular file, or a link to
// one, whose name does not start with a dot. Empty when there is none, and for a path that is
// not a full path. Throws ServiceError for a path that cannot be searched: one holding a zero
// byte, or a name or path longer than the system allows.
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

// A sound context that names this program to the sound server, or null where none can be made.
ca_context *makeSoundContext(const std::string &name, const QByteArray &appId)
{
    ca_context *context = nullptr;
    if (ca_context_create(&context) != CA_SUCCESS)
        return nullptr;
    ca_context_change_props(context, CA_PROP_APPLICATION_NAME, name.c_str(),
                            CA_PROP_APPLICATION_ID, appId.constData(), nullptr);
    return context;
}

} // namespace

void DesktopServices::SoundContextDeleter::operator()(ca_context *context) const
{
    ca_context_destroy(context);
}

DesktopServices::DesktopServices(std::string title)
    : m_title(std::move(title)), m_soundThread(std::make_unique<QThreadPool>())
{
    // One thread plays the sounds in turn, so that the context is never used by two at once.
    m_soundThread->setMaxThreadCount(1);
}

DesktopServices::~DesktopServices() = default;

bool DesktopServices::findNormalFile(const std::string &path)
{
    return !locateNormalFile(path).isEmpty();
}

void DesktopServices::startProgram(const std::string &path)
{
    const QString program = locateNormalFile(path);
    if (program.isEmpty())
        throw ServiceError("no program at " + path);
    if (!QProcess::startDetached(program, {}))
        throw ServiceError("the program could not be started: " + path);
}

void DesktopServices::showMessage(const std::string &text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(m_title),
                    QString::fromStdString(text), QMessageBox::Ok, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void DesktopServices::beep()
{
    const QByteArray appId = QGuiApplication::desktopFileName().toUtf8();
    // Connecting to the sound server and starting the sound may wait on it: never on the
    // user-interface thread.
    m_soundThread->start([this, appId] {
        if (!m_sound)
            m_sound.reset(makeSoundContext(m_title, appId));
        const bool played = m_sound
            && ca_context_play(m_sound.get(), 0, CA_PROP_EVENT_ID, "bell",
                               CA_PROP_EVENT_DESCRIPTION, "Bell", nullptr)
                == CA_SUCCESS;
        if (!played)
            QMetaObject::invokeMethod(qApp, [] { QApplication::beep(); }, Qt::QueuedConnection);
    });
}

} // namespace platform
