#include "slatemark.h"

#include "app_info.h"
#include "menu_bar_style.h"
#include "named_colours.h"
#include "stored.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QWindow>

#include <array>

ColourValue chalkColour = 0;

namespace {

// The board window's stored properties, in the units they are kept in: twips, colour values,
// points. They are applied once, when the window is built.
namespace stored {

constexpr ColourValue kBoardColour = 0x00808080;
constexpr int kClientWidth = 9510;
constexpr int kClientHeight = 6555;

constexpr int kTimer1Interval = 3000; // milliseconds

constexpr const char *kLabel1Caption = " welcome to tavrin";
constexpr int kLabel1Left = 120;
constexpr int kLabel1Top = 840;
constexpr int kLabel1Width = 9255;
constexpr int kLabel1Height = 4695;
constexpr ColourValue kLabel1Background = 0x00C00000;
constexpr ColourValue kLabel1Foreground = 0x00C0C0FF;
constexpr qreal kLabel1FontPoints = 60;
constexpr int kLabel1FontWeight = 700;
constexpr bool kLabel1FontItalic = true;

// The bar's captions are their core text with spaces on both sides; the spaces spread the
// five entries across the bar.
struct BarEntry
{
    const char *name;
    const char *text;
    int spacesBefore;
    int spacesAfter;
};
constexpr BarEntry kExiting{"exiting", "Exit", 10, 10};
constexpr BarEntry kChockColors{"chockcolors", "Choke color", 11, 10};
constexpr BarEntry kScreenColor{"screencolor", "Screen", 10, 10};
constexpr BarEntry kErasing{"erasing", "Erase", 30, 29};
constexpr BarEntry kAboutApplcn{"aboutapplcn", "About", 3, 3};

// A face of about eight points whose space is narrow: with it all five entries fit in one row
// on a bar as wide as the board.
constexpr qreal kMenuFontPoints = 8;
// Pixels on either side of each caption on the bar, whatever the widget style.
constexpr int kMenuItemPadding = 6;

} // namespace stored

using Handler = void (Slatemark::*)();

// The handlers of the two colour submenus, in the order of the named colours.
constexpr std::array<Handler, kNamedColours.size()> kChalkHandlers{
    &Slatemark::blackchoke_Click, &Slatemark::bluechoke_Click,  &Slatemark::redchoke_Click,
    &Slatemark::yellowchoke_Click, &Slatemark::greenchoke_Click, &Slatemark::lilacchoke_Click,
    &Slatemark::whitechoke_Click};
constexpr std::array<Handler, kNamedColours.size()> kBoardHandlers{
    &Slatemark::blackscreen_Click, &Slatemark::bluescreen_Click,  &Slatemark::redscreen_Click,
    &Slatemark::yellowscreen_Click, &Slatemark::greenscreen_Click, &Slatemark::lilacscreen_Click,
    &Slatemark::whitescreen_Click};

QString caption(const stored::BarEntry &entry)
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
    // The window handles the mouse for its surface: a move then reaches one handler, not two.
    m_surface->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_surface->setAccessibleName(tr("Chalkboard"));
    m_surface->setBoardColour(stored::kBoardColour);
    setCentralWidget(m_surface);

    // A coarse timer may fire up to a twentieth early; the banner stays its full three seconds.
    m_timer1.setTimerType(Qt::PreciseTimer);
    m_timer1.setInterval(stored::kTimer1Interval);
    connect(&m_timer1, &QTimer::timeout, this, &Slatemark::Timer1_Timer);
    m_timer1.start();

    m_surface->showLabel(LightweightLabel{
        QString::fromUtf8(stored::kLabel1Caption),
        QRect(stored::kLabel1Left, stored::kLabel1Top, stored::kLabel1Width, stored::kLabel1Height),
        stored::kLabel1Background, stored::kLabel1Foreground,
        toQFont({stored::kLabel1FontPoints, stored::kLabel1FontWeight, stored::kLabel1FontItalic})});

    createMenus();

    const QRect client = m_surface->toPixels(QRect(0, 0, stored::kClientWidth, stored::kClientHeight));
    resize(client.width(), client.height() + menuBar()->heightForWidth(client.width()));
}

// Every menu entry is built here, from the bar's stored captions and the named colours.
void Slatemark::createMenus()
{
    QMenuBar *bar = menuBar();
    bar->setFont(toQFont({stored::kMenuFontPoints}));
    auto *barStyle = new MenuBarStyle(stored::kMenuItemPadding);
    barStyle->setParent(bar);
    bar->setStyle(barStyle);

    const auto addCommand = [this, bar](const stored::BarEntry &entry, Handler handler) {
        QAction *action = bar->addAction(caption(entry));
        action->setObjectName(QLatin1String(entry.name));
        connect(action, &QAction::triggered, this, handler);
    };
    const auto addSubmenu = [bar](const stored::BarEntry &entry) {
        QMenu *menu = bar->addMenu(caption(entry));
        menu->setObjectName(QLatin1String(entry.name));
        menu->menuAction()->setObjectName(QLatin1String(entry.name));
        menu->setFont(bar->font());
        return menu;
    };

    addCommand(stored::kExiting, &Slatemark::exiting_Click);

    QMenu *chalk = addSubmenu(stored::kChockColors);
    QMenu *board = addSubmenu(stored::kScreenColor);
    for (std::size_t i = 0; i < kNamedColours.size(); ++i) {
        const NamedColourEntry &colour = kNamedColours[i];
        QAction *chalkEntry = chalk->addAction(toQString(colour.chalkCaption));
        chalkEntry->setObjectName(toQString(colour.chalkName));
        connect(chalkEntry, &QAction::triggered, this, kChalkHandlers[i]);
        QAction *boardEntry = board->addAction(toQString(colour.boardCaption));
        boardEntry->setObjectName(toQString(colour.boardName));
        connect(boardEntry, &QAction::triggered, this, kBoardHandlers[i]);
    }

    addCommand(stored::kErasing, &Slatemark::erasing_Click);
    addCommand(stored::kAboutApplcn, &Slatemark::aboutapplcn_Click);
}

void Slatemark::Form_Load()
{
    chalkColour = namedColour(NamedColour::White);
    m_surface->setBoardColour(namedColour(NamedColour::Black));
}

void Slatemark::Form_Activate()
{
    emit aboutVisibilityRequested(false);
    m_timer1.start();
}

void Slatemark::Timer1_Timer()
{
    m_surface->hideLabel();
    m_timer1.stop();
}

void Slatemark::Label1_Click()
{
    m_surface->hideLabel();
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

void Slatemark::blackchoke_Click() { chalkColour = namedColour(NamedColour::Black); }
void Slatemark::bluechoke_Click() { chalkColour = namedColour(NamedColour::Blue); }
void Slatemark::redchoke_Click() { chalkColour = namedColour(NamedColour::Red); }
void Slatemark::yellowchoke_Click() { chalkColour = namedColour(NamedColour::Yellow); }
void Slatemark::greenchoke_Click() { chalkColour = namedColour(NamedColour::Green); }
void Slatemark::lilacchoke_Click() { chalkColour = namedColour(NamedColour::Lilac); }
void Slatemark::whitechoke_Click() { chalkColour = namedColour(NamedColour::White); }

void Slatemark::blackscreen_Click() { m_surface->setBoardColour(namedColour(NamedColour::Black)); }
void Slatemark::bluescreen_Click() { m_surface->setBoardColour(namedColour(NamedColour::Blue)); }
void Slatemark::redscreen_Click() { m_surface->setBoardColour(namedColour(NamedColour::Red)); }
void Slatemark::yellowscreen_Click() { m_surface->setBoardColour(namedColour(NamedColour::Yellow)); }
void Slatemark::greenscreen_Click() { m_surface->setBoardColour(namedColour(NamedColour::Green)); }
void Slatemark::lilacscreen_Click() { m_surface->setBoardColour(namedColour(NamedColour::Lilac)); }
void Slatemark::whitescreen_Click() { m_surface->setBoardColour(namedColour(NamedColour::White)); }

bool Slatemark::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && activationComesFromWithinProgram())
        Form_Activate();
    return QMainWindow::event(event);
}

void Slatemark::mousePressEvent(QMouseEvent *event)
{
    const QPointF at = m_surface->mapFrom(this, event->position());
    // A press that begins on the banner belongs to it until the last button is released.
    if (event->buttons() == event->button())
        m_pressOnLabel = m_surface->labelContains(at);
    const std::int16_t button = buttonCode(event->button());
    if (m_pressOnLabel || button == 0)
        return;
    const QPointF position = m_surface->toTwips(at);
    Form_MouseDown(button, shiftCode(event->modifiers()), static_cast<float>(position.x()),
                   static_cast<float>(position.y()));
}

void Slatemark::mouseMoveEvent(QMouseEvent *event)
{
    if (m_pressOnLabel)
        return;
    const QPointF position = m_surface->toTwips(m_surface->mapFrom(this, event->position()));
    Form_MouseMove(buttonCode(event->buttons()), shiftCode(event->modifiers()),
                   static_cast<float>(position.x()), static_cast<float>(position.y()));
}

void Slatemark::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_pressOnLabel)
        return;
    if (event->button() == Qt::LeftButton &&
        m_surface->labelContains(m_surface->mapFrom(this, event->position())))
        Label1_Click();
    if (event->buttons() == Qt::NoButton)
        m_pressOnLabel = false;
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
