#pragma once

#include "system_services.h"

#include <memory>
#include <string>

struct ca_context;
class QThreadPool;

namespace platform {

// The system services on this desktop. Paths are taken as Windows writes them: "\" separates
// folders as "/" does, and a file's name is matched without regard to case within its folder;
// a normal file is a regular file, or a link to one, whose name does not start with a dot. The
// program start resolves its path in the same way, so the file the search finds is the file
// that starts. A path holding a zero byte, or a name or path longer than the system allows,
// cannot be searched: ServiceError.
class DesktopServices : public SystemServices
{
public:
    // The title every message box carries: the application's title.
    explicit DesktopServices(std::string title);
    ~DesktopServices() override;

    bool findNormalFile(const std::string &path) override;

    // The path names the program itself, never a command line: it is not split at spaces and
    // no shell sees it. Throws ServiceError when there is no such normal file, when it may not
    // be executed, or when the system cannot start it.
    void startProgram(const std::string &path) override;

    // A modal QMessageBox over the active window (the About window when its button was
    // pressed), so that closing it gives the focus back there.
    void showMessage(const std::string &text) override;

    // The desktop's own "bell" event sound from its sound theme, played through the sound
    // server on X11 and Wayland alike; where no sound can be played, the window system's bell.
    // Returns at once: the sound is played on a thread of its own.
    void beep() override;

private:
    struct SoundContextDeleter
    {
        void operator()(ca_context *context) const;
    };

    std::string m_title;
    // Made at the first beep and kept for the program's life; used on the sound thread only.
    std::unique_ptr<ca_context, SoundContextDeleter> m_sound;
    // Declared after the context, so that the sounds still queued end before it goes.
    std::unique_ptr<QThreadPool> m_soundThread;
};

} // namespace platform
