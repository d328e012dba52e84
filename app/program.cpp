#include "program.h"

// The About window is a child of the board window, so that it is transient for it: it stays
// out of the taskbar and, when it closes, activation passes back to the board.
Program::Program()
    : m_about([this] { return new frmDivivederor(m_registry, m_services, m_board.ifLoaded()); }),
      m_board([this] { return new Slatemark(m_about, m_services); })
{
}

void Program::start()
{
    m_board.show();
}
