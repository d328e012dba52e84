// The About window as a user sees it: its texts, its pixels, its keys and clicks, and its
// lifetime as a default instance. System Information is reached through a registry that holds
// one path and services that record what they are asked to do.

#include "frm_divivederor.h"
#include "registry.h"
#include "system_services.h"
#include "tavrin_icons.h"
#include "window_instance.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QWindow>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace platform;

namespace {

constexpr char kToolPath[] = "C:\\Program Files\\Tools\\MSINFO32.EXE";

// A registry holding the one value that names the System Information tool.
class ToolRegistry : public Registry
{
public:
    RegStatus openKey(RegRoot root, const std::string &subKey, std::uint32_t, RegAccess,
                      RegHandle *handle) override
    {
        if (root != reg::kLocalMachine || subKey != "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO")
            return reg::kNotFound;
        *handle = ++m_lastHandle;
        ++m_open;
        return reg::kSuccess;
    }

    RegStatus queryValue(RegHandle, const std::string &valueName, RegType *type,
                         std::uint8_t *data, std::uint32_t *size) override
    {
        if (valueName != "PATH")
            return reg::kNotFound;
        const std::uint32_t needed = sizeof(kToolPath); // with its terminating zero
        if (*size < needed)
            return reg::kMoreData;
        std::memcpy(data, kToolPath, needed);
        *size = needed;
        *type = reg::kString;
        return reg::kSuccess;
    }

    RegStatus closeKey(RegHandle) override
    {
        --m_open;
        return reg::kSuccess;
    }

    int openKeys() const { return m_open; }

private:
    RegHandle m_lastHandle = 0;
    int m_open = 0;
};

class RecordingServices : public SystemServices
{
public:
    bool findNormalFile(const std::string &) override { return false; }
    void startProgram(const std::string &path) override { started.push_back(path); }
    void showMessage(const std::string &text) override { messages.push_back(text); }
    void beep() override {}

    std::vector<std::string> started;
    std::vector<std::string> messages;
};

constexpr char kDescriptionText[] =
    "  This is a general purpose slatemark for kids.You can use your mouse as the chalk to "
    "write to this monitor slatemark.different colors of chalk can be selected from the "
    "menu.Board color also can be changed.";

const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kGrey(128, 128, 128);
const QColor kOliveYellow(192, 192, 0);

bool near(const QColor &a, const QColor &b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
           && std::abs(a.blue() - b.blue()) <= tolerance;
}

// The colour that covers most of the area.
QColor dominantColour(const QImage &image, const QRect &area)
{
    std::map<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y) | 0xFF000000u];
    auto best = counts.begin();
    for (auto it = counts.begin(); it != counts.end(); ++it)
        if (it->second > best->second)
            best = it;
    return QColor::fromRgb(best->first);
}

// The rows and columns of the area where some pixel is close to the colour: the ink of a text.
QRect inkBounds(const QImage &image, const QRect &area, const QColor &ink, int tolerance = 40)
{
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (near(image.pixelColor(x, y), ink, tolerance))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// What a key or a click does to the window.
enum Outcome { Unloads, StartsSysInfo, Nothing };

} // namespace

class tst_AboutWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadStep_data();
    void loadStep();
    void longTexts();

    void frame();
    void controlsAndStacking();

    void labelPixels_data();
    void labelPixels();
    void layoutPixels();
    void buttonFaces_data();
    void buttonFaces();
    void pictureIsStretched();
    void icon();

    void tabMovesBetweenButtonsOnly();
    void keys_data();
    void keys();
    void clicks_data();
    void clicks();

    void everyWayOfClosingUnloads_data();
    void everyWayOfClosingUnloads();
    void freshInstanceAfterUnload();
    void sameInstanceAfterHideAndShow();

private:
    frmDivivederor &shown();
    template <class T = QWidget>
    T *control(const char *name);
    QImage grabbed() { return shown().grab().toImage().convertToFormat(QImage::Format_RGB32); }
    int sysInfoRuns() const { return int(m_services.started.size() + m_services.messages.size()); }
    void checkOutcome(const QPointer<frmDivivederor> &window, Outcome outcome);

    ToolRegistry m_registry;
    RecordingServices m_services;
    std::unique_ptr<DefaultInstance<frmDivivederor>> m_about;
};

void tst_AboutWindow::init()
{
    m_services = RecordingServices();
    m_about = std::make_unique<DefaultInstance<frmDivivederor>>(
        [this] { return new frmDivivederor(m_registry, m_services); });
}

void tst_AboutWindow::cleanup()
{
    m_about.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(m_registry.openKeys(), 0);
}

frmDivivederor &tst_AboutWindow::shown()
{
    m_about->show();
    frmDivivederor &window = m_about->get();
    if (!QTest::qWaitForWindowActive(&window))
        qWarning("the About window did not become active");
    return window;
}

template <class T>
T *tst_AboutWindow::control(const char *name)
{
    T *child = m_about->get().findChild<T *>(QLatin1String(name));
    if (!child)
        qWarning("no control %s", name);
    return child;
}

void tst_AboutWindow::checkOutcome(const QPointer<frmDivivederor> &window, Outcome outcome)
{
    QCOMPARE(m_about->isLoaded(), outcome != Unloads);
    if (outcome == Unloads) {
        QVERIFY(!window || !window->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull()); // destroyed, not merely hidden
        QCOMPARE(sysInfoRuns(), 0);
        return;
    }
    // Either way the window stays as it was; System Information started once with the registry's path.
    QCOMPARE(&m_about->get(), window.data());
    QVERIFY(window->isVisible());
    QCOMPARE(m_about->loads(), 1);
    QVERIFY(m_services.messages.empty());
    QCOMPARE(m_services.started.size(), std::size_t(outcome == StartsSysInfo));
    if (outcome == StartsSysInfo)
        QCOMPARE(m_services.started.front(), std::string(kToolPath));
}

// ---- Texts -------------------------------------------------------------------------------

// The load step takes title and version from the program's identity: the revision is never
// shown, numbers have no leading zeros, and a long title wraps inside its stored box.
void tst_AboutWindow::loadStep_data()
{
    QTest::addColumn<QString>("title"); // empty: the program's own identity
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("revision");
    QTest::addColumn<QString>("version");
    QTest::newRow("own identity") << QString() << 0 << 0 << 0 << "Version 1.0";
    QTest::newRow("revision never shown") << "Chalk Box" << 1 << 0 << 9 << "Version 1.0";
    QTest::newRow("no leading zero") << "Chalk Box" << 3 << 7 << 0 << "Version 3.7";
    QTest::newRow("largest") << "Chalk Box" << 65535 << 65535 << 65535 << "Version 65535.65535";
    QTest::newRow("long title")
        << "A Very Long Title For A Chalkboard That Does Not Fit On One Line" << 10 << 250 << 77
        << "Version 10.250";
}

void tst_AboutWindow::loadStep()
{
    QFETCH(QString, title);
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, revision);
    QFETCH(QString, version);
    frmDivivederor &window = m_about->get();
    QCOMPARE(m_about->loads(), 1);
    QVERIFY(!window.isVisible()); // loading does not show it
    if (title.isEmpty()) {
        title = QStringLiteral("Tavrin");
    } else {
        const QByteArray utf8 = title.toUtf8();
        window.Form_Load(AppInfo{utf8.constData(), std::uint16_t(major), std::uint16_t(minor),
                                 std::uint16_t(revision), "Project1", "Tavrin"});
    }
    QCOMPARE(window.windowTitle(), QStringLiteral("About ") + title);
    QCOMPARE(control<QLabel>("lblTitle")->text(), title);
    QCOMPARE(control<QLabel>("lblVersion")->text(), version);
    QCOMPARE(control("lblTitle")->geometry(), QRect(120, 8, 259, 32));
}

void tst_AboutWindow::longTexts()
{
    const QString text = control<QLabel>("lblDescription")->text();
    QVERIFY2(text.startsWith(QLatin1String(kDescriptionText)), qPrintable(text));
    // Then 17 spaces, a credit line, 33 spaces and a contact e-mail address, and nothing else.
    const QString rest = text.mid(qsizetype(std::strlen(kDescriptionText)));
    static const QRegularExpression shape(
        QStringLiteral("^ {17}(\\S(?:.*\\S)?) {33}(\\S+@\\S+\\.\\S+)$"));
    const QRegularExpressionMatch match = shape.match(rest);
    QVERIFY2(match.hasMatch(), qPrintable(QLatin1Char('[') + rest + QLatin1Char(']')));
    QVERIFY(!match.captured(1).contains(QLatin1String("  ")));

    const QString disclaimer = control<QLabel>("lblDisclaimer")->text();
    QCOMPARE(disclaimer.size(), 119);
    QVERIFY(disclaimer.contains(QRegularExpression(QStringLiteral("\\b[A-Z]{3,}\\b"))));
    QVERIFY(disclaimer.contains(QRegularExpression(QStringLiteral("\\b[a-z]{3,}\\b"))));
    for (const char *word : {"protected", "copied", "distribution of any kind"})
        QVERIFY2(disclaimer.contains(QLatin1String(word), Qt::CaseInsensitive), word);
}

// ---- Frame and controls ------------------------------------------------------------------

void tst_AboutWindow::frame()
{
    frmDivivederor &window = shown();
    QCOMPARE(window.size(), QSize(438, 263)); // 6570 x 3945 twips
    QCOMPARE(window.minimumSize(), window.size());
    QCOMPARE(window.maximumSize(), window.size());
    const Qt::WindowFlags flags = window.windowFlags();
    QCOMPARE(window.windowType(), Qt::Dialog);
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint
                       | Qt::WindowContextHelpButtonHint)));
    QVERIFY(flags & Qt::WindowCloseButtonHint);

    // Owned by its parent, and modeless: the board still takes input.
    QWidget board;
    board.show();
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    frmDivivederor about(m_registry, m_services, &board);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QCOMPARE(about.windowHandle()->transientParent(), board.windowHandle());
    QVERIFY(!QGuiApplication::modalWindow());
}

void tst_AboutWindow::controlsAndStacking()
{
    // Children are stacked in the stored painting order; the buttons stay on top.
    const QStringList expected{"Image1",   "Line1_1",    "lblDescription",
                               "lblTitle", "Line1_0",    "lblVersion",
                               "lblDisclaimer", "cmdSysInfo", "cmdOK"};
    QStringList stacked;
    for (QObject *child : m_about->get().children())
        if (child->isWidgetType() && expected.contains(child->objectName()))
            stacked << child->objectName();
    QCOMPARE(stacked, expected);
    for (const char *name : {"lblDescription", "lblTitle", "lblVersion", "lblDisclaimer", "Image1"})
        QVERIFY2(control(name)->focusPolicy() == Qt::NoFocus, name);
    QCOMPARE(control<QPushButton>("cmdSysInfo")->text(), QStringLiteral("&System Info..."));
    QCOMPARE(control<QPushButton>("cmdOK")->text(), QStringLiteral("OK"));
}

// ---- Pixels ------------------------------------------------------------------------------

void tst_AboutWindow::labelPixels_data()
{
    QTest::addColumn<QRect>("box");
    QTest::addColumn<QColor>("back");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<bool>("topLeft"); // text from the top left, not centred
    QTest::newRow("lblDescription") << QRect(120, 56, 259, 94) << QColor(0, 192, 192) << kBlack
                                    << true;
    QTest::newRow("lblTitle") << QRect(120, 8, 259, 32) << kBlack << QColor(255, 255, 0) << false;
    QTest::newRow("lblVersion") << QRect(120, 40, 259, 15) << kBlack << QColor(255, 255, 0)
                                << false;
    QTest::newRow("lblDisclaimer") << QRect(8, 184, 273, 71) << QColor(192, 64, 0)
                                   << QColor(0, 0, 255) << true;
}

void tst_AboutWindow::labelPixels()
{
    QFETCH(QRect, box);
    QFETCH(QColor, back);
    QFETCH(QColor, text);
    QFETCH(bool, topLeft);
    const QImage image = grabbed();
    QCOMPARE(dominantColour(image, box), back);
    // The stored box (twips / 15): the background is opaque right to its edges, and stops there.
    QCOMPARE(image.pixelColor(box.bottomRight()), back);
    QCOMPARE(image.pixelColor(box.right(), box.top()), back);
    if (back != kBlack) {
        QCOMPARE(image.pixelColor(box.bottomRight() + QPoint(1, 1)), kBlack);
        QCOMPARE(image.pixelColor(box.topLeft() - QPoint(1, 1)), kBlack);
    }
    QVERIFY2(!inkBounds(image, box, text, 24).isEmpty(), "no pixel in the text colour");
    const QRect ink = inkBounds(image, box, text);
    const int left = ink.left() - box.left();
    const int right = box.right() - ink.right();
    if (topLeft) {
        // The first line's ink starts within the first few rows; some line starts at the left
        // edge (the first one is indented by spaces).
        QVERIFY2(ink.top() - box.top() <= 4, qPrintable(QString::number(ink.top() - box.top())));
        QVERIFY2(left <= 3, qPrintable(QString::number(left)));
    } else {
        QVERIFY2(left > 50 && std::abs(left - right) <= 8,
                 qPrintable(QStringLiteral("gaps %1 and %2").arg(left).arg(right)));
    }
}

void tst_AboutWindow::layoutPixels()
{
    const QImage image = grabbed();
    QCOMPARE(image.size(), QSize(438, 263));
    for (const QPoint p : {QPoint(2, 2), QPoint(115, 100), QPoint(400, 100), QPoint(437, 262),
                           QPoint(437, 0), QPoint(0, 262), QPoint(284, 230), QPoint(60, 160)})
        QVERIFY2(image.pixelColor(p) == kBlack,
                 qPrintable(QStringLiteral("(%1, %2) is %3")
                                .arg(p.x()).arg(p.y()).arg(image.pixelColor(p).name())));
    // The title, 18 points bold, is far taller than the version line's text below it.
    const QRect titleInk = inkBounds(image, QRect(120, 8, 259, 32), QColor(255, 255, 0));
    QVERIFY2(titleInk.height() >= 14, qPrintable(QString::number(titleInk.height())));
    QVERIFY(inkBounds(image, QRect(120, 40, 259, 15), QColor(255, 255, 0)).height()
            < titleInk.height());
    // Between the description's bottom edge and the separator there is only background.
    for (int y = 150; y < 167; ++y)
        for (int x = 113; x < 438; ++x)
            QVERIFY2(image.pixelColor(x, y) == kBlack,
                     qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
    // The white line, two pixels thick, from x = 7 to 431.
    for (int x = 7; x <= 431; ++x) {
        QCOMPARE(image.pixelColor(x, 168), kWhite);
        QCOMPARE(image.pixelColor(x, 167), kWhite);
        QCOMPARE(image.pixelColor(x, 166), kBlack);
        QCOMPARE(image.pixelColor(x, 169), kBlack);
    }
    // The grey line lies behind it and shows only where the white one has not begun.
    QCOMPARE(image.pixelColor(6, 168), kGrey);
    for (const QPoint p : {QPoint(6, 167), QPoint(5, 168), QPoint(432, 168), QPoint(432, 167)})
        QCOMPARE(image.pixelColor(p), kBlack);
}

void tst_AboutWindow::buttonFaces_data()
{
    QTest::addColumn<QRect>("box");
    QTest::newRow("cmdOK") << QRect(288, 208, 148, 47);
    QTest::newRow("cmdSysInfo") << QRect(288, 184, 147, 23);
}

void tst_AboutWindow::buttonFaces()
{
    QFETCH(QRect, box);
    const QImage image = grabbed();
    const QRect face = box.adjusted(4, 4, -4, -4);
    QCOMPARE(image.pixelColor(box.left() - 1, box.center().y()), kBlack);
    // The caption in the button text colour.
    const QColor buttonText = control<QPushButton>("cmdOK")->palette().color(QPalette::ButtonText);
    QVERIFY(!inkBounds(image, face, buttonText, 24).isEmpty());
    // Whatever the application's style: the face is flat olive yellow, not a gradient.
    int olive = 0;
    for (int y = face.top(); y <= face.bottom(); ++y)
        for (int x = face.left(); x <= face.right(); ++x)
            olive += image.pixelColor(x, y) == kOliveYellow;
    QVERIFY2(olive * 10 > face.width() * face.height() * 7, qPrintable(QString::number(olive)));
}

void tst_AboutWindow::pictureIsStretched()
{
    const QPixmap picture(QLatin1String(resources::kAboutPicturePath));
    QCOMPARE(picture.size(), QSize(320, 240));
    const QRect box(0, 8, 113, 145);
    const QImage image = grabbed();
    // The landscape picture fills the portrait box, squeezed: not letterboxed, not cropped.
    const QImage expected = picture.toImage()
                                .scaled(box.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                .convertToFormat(QImage::Format_RGB32);
    int differing = 0;
    for (int y = 0; y < box.height(); ++y)
        for (int x = 0; x < box.width(); ++x)
            differing += !near(image.pixelColor(box.x() + x, box.y() + y),
                               expected.pixelColor(x, y), 8);
    QVERIFY2(differing == 0, qPrintable(QString::number(differing)));
}

void tst_AboutWindow::icon()
{
    const QImage image = m_about->get().windowIcon().pixmap(32, 32).toImage();
    QCOMPARE(image.size(), QSize(32, 32));
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0); // a transparent corner
    const QColor centre = image.pixelColor(16, 20);
    QVERIFY2(centre.red() > 200 && centre.green() > 200 && centre.blue() < 80,
             qPrintable(centre.name())); // a yellow face
}

// ---- Keyboard and mouse ------------------------------------------------------------------

void tst_AboutWindow::tabMovesBetweenButtonsOnly()
{
    QWindow *window = shown().windowHandle();
    QWidget *ok = control("cmdOK");
    QCOMPARE(QApplication::focusWidget(), ok);
    QTest::keyClick(window, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), control("cmdSysInfo"));
    QTest::keyClick(window, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), ok);
    QTest::keyClick(window, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), control("cmdSysInfo"));
    QCOMPARE(sysInfoRuns(), 0);
}

void tst_AboutWindow::keys_data()
{
    QTest::addColumn<bool>("onSysInfo"); // focus moved there first
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("outcome");
    for (const auto &[keyName, key] : {std::pair{"Return", Qt::Key_Return},
                                       std::pair{"Enter", Qt::Key_Enter},
                                       std::pair{"Space", Qt::Key_Space},
                                       std::pair{"Escape", Qt::Key_Escape}}) {
        const Outcome onSysInfo = key == Qt::Key_Escape ? Unloads : StartsSysInfo;
        QTest::addRow("%s on OK", keyName) << false << int(key) << 0 << int(Unloads);
        QTest::addRow("%s on System Info", keyName) << true << int(key) << 0 << int(onSysInfo);
    }
    QTest::newRow("Alt+S on OK") << false << int(Qt::Key_S) << int(Qt::AltModifier)
                                 << int(StartsSysInfo);
    QTest::newRow("S alone is no access key") << false << int(Qt::Key_S) << 0 << int(Nothing);
}

void tst_AboutWindow::keys()
{
    QFETCH(bool, onSysInfo);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, outcome);
    QPointer<frmDivivederor> window = &shown();
    if (onSysInfo)
        QTest::keyClick(window->windowHandle(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(),
             QLatin1String(onSysInfo ? "cmdSysInfo" : "cmdOK"));
    QTest::keyClick(window->windowHandle(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    if (outcome != Unloads) // an access key clicks its button after a short delay
        QTest::qWait(200);
    checkOutcome(window, Outcome(outcome));
}

void tst_AboutWindow::clicks_data()
{
    QTest::addColumn<QPoint>("where");
    QTest::addColumn<int>("outcome");
    QTest::newRow("background right of the texts") << QPoint(400, 100) << int(Unloads);
    QTest::newRow("background above the picture") << QPoint(50, 3) << int(Unloads);
    QTest::newRow("background bottom right") << QPoint(437, 262) << int(Unloads);
    QTest::newRow("background beside the buttons") << QPoint(284, 230) << int(Unloads);
    QTest::newRow("white line, upper row") << QPoint(300, 167) << int(Unloads);
    QTest::newRow("grey line alone") << QPoint(6, 168) << int(Unloads);
    QTest::newRow("Image1") << QPoint(56, 80) << int(Nothing);
    QTest::newRow("lblDescription") << QPoint(250, 100) << int(Nothing);
    QTest::newRow("lblTitle") << QPoint(250, 20) << int(Nothing);
    QTest::newRow("lblVersion") << QPoint(250, 47) << int(Nothing);
    QTest::newRow("lblDisclaimer, bottom right corner") << QPoint(280, 254) << int(Nothing);
    QTest::newRow("cmdSysInfo") << QPoint(361, 195) << int(StartsSysInfo);
    QTest::newRow("cmdOK") << QPoint(361, 231) << int(Unloads);
}

void tst_AboutWindow::clicks()
{
    QFETCH(QPoint, where);
    QFETCH(int, outcome);
    QPointer<frmDivivederor> window = &shown();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, where);
    if (outcome == Nothing) // nor does a double click on a control
        QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {}, where);
    checkOutcome(window, Outcome(outcome));
}

// ---- Lifetime ----------------------------------------------------------------------------

void tst_AboutWindow::everyWayOfClosingUnloads_data()
{
    QTest::addColumn<int>("way");
    QTest::newRow("close box") << 0;
    QTest::newRow("reject") << 1;
    QTest::newRow("accept") << 2;
    QTest::newRow("done") << 3;
    QTest::newRow("cmdOK_Click") << 4;
    QTest::newRow("Form_Click") << 5;
}

void tst_AboutWindow::everyWayOfClosingUnloads()
{
    QFETCH(int, way);
    QPointer<frmDivivederor> window = &shown();
    switch (way) {
    case 0: window->close(); break;
    case 1: window->reject(); break;
    case 2: window->accept(); break;
    case 3: window->done(7); break;
    case 4: window->cmdOK_Click(); break;
    case 5: window->Form_Click(); break;
    }
    checkOutcome(window, Unloads);
}

void tst_AboutWindow::freshInstanceAfterUnload()
{
    QPointer<frmDivivederor> first = &shown();
    control<QLabel>("lblVersion")->setText(QStringLiteral("changed"));
    QTest::keyClick(first->windowHandle(), Qt::Key_Return); // OK
    checkOutcome(first, Unloads);

    // The next reference loads a fresh window, hidden, and its load step runs again.
    frmDivivederor &second = m_about->get();
    QCOMPARE(m_about->loads(), 2);
    QVERIFY(!second.isVisible());
    QCOMPARE(control<QLabel>("lblVersion")->text(), QStringLiteral("Version 1.0"));
    shown();
    QCOMPARE(QApplication::focusWidget(), control("cmdOK"));
}

void tst_AboutWindow::sameInstanceAfterHideAndShow()
{
    frmDivivederor *first = &shown();
    QTest::keyClick(first->windowHandle(), Qt::Key_Tab);
    control<QLabel>("lblVersion")->setText(QStringLiteral("kept"));
    m_about->hide();
    QVERIFY(m_about->isLoaded());
    QVERIFY(!first->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QCOMPARE(&shown(), first);
    QCOMPARE(m_about->loads(), 1); // no new load step
    QCOMPARE(control<QLabel>("lblVersion")->text(), QStringLiteral("kept"));
    // The focus it had is where it returns when the window is next active.
    QCOMPARE(first->focusWidget(), control("cmdSysInfo"));
}

QTEST_MAIN(tst_AboutWindow)
#include "tst_about_window.moc"
