#pragma once

#include "app_info.h"
#include "registry.h"
#include "system_services.h"

#include <QDialog>

class QLabel;

// The About window: a fixed black dialog with the title, the version, a picture, a
// description and a warning, an OK button and a System Info button. Its one default instance
// is loaded hidden at the board's first activation and shown by the board's About command;
// with the board as its parent it is transient for the board.
//
// Its controls are children named after the stored controls (cmdOK, cmdSysInfo, Image1,
// Line1_0, Line1_1, lblDescription, lblTitle, lblVersion, lblDisclaimer), stacked in their
// painting order.
//
// Closing (OK, Esc, a click on the background or the separator, the close box, done()) never
// merely hides the window: it emits unloadRequested(), and the owner of the default instance
// destroys it.
class frmDivivederor : public QDialog
{
    Q_OBJECT

public:
    frmDivivederor(platform::Registry &registry, platform::SystemServices &services,
                   QWidget *parent = nullptr);

    // The load step: the caption "About <title>", the title, and "Version <major>.<minor>"
    // (the revision is never shown).
    void Form_Load(const AppInfo &info = kAppInfo);

    // OK, Enter or Space on OK, and Esc whatever has the focus: unloads the window.
    void cmdOK_Click();
    // System Info, Alt+S, Enter or Space on it: starts System Information; the window stays.
    void cmdSysInfo_Click();
    // A click on the window's own surface (the background and the separator lines).
    void Form_Click();

    // Esc and anything else that ends the dialog unloads it, as OK does.
    void reject() override;
    void done(int result) override;

signals:
    // The window asks to be unloaded.
    void unloadRequested();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void unload();

    platform::Registry &m_registry;
    platform::SystemServices &m_services;

    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    bool m_leftPressed = false; // a left press on the surface waits for its release
};
