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
#include <QRegularExpression>
#include <QStyle>
#include <QStyleFactory>

namespace {

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

// A straight horizontal line from (left, y) to (right, y).
struct StoredLine
{
    const char *name;
    int left;
    int right;
    int y;
    ColourValue colour;
    int width; // pixels
};

constexpr ColourValue kBlack = 0x00000000;
constexpr ColourValue kYellow = 0x0000FFFF;
constexpr ColourValue kOliveYellow = 0x0000C0C0;

// The runs of spaces set the credit and the contact apart, each on a line of its own.
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
    StoredLine Line1_1{"Line1_1", 90, 6480, 2520, 0x00808080, 1};
    StoredLabel lblDescription{"lblDescription", {1800, 840, 3885, 1410}, kDescription,
                               0x00C0C000, kBlack, {}, false};
    StoredLabel lblTitle{"lblTitle", {1800, 120, 3885, 480}, "Tavrin", kBlack, kYellow,
                         {18, 700, true}, true};
    StoredLine Line1_0{"Line1_0", 105, 6480, 2520, 0x00FFFFFF, 2};
    StoredLabel lblVersion{"lblVersion", {1800, 600, 3885, 225}, "Version 1.0", kBlack, kYellow,
                           {}, true};
    StoredLabel lblDisclaimer{"lblDisclaimer", {120, 2760, 4095, 1065}, kDisclaimer, 0x000040C0,
                              0x00FF0000, {8.25, 700, false}, false};
} kStored{};

// Labels and the picture swallow their clicks: Qt would pass them on to the window, where
// they would count as a click on its background and close it.
void keepClicks(QWidget *widget)
{
    widget->setAttribute(Qt::WA_NoMousePropagation);
    widget->setFocusPolicy(Qt::NoFocus);
}

// A line of the window, stroked as the window system strokes it: from its first end up to,
// not including, its second, with a pen of its width centred on it (an even width leans up).
// It takes no clicks: a click on it is a click on the window.
class LineControl : public QWidget
{
public:
    LineControl(const StoredLine &stored, QWidget *parent)
        : QWidget(parent), m_colour(toQColor(stored.colour))
    {
        setObjectName(QLatin1String(stored.name));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_OpaquePaintEvent);
        const double dpi = parent->logicalDpiX();
        const int left = twips::toPixels(stored.left, dpi);
        setGeometry(left, twips::toPixels(stored.y, dpi) - stored.width / 2,
                    twips::toPixels(stored.right, dpi) - left, stored.width);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter(this).fillRect(event->rect(), m_colour);
    }

private:
    QColor m_colour;
};

// A static text: an opaque box of its colour, the text from the top edge, wrapped at spaces
// within the width and cut at the bottom edge.
class LabelControl : public QLabel
{
public:
    LabelControl(const StoredLabel &stored, QWidget *parent)
        : QLabel(QString::fromUtf8(stored.caption), parent)
    {
        setObjectName(QLatin1String(stored.name));
        setGeometry(twips::toPixels(stored.box, parent->logicalDpiX()));
        setTextFormat(Qt::PlainText);
        setWordWrap(true);
        setAlignment(Qt::AlignTop | (stored.centred ? Qt::AlignHCenter : Qt::AlignLeft));
        QPalette colours;
        colours.setColor(QPalette::Window, toQColor(stored.back));
        colours.setColor(QPalette::WindowText, toQColor(stored.fore));
        setPalette(colours);
        setAutoFillBackground(true);
        setFont(toQFont(stored.font));
        keepClicks(this);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        // A run of spaces after a word was typed to fill out its line, so that what follows
        // starts the next one. Counted at its width, it would end that line in one font and
        // hang inside it in another: it ends the line whatever the font.
        static const QRegularExpression runOfSpaces(QStringLiteral("(?<=\\S) {2,}"));
        QString laidOut = text();
        laidOut.replace(runOfSpaces, QString(QChar::LineSeparator));
        QPainter painter(this);
        style()->drawItemText(&painter, contentsRect(), int(alignment()) | Qt::TextWordWrap,
                              palette(), isEnabled(), laidOut, foregroundRole());
    }
};

QPushButton *makeButton(const StoredButton &stored, QStyle *style, QWidget *parent)
{
    auto *button = new QPushButton(QString::fromUtf8(stored.caption), parent);
    button->setObjectName(QLatin1String(stored.name));
    button->setGeometry(twips::toPixels(stored.box, parent->logicalDpiX()));
    // Graphical buttons paint their face in their own colour whatever the desktop's style:
    // a classic flat-faced style does that with the palette's button colour.
    button->setStyle(style);
    QPalette palette;
    palette.setColor(QPalette::Button, toQColor(stored.back));
    button->setPalette(palette);
    button->setDefault(stored.isDefault);
    return button;
}

QLabel *makePicture(const StoredPicture &stored, QWidget *parent)
{
    auto *picture = new QLabel(parent);
    picture->setObjectName(QLatin1String(stored.name));
    picture->setGeometry(twips::toPixels(stored.box, parent->logicalDpiX()));
    picture->setScaledContents(true); // stretched to the box, proportions not kept
    picture->setPixmap(QPixmap(QLatin1String(resources::kAboutPicturePath)));
    keepClicks(picture);
    return picture;
}

} // namespace

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
    // Twips become pixels at the window's logical resolution, as the board's do, so the two
    // windows keep their proportions to each other and to their fonts at any scale.
    const double dpi = logicalDpiX();
    setFixedSize(twips::toPixels(kStored.clientWidth, dpi), twips::toPixels(kStored.clientHeight, dpi));
    QPalette palette;
    palette.setColor(QPalette::Window, toQColor(kStored.back));
    setPalette(palette);
    setAutoFillBackground(true);
    setFont(toQFont(StoredFont{}));

    QStyle *buttonStyle = QStyleFactory::create(QStringLiteral("Windows"));
    if (buttonStyle)
        buttonStyle->setParent(this);

    QPushButton *cmdOK = makeButton(kStored.cmdOK, buttonStyle, this);
    QPushButton *cmdSysInfo = makeButton(kStored.cmdSysInfo, buttonStyle, this);
    makePicture(kStored.Image1, this);
    new LineControl(kStored.Line1_1, this);
    new LabelControl(kStored.lblDescription, this);
    lblTitle = new LabelControl(kStored.lblTitle, this);
    new LineControl(kStored.Line1_0, this);
    lblVersion = new LabelControl(kStored.lblVersion, this);
    new LabelControl(kStored.lblDisclaimer, this);

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
    setWindowTitle(QStringLiteral("About ") + toQString(info.title));
    lblVersion->setText(QStringLiteral("Version %1.%2").arg(info.major).arg(info.minor));
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
