#include "frm_divivederor.h"

#include "colour_value.h"
#include "stored.h"
#include "sys_info.h"
#include "tavrin_icons.h"
#include "twips.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace {

struct TwipLine
{
    int x1, y1, x2, y2;
};

enum class Align { Left, Centre };

struct StoredButton
{
    const char *name;
    TwipRect box;
    const char *caption;
    ColourValue back;
    bool isDefault; // also the cancel button: Esc presses it
};

struct StoredPicture
{
    const char *name;
    TwipRect box;
};

struct StoredLine
{
    const char *name;
    TwipLine line;
    ColourValue colour;
    int width; // pixels
};

struct StoredLabel
{
    const char *name;
    TwipRect box;
    const char *caption;
    ColourValue back;
    ColourValue fore;
    StoredFont font;
    Align align;
};

constexpr ColourValue kBlack = 0x00000000;
constexpr ColourValue kWhite = 0x00FFFFFF;
constexpr ColourValue kGrey = 0x00808080;
constexpr ColourValue kOliveYellow = 0x0000C0C0;
constexpr ColourValue kTeal = 0x00C0C000;
constexpr ColourValue kYellow = 0x0000FFFF;
constexpr ColourValue kDarkOrange = 0x000040C0;
constexpr ColourValue kBlue = 0x00FF0000;

constexpr StoredFont kDefaultFont{};

// The runs of spaces push the credit and the contact onto lines of their own once the label
// wraps the text.
constexpr char kDescription[] =
    "  This is a general purpose slatemark for kids.You can use your mouse as the chalk to "
    "write to this monitor slatemark.different colors of chalk can be selected from the "
    "menu.Board color also can be changed."
    "                 " // 17 spaces
    "Made by the Tavrin developers"
    "                                 " // 33 spaces
    "tavrin-developers@example.org";

constexpr char kDisclaimer[] = "WARNING: This software is protected by copyright law. It must "
                               "NOT be copied for DISTRIBUTION of any kind, on any media.";

// The window's stored properties, its controls in their stored order, which is also the order
// they are painted in, each over those before it. Positions and sizes in twips, colours as
// colour values. Where the window first appears is left to the window system.
constexpr struct
{
    const char *caption = "About Tavrin";
    int clientWidth = 6570;
    int clientHeight = 3945;
    ColourValue back = kBlack;

    StoredButton cmdOK{"cmdOK", {4320, 3120, 2220, 705}, "OK", kOliveYellow, true};
    StoredButton cmdSysInfo{
        "cmdSysInfo", {4320, 2760, 2205, 345}, "&System Info...", kOliveYellow, false};
    StoredPicture Image1{"Image1", {0, 120, 1695, 2175}};
    StoredLine Line1_1{"Line1_1", {90, 2520, 6480, 2520}, kGrey, 1};
    StoredLabel lblDescription{"lblDescription", {1800, 840, 3885, 1410}, kDescription, kTeal,
                               kBlack, kDefaultFont, Align::Left};
    StoredLabel lblTitle{"lblTitle", {1800, 120, 3885, 480}, "Tavrin", kBlack, kYellow,
                         {18, 700, true}, Align::Centre};
    StoredLine Line1_0{"Line1_0", {105, 2520, 6480, 2520}, kWhite, 2};
    StoredLabel lblVersion{"lblVersion", {1800, 600, 3885, 225}, "Version 1.0", kBlack, kYellow,
                           kDefaultFont, Align::Centre};
    StoredLabel lblDisclaimer{"lblDisclaimer", {120, 2760, 4095, 1065}, kDisclaimer, kDarkOrange,
                              kBlue, {8.25, 700, false}, Align::Left};
} kStored{};

// The pixels a straight line covers, as the window system strokes it: from its first end up
// to, not including, its second, with a pen of the line's width centred on it (an even width
// leans up, or left). The window's lines are horizontal or vertical.
QRect strokeRect(const StoredLine &stored)
{
    const QPoint from(twips::toPixels(stored.line.x1), twips::toPixels(stored.line.y1));
    const QPoint to(twips::toPixels(stored.line.x2), twips::toPixels(stored.line.y2));
    const int lean = stored.width / 2;
    Q_ASSERT(from.x() == to.x() || from.y() == to.y());
    if (from.y() == to.y())
        return QRect(QPoint(std::min(from.x(), to.x()), from.y() - lean),
                     QSize(std::abs(to.x() - from.x()), stored.width));
    return QRect(QPoint(from.x() - lean, std::min(from.y(), to.y())),
                 QSize(stored.width, std::abs(to.y() - from.y())));
}

// A line of the window. It takes no clicks: a click on it is a click on the window.
class LineControl : public QWidget
{
public:
    LineControl(const StoredLine &stored, QWidget *parent)
        : QWidget(parent), m_colour(toQColor(stored.colour))
    {
        setObjectName(QLatin1String(stored.name));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setGeometry(strokeRect(stored));
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter(this).fillRect(event->rect(), m_colour);
    }

private:
    QColor m_colour;
};

QPushButton *makeButton(const StoredButton &stored, QStyle *style, QWidget *parent)
{
    auto *button = new QPushButton(QString::fromUtf8(stored.caption), parent);
    button->setObjectName(QLatin1String(stored.name));
    button->setGeometry(twips::toPixels(stored.box));
    // Graphical buttons paint their face in their own colour whatever the desktop's style:
    // a classic flat-faced style does that with the palette's button colour.
    button->setStyle(style);
    QPalette palette;
    palette.setColor(QPalette::Button, toQColor(stored.back));
    button->setPalette(palette);
    button->setDefault(stored.isDefault);
    return button;
}

// Labels and the picture swallow their clicks: Qt would pass them on to the window, where
// they would count as a click on its background and close it.
void keepClicks(QWidget *widget)
{
    widget->setAttribute(Qt::WA_NoMousePropagation);
    widget->setFocusPolicy(Qt::NoFocus);
}

QLabel *makeLabel(const StoredLabel &stored, QWidget *parent)
{
    auto *label = new QLabel(QString::fromUtf8(stored.caption), parent);
    label->setObjectName(QLatin1String(stored.name));
    label->setGeometry(twips::toPixels(stored.box));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    // Text starts at the top and is cut at the bottom edge; QLabel would centre it vertically.
    label->setAlignment(Qt::AlignTop
                        | (stored.align == Align::Centre ? Qt::AlignHCenter : Qt::AlignLeft));
    QPalette palette;
    palette.setColor(QPalette::Window, toQColor(stored.back));
    palette.setColor(QPalette::WindowText, toQColor(stored.fore));
    label->setPalette(palette);
    label->setAutoFillBackground(true);
    label->setFont(toQFont(stored.font));
    keepClicks(label);
    return label;
}

QLabel *makePicture(const StoredPicture &stored, QWidget *parent)
{
    auto *picture = new QLabel(parent);
    picture->setObjectName(QLatin1String(stored.name));
    picture->setGeometry(twips::toPixels(stored.box));
    picture->setScaledContents(true); // stretched to the box, proportions not kept
    picture->setPixmap(QPixmap(QLatin1String(resources::kAboutPicturePath)));
    keepClicks(picture);
    return picture;
}

} // namespace

QString aboutCaption(const AppInfo &info)
{
    return QStringLiteral("About ") + toQString(info.title);
}

QString versionLine(const AppInfo &info)
{
    return QStringLiteral("Version %1.%2").arg(info.major).arg(info.minor);
}

frmDivivederor::frmDivivederor(platform::Registry &registry, platform::SystemServices &services,
                               QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint),
      m_registry(registry),
      m_services(services)
{
    buildControls();
}

void frmDivivederor::buildControls()
{
    setWindowTitle(QString::fromUtf8(kStored.caption));
    setWindowIcon(resources::aboutIcon());
    setModal(false);
    setFixedSize(twips::toPixels(kStored.clientWidth), twips::toPixels(kStored.clientHeight));
    QPalette palette;
    palette.setColor(QPalette::Window, toQColor(kStored.back));
    setPalette(palette);
    setAutoFillBackground(true);
    setFont(toQFont(StoredFont{}));

    QStyle *buttonStyle = QStyleFactory::create(QStringLiteral("Windows"));
    if (buttonStyle)
        buttonStyle->setParent(this);

    cmdOK = makeButton(kStored.cmdOK, buttonStyle, this);
    cmdSysInfo = makeButton(kStored.cmdSysInfo, buttonStyle, this);
    makePicture(kStored.Image1, this);
    new LineControl(kStored.Line1_1, this);
    makeLabel(kStored.lblDescription, this);
    lblTitle = makeLabel(kStored.lblTitle, this);
    new LineControl(kStored.Line1_0, this);
    lblVersion = makeLabel(kStored.lblVersion, this);
    makeLabel(kStored.lblDisclaimer, this);

    // Buttons are windows of their own and stay above every painted control.
    cmdSysInfo->raise();
    cmdOK->raise();

    // Tab indices 0 and 1; no other control takes the focus.
    setTabOrder(cmdOK, cmdSysInfo);
    cmdOK->setFocus();

    connect(cmdOK, &QPushButton::clicked, this, &frmDivivederor::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmDivivederor::cmdSysInfo_Click);
}

void frmDivivederor::Form_Load(const AppInfo &info)
{
    setWindowTitle(aboutCaption(info));
    lblVersion->setText(versionLine(info));
    lblTitle->setText(toQString(info.title));
}

void frmDivivederor::cmdOK_Click()
{
    unload();
}

void frmDivivederor::cmdSysInfo_Click()
{
    sysinfo::StartSysInfo(m_registry, m_services);
}

void frmDivivederor::Form_Click()
{
    unload();
}

void frmDivivederor::reject()
{
    // Esc presses the cancel button, which is OK.
    cmdOK_Click();
}

void frmDivivederor::done(int result)
{
    QDialog::done(result);
    unload();
}

void frmDivivederor::unload()
{
    emit unloadRequested();
}

void frmDivivederor::mousePressEvent(QMouseEvent *event)
{
    m_leftPressed = event->button() == Qt::LeftButton;
}

void frmDivivederor::mouseReleaseEvent(QMouseEvent *event)
{
    // A click is a press and a release of the left button on the window's surface.
    const bool click = m_leftPressed && event->button() == Qt::LeftButton
                       && rect().contains(event->position().toPoint());
    m_leftPressed = false;
    if (click)
        Form_Click();
}

void frmDivivederor::closeEvent(QCloseEvent *event)
{
    // The close box unloads the window, as OK does.
    event->accept();
    unload();
}
