#pragma once

#include "frm_divivederor.h"
#include "system_services.h"
#include "window_instance.h"

#include <QMainWindow>

// The board window: the program's start-up and main window.
class Slatemark : public QMainWindow
{
    Q_OBJECT

public:
    Slatemark(DefaultInstance<frmDivivederor> &about, platform::SystemServices &services,
              QWidget *parent = nullptr);

    void Form_Load();

private:
    DefaultInstance<frmDivivederor> &m_about;
    platform::SystemServices &m_services;
};
