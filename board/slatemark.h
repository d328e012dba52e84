#pragma once

#include "chalk_surface.h"
#include "colour_value.h"
#include "system_services.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <cstdint>

class QMouseEvent;

// The colour of the chalk, for the whole program: white from Form_Load until a chalk entry of
// the menu changes it; only Form_MouseMove reads it.
extern ColourValue chalkColour;

// The board window: the program's start-up and main window. Its client area is the chalk
// surface; the welcome banner (Label1) lies on it until Timer1's first tick or a click on it.
//
// The handlers below are the window's public face, one per control and event. The Qt event
// overrides only translate an event into one of them.
class Slatemark : public QMainWindow
{
    Q_OBJECT

public:
    // Builds the window, Timer1 (already running), Label1 and the menu bar from their stored
    // properties. Form_Load is for the window's default instance to call.
    explicit Slatemark(platform::SystemServices &services, QWidget *parent = nullptr);

    void Form_Load();
    // Runs when the board becomes the program's active window: at its first show and when
    // activation comes back from the About window, never when it only comes back from another
    // program.
    void Form_Activate();
    void Timer1_Timer();
    void Label1_Click();

    // button: 1 left, 2 right, 4 middle (their sum for a move); shift: 1 Shift, 2 Ctrl, 4 Alt;
    // x, y: the pointer in twips from the client area's top-left corner.
    void Form_MouseDown(std::int16_t button, std::int16_t shift, float x, float y);
    void Form_MouseMove(std::int16_t button, std::int16_t shift, float x, float y);

    void exiting_Click();
    void erasing_Click();
    void aboutapplcn_Click();

    void blackchoke_Click();
    void bluechoke_Click();
    void redchoke_Click();
    void yellowchoke_Click();
    void greenchoke_Click();
    void lilacchoke_Click();
    void whitechoke_Click();

    void blackscreen_Click();
    void bluescreen_Click();
    void redscreen_Click();
    void yellowscreen_Click();
    void greenscreen_Click();
    void lilacscreen_Click();
    void whitescreen_Click();

    ChalkSurface &surface() { return *m_surface; }
    QTimer &timer1() { return m_timer1; }
    bool isBannerVisible() const { return m_surface->isBannerVisible(); }

signals:
    // The About window is to be shown (the About command) or hidden (every activation), loaded
    // first when it is not.
    void aboutVisibilityRequested(bool visible);

protected:
    bool event(QEvent *event) override;
    // The surface's mouse events come here, to the board's mouse handlers.
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void surfacePress(const QMouseEvent &event);
    void surfaceMove(const QMouseEvent &event);
    void surfaceRelease(const QMouseEvent &event);
    void applyStoredProperties();
    void createMenus(int width);
    bool activationComesFromWithinProgram();
    void endProgram();

    platform::SystemServices &m_services;
    ChalkSurface *m_surface = nullptr;
    QTimer m_timer1;
    // The program's window that was active last, kept while another program is active.
    QPointer<QWindow> m_lastActiveWindow;
    // A press that began on the banner owns the mouse until every button is up.
    bool m_pressOnBanner = false;
};
