#include "slatemark.h"

Slatemark::Slatemark(DefaultInstance<frmDivivederor> &about, platform::SystemServices &services,
                     QWidget *parent)
    : QMainWindow(parent), m_about(about), m_services(services)
{
}

void Slatemark::Form_Load()
{
}
