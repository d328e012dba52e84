#pragma once

#include "frm_divivederor.h"
#include "platform.h"
#include "slatemark.h"
#include "window_instance.h"

// The program: the default instance of each window class, wired together, and the platform
// they use. The board window is the start-up window; the About window is loaded by the board's
// first activation.
class Program
{
public:
    explicit Program(platform::Platform platform);

    // Loads and shows the board window.
    void start();

    DefaultInstance<Slatemark> &board() { return m_board; }
    DefaultInstance<frmDivivederor> &about() { return m_about; }
    platform::Platform &platform() { return m_platform; }

private:
    platform::Platform m_platform;
    DefaultInstance<frmDivivederor> m_about;
    DefaultInstance<Slatemark> m_board;
};
