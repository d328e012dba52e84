#include "program.h"

Program::Program()
    : m_about([this] { return new frmDivivederor(m_registry, m_services); }),
      m_board([this] { return new Slatemark(m_about, m_services); })
{
}

void Program::start()
{
    m_board.show();
}
