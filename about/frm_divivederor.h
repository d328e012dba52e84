#pragma once

#include "registry.h"
#include "system_services.h"

#include <QDialog>

// The About window. Its one default instance is loaded hidden at the board's first activation
// and shown by the board's About command.
class frmDivivederor : public QDialog
{
    Q_OBJECT

public:
    frmDivivederor(platform::Registry &registry, platform::SystemServices &services,
                   QWidget *parent = nullptr);

    // The load step: the caption, title and version from AppInfo.
    void Form_Load();

signals:
    // The window asks to be unloaded (its frame's close box, OK, a click on its background).
    void unloadRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    platform::Registry &m_registry;
    platform::SystemServices &m_services;
};
