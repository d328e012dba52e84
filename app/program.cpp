#include "program.h"

Program::Program()
    : m_about([] { return new frmDivivederor; }),
      m_board([this] { return new Slatemark(m_about, m_services); })
{
}

void Program::start()
{
    m_board.show();
}
