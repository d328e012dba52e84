#include "slatemark.h"

#include "app_info.h"
#include "menu_bar_style.h"
#include "stored.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QWindow>

#include <span>
#include <stdexcept>

ColourValue chalkColour = 0;

namespace {

// The seven named colours, shared by the chalk and the board submenus.
namespace colour {
constexpr ColourValue kBlack = 0x00000000;
constexpr ColourValue kBlue = 0x00FF0000;
constexpr ColourValue kRed = 0x000000FF;
constexpr ColourValue kYellow = 0x0000FFFF;
constexpr ColourValue kGreen = 0x0000FF00;
constexpr ColourValue kLilac = 0x00FF00FF;
constexpr ColourValue kWhite = 0x00FFFFFF;
} // namespace colour

// The board window's stored properties, in the units they are kept in: twips, colour values,
// points. They are applied once, when the window is built.
constexpr struct
{
    ColourValue back = 0x00808080;
    TwipRect client{0, 0, 9510, 6555};
    int timer1Interval = 3000; // milliseconds
    StoredLabel Label1{"Label1", {120, 840, 9255, 4695}, " welcome to tavrin", 0x00C00000,
                       0x00C0C0FF, {60, 700, true}, true};
    // A face of about eight points whose space is narrow: the bar's captions were spaced for it.
    StoredFont menuFont{8};
} kStored{};

using Handler = void (Slatemark::*)();

// One entry of a colour submenu: its object name, its caption, the handler it runs when chosen
// and the colour that handler sets.
struct MenuEntry
{
    const char *name;
    const char *caption;
    Handler handler;
    ColourValue colour;
};

// The colour submenus, top to bottom. Only the chalk entries "Blue " and "White " carry a
// trailing space.
constexpr MenuEntry kChalkMenu[] = {
    {"blackchoke", "Black", &Slatemark::blackchoke_Click, colour::kBlack},
    {"bluechoke", "Blue ", &Slatemark::bluechoke_Click, colour::kBlue},
    {"redchoke", "Red", &Slatemark::redchoke_Click, colour::kRed},
    {"yellowchoke", "Yellow", &Slatemark::yellowchoke_Click, colour::kYellow},
    {"greenchoke", "Green", &Slatemark::greenchoke_Click, colour::kGreen},
    {"lilacchoke", "Lilac", &Slatemark::lilacchoke_Click, colour::kLilac},
    {"whitechoke", "White ", &Slatemark::whitechoke_Click, colour::kWhite},
};
constexpr MenuEntry kBoardMenu[] = {
    {"blackscreen", "Black", &Slatemark::blackscreen_Click, colour::kBlack},
    {"bluescreen", "Blue", &Slatemark::bluescreen_Click, colour::kBlue},
    {"redscreen", "Red", &Slatemark::redscreen_Click, colour::kRed},
    {"yellowscreen", "Yellow", &Slatemark::yellowscreen_Click, colour::kYellow},
    {"greenscreen", "Green", &Slatemark::greenscreen_Click, colour::kGreen},
    {"lilacscreen", "Lilac", &Slatemark::lilacscreen_Click, colour::kLilac},
    {"whitescreen", "White", &Slatemark::whitescreen_Click, colour::kWhite},
};

// The bar, left to right: each caption is its core text with spaces on both sides, which
// spread the five entries across the bar. A submenu entry has a submenu instead of a handler.
struct BarEntry
{
    const char *name;
    const char *text;
    int spacesBefore;
    int spacesAfter;
    Handler handler = nullptr;
    std::span<const MenuEntry> submenu = {};
};
constexpr BarEntry kBar[] = {
    {"exiting", "Exit", 10, 10, &Slatemark::exiting_Click},
    {"chockcolors", "Choke color", 11, 10, nullptr, kChalkMenu},
    {"screencolor", "Screen", 10, 10, nullptr, kBoardMenu},
    {"erasing", "Erase", 30, 29, &Slatemark::erasing_Click},
    {"aboutapplcn", "About", 3, 3, &Slatemark::aboutapplcn_Click},
};

// The colour in the row of the colour entry whose handler this is, so that each colour stands
// once, beside its caption. It is looked up while compiling: a handler without a row of its
// own does not build.
template <Handler handler>
consteval ColourValue colourOf()
{
    for (const std::span<const MenuEntry> menu : {std::span(kChalkMenu), std::span(kBoardMenu)})
        for (const MenuEntry &entry : menu)
            if (entry.handler == handler)
                return entry.colour;
    throw std::logic_error("not a colour entry");
}

QString caption(const BarEntry &entry)
{
    return QString(entry.spacesBefore, QLatin1Char(' ')) + QLatin1String(entry.text) +
           QString(entry.spacesAfter, QLatin1Char(' '));
}

// The mouse handlers know three buttons and three shift keys, each as one bit.
std::int16_t buttonCode(Qt::MouseButtons buttons)
{
    return static_cast<std::int16_t>((buttons & Qt::LeftButton ? 1 : 0) |
                                     (buttons & Qt::RightButton ? 2 : 0) |
                                     (buttons & Qt::MiddleButton ? 4 : 0));
}

std::int16_t shiftCode(Qt::KeyboardModifiers modifiers)
{
    return static_cast<std::int16_t>((modifiers & Qt::ShiftModifier ? 1 : 0) |
                                     (modifiers & Qt::ControlModifier ? 2 : 0) |
                                     (modifiers & Qt::AltModifier ? 4 : 0));
}

} // namespace

Slatemark::Slatemark(platform::SystemServices &services, QWidget *parent)
    : QMainWindow(parent), m_services(services)
{
    applyStoredProperties();

    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *window) {
        // Popups and tooltips never count as the program's active window; while another
        // program is active there is none, and the last one is kept.
        if (window && window->type() != Qt::Popup && window->type() != Qt::ToolTip)
            m_lastActiveWindow = window;
    });
}

void Slatemark::applyStoredProperties()
{
    setWindowTitle(QStringLiteral("%1 version %2.%3")
                       .arg(toQString(kAppInfo.title))
                       .arg(kAppInfo.major)
                       .arg(kAppInfo.minor));

    m_surface = new ChalkSurface(this);
    // The client area's mouse goes to the board's handlers straight from the surface: past the
    // window itself, whose events the menu bar watches too.
    m_surface->installEventFilter(this);
    m_surface->setAccessibleName(tr("Chalkboard"));
    m_surface->setBoardColour(kStored.back);
    setCentralWidget(m_surface);

    // A coarse timer may fire up to a twentieth early; the banner stays its full three seconds.
    m_timer1.setTimerType(Qt::PreciseTimer);
    m_timer1.setInterval(kStored.timer1Interval);
    connect(&m_timer1, &QTimer::timeout, this, &Slatemark::Timer1_Timer);
    m_timer1.start();

    m_surface->showBanner(kStored.Label1);

    const QSize client = twips::toPixels(kStored.client, m_surface->logicalDpiX()).size();
    createMenus(client.width());
    resize(client.width(), client.height() + menuBar()->heightForWidth(client.width()));
}

// Every menu entry is built here, from the bar's table.
void Slatemark::createMenus(int width)
{
    QMenuBar *bar = menuBar();
    bar->setFont(toQFont(kStored.menuFont));
    const auto connectEntry = [this](QAction *action, const char *name, Handler handler) {
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
    };
    for (const BarEntry &entry : kBar) {
        if (entry.submenu.empty()) {
            connectEntry(bar->addAction(caption(entry)), entry.name, entry.handler);
            continue;
        }
        QMenu *menu = bar->addMenu(caption(entry));
        menu->setObjectName(QLatin1String(entry.name));
        menu->menuAction()->setObjectName(QLatin1String(entry.name));
        menu->setFont(bar->font());
        for (const MenuEntry &item : entry.submenu)
            connectEntry(menu->addAction(QLatin1String(item.caption)), item.name, item.handler);
    }
    MenuBarStyle::install(bar, width);
}

void Slatemark::Form_Load()
{
    chalkColour = colour::kWhite;
    m_surface->setBoardColour(colour::kBlack);
}

void Slatemark::Form_Activate()
{
    emit aboutVisibilityRequested(false);
    m_timer1.start();
}

void Slatemark::Timer1_Timer()
{
    m_surface->hideBanner();
    m_timer1.stop();
}

void Slatemark::Label1_Click()
{
    m_surface->hideBanner();
}

void Slatemark::Form_MouseDown(std::int16_t, std::int16_t, float x, float y)
{
    m_surface->setCurrentPoint(x, y);
    m_surface->plot(x, y);
}

void Slatemark::Form_MouseMove(std::int16_t button, std::int16_t, float x, float y)
{
    if (button == 1)
        m_surface->lineTo(x, y, chalkColour);
}

void Slatemark::exiting_Click()
{
    endProgram();
}

void Slatemark::erasing_Click()
{
    m_surface->clear();
    m_services.beep();
}

void Slatemark::aboutapplcn_Click()
{
    emit aboutVisibilityRequested(true);
}

void Slatemark::blackchoke_Click() { chalkColour = colourOf<&Slatemark::blackchoke_Click>(); }
void Slatemark::bluechoke_Click() { chalkColour = colourOf<&Slatemark::bluechoke_Click>(); }
void Slatemark::redchoke_Click() { chalkColour = colourOf<&Slatemark::redchoke_Click>(); }
void Slatemark::yellowchoke_Click() { chalkColour = colourOf<&Slatemark::yellowchoke_Click>(); }
void Slatemark::greenchoke_Click() { chalkColour = colourOf<&Slatemark::greenchoke_Click>(); }
void Slatemark::lilacchoke_Click() { chalkColour = colourOf<&Slatemark::lilacchoke_Click>(); }
void Slatemark::whitechoke_Click() { chalkColour = colourOf<&Slatemark::whitechoke_Click>(); }

void Slatemark::blackscreen_Click() { m_surface->setBoardColour(colourOf<&Slatemark::blackscreen_Click>()); }
void Slatemark::bluescreen_Click() { m_surface->setBoardColour(colourOf<&Slatemark::bluescreen_Click>()); }
void Slatemark::redscreen_Click() { m_surface->setBoardColour(colourOf<&Slatemark::redscreen_Click>()); }
void Slatemark::yellowscreen_Click() { m_surface->setBoardColour(colourOf<&Slatemark::yellowscreen_Click>()); }
void Slatemark::greenscreen_Click() { m_surface->setBoardColour(colourOf<&Slatemark::greenscreen_Click>()); }
void Slatemark::lilacscreen_Click() { m_surface->setBoardColour(colourOf<&Slatemark::lilacscreen_Click>()); }
void Slatemark::whitescreen_Click() { m_surface->setBoardColour(colourOf<&Slatemark::whitescreen_Click>()); }

bool Slatemark::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && activationComesFromWithinProgram())
        Form_Activate();
    return QMainWindow::event(event);
}

bool Slatemark::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_surface)
        return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: // the second press of a double click is a press
        surfacePress(*static_cast<QMouseEvent *>(event));
        return true;
    case QEvent::MouseMove:
        surfaceMove(*static_cast<QMouseEvent *>(event));
        return true;
    case QEvent::MouseButtonRelease:
        surfaceRelease(*static_cast<QMouseEvent *>(event));
        return true;
    default:
        return false;
    }
}

void Slatemark::surfacePress(const QMouseEvent &event)
{
    // A press that begins on the banner belongs to it until the last button is released.
    if (event.buttons() == event.button())
        m_pressOnBanner = m_surface->bannerContains(event.position());
    const std::int16_t button = buttonCode(event.button());
    if (m_pressOnBanner || button == 0)
        return;
    const QPointF position = m_surface->toTwips(event.position());
    Form_MouseDown(button, shiftCode(event.modifiers()), static_cast<float>(position.x()),
                   static_cast<float>(position.y()));
}

void Slatemark::surfaceMove(const QMouseEvent &event)
{
    if (m_pressOnBanner)
        return;
    const QPointF position = m_surface->toTwips(event.position());
    Form_MouseMove(buttonCode(event.buttons()), shiftCode(event.modifiers()),
                   static_cast<float>(position.x()), static_cast<float>(position.y()));
}

void Slatemark::surfaceRelease(const QMouseEvent &event)
{
    if (!m_pressOnBanner)
        return;
    if (event.button() == Qt::LeftButton && m_surface->bannerContains(event.position()))
        Label1_Click();
    if (event.buttons() == Qt::NoButton)
        m_pressOnBanner = false;
}

void Slatemark::closeEvent(QCloseEvent *event)
{
    // Closing the board through its frame ends the program, as Exit does: a program left
    // running with only a hidden About window would be out of the user's reach.
    event->accept();
    endProgram();
}

// The board becomes the program's active window, rather than coming back from another program
// to the window that was already the program's active one.
bool Slatemark::activationComesFromWithinProgram()
{
    QWindow *own = windowHandle();
    const bool fromElsewhere = m_lastActiveWindow != own;
    m_lastActiveWindow = own;
    return fromElsewhere;
}

// Ends the program at once with status 0: no close or unload handler runs.
void Slatemark::endProgram()
{
    QCoreApplication::exit(0);
}
