#include "desktop_services.h"

#include "file_search.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QThreadPool>

#include <canberra.h>

namespace platform {

namespace {

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
