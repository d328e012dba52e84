#pragma once

#include "desktop_services.h"
#include "frm_divivederor.h"
#include "registry_file.h"
#include "slatemark.h"
#include "window_instance.h"

// The program: the default instance of each window class and the services they use. The
// board window is the start-up window; the About window is loaded by the board's first
// activation.
class Program
{
public:
    Program();

    // Loads and shows the board window.
    void start();

    DefaultInstance<Slatemark> &board() { return m_board; }
    DefaultInstance<frmDivivederor> &about() { return m_about; }

private:
    platform::DesktopServices m_services;
    platform::RegistryFile m_registry;
    DefaultInstance<frmDivivederor> m_about;
    DefaultInstance<Slatemark> m_board;
};
