#include "program.h"

// The About window is a child of the board window, so that it is transient for it: it stays
// out of the taskbar and, when it closes, activation passes back to the board. The board asks
// for the About window through one connection, made here.
Program::Program(platform::Platform platform)
    : m_platform(std::move(platform)),
      m_about([this] {
          return new frmDivivederor(*m_platform.registry, *m_platform.services, m_board.ifLoaded());
      }),
      m_board([this] {
          auto *board = new Slatemark(*m_platform.services);
          QObject::connect(board, &Slatemark::aboutVisibilityRequested, board,
                           [this](bool visible) { visible ? m_about.show() : m_about.hide(); });
          return board;
      })
{
}

void Program::start()
{
    m_board.show();
}
