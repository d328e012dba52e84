// The About window of a program wired as the real one: its texts, pixels, keys and clicks, and
// its lifetime. System Information ran when the fakes record a start or the message.

#include "program.h"
#include "support.h"

#include <QLabel>
#include <QTest>

static const QColor kBlack(0, 0, 0), kYellow(255, 255, 0), kOlive(192, 192, 0);

class tst_AboutWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<support::FakePlatform> m_fake;
    std::unique_ptr<Program> m_program;

    frmDivivederor &shown() // and active itself, not merely through its transient parent
    {
        m_program->about().show();
        frmDivivederor &about = m_program->about().get();
        if (!QTest::qWaitFor([&] { return QApplication::activeWindow() == &about; }))
            qWarning("the About window did not become active");
        return about;
    }
    QLabel *control(const char *name) { return m_program->about().get().findChild<QLabel *>(name); }
    QImage grabbed() { return shown().grab().toImage().convertToFormat(QImage::Format_RGB32); }
    int runs() { return int(m_fake->services->starts.size() + m_fake->services->messages.size()); }

private slots:
    void init()
    {
        m_fake = std::make_unique<support::FakePlatform>();
        m_program = std::make_unique<Program>(m_fake->take());
        m_program->start();
        QVERIFY(QTest::qWaitForWindowActive(&m_program->board().get()));
    }
    void cleanup() { m_program.reset(); }

    // Any identity: the revision never shows, every digit of the others does.
    void loadStep()
    {
        frmDivivederor &about = m_program->about().get();
        about.Form_Load({"Chalk Box", 10, 250, 9, "P", "E"});
        QCOMPARE(QStringList({about.windowTitle(), control("lblTitle")->text(),
                              control("lblVersion")->text()}),
                 QStringList({"About Chalk Box", "Chalk Box", "Version 10.250"}));
    }

    void labels_data()
    {
        QTest::addColumn<QRect>("box"); // stored twips / 15
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<QColor>>("colours"); // background, text
        QTest::addColumn<QString>("font"); // points, weight, slant
        QTest::addColumn<bool>("centred");
        QTest::newRow("lblDescription")
            << QRect(120, 56, 259, 94)
            << "  This is a general purpose slatemark for kids.You can use your mouse as the chalk "
               "to write to this monitor slatemark.different colors of chalk can be selected from "
               "the menu.Board color also can be changed.\nMade by the Tavrin developers\n"
               "tavrin-developers@example.org"
            << QList{QColor(0, 192, 192), kBlack} << "8.25" << false;
        QTest::newRow("lblTitle") << QRect(120, 8, 259, 32) << "Tavrin" << QList{kBlack, kYellow}
                                  << "18 bold italic" << true;
        QTest::newRow("lblVersion") << QRect(120, 40, 259, 15) << "Version 1.0"
                                    << QList{kBlack, kYellow} << "8.25" << true;
        QTest::newRow("lblDisclaimer") << QRect(8, 184, 273, 71) << "WARNING: This software is protected by copyright "
                                          "law. It must NOT be copied for DISTRIBUTION of any kind, on any media."
                                       << QList{QColor(192, 64, 0), QColor(0, 0, 255)}
                                       << "8.25 bold" << false;
    }
    // Each label reads as a plain one of its stored colours, font and alignment, word-wrapped
    // from the top and cut at the bottom, at its stored place; the runs of spaces before the
    // credit and the contact start each on a line of its own, whatever the font's widths.
    void labels()
    {
        QFETCH(QRect, box);
        QFETCH(QString, text);
        QLabel *label = control(QTest::currentDataTag());
        QLabel expected(text);
        const QFont font = label->font();
        QTEST(QString::number(font.pointSizeF()) + (font.bold() ? " bold" : "")
                  + (font.italic() ? " italic" : ""), "font");
        expected.setFont(font);
        QFETCH(QList<QColor>, colours);
        expected.setPalette(QPalette(colours[1], {}, {}, {}, {}, {}, {}, {}, colours[0]));
        expected.setAutoFillBackground(true);
        expected.setWordWrap(true);
        QFETCH(bool, centred);
        expected.setAlignment(Qt::AlignTop | (centred ? Qt::AlignHCenter : Qt::AlignLeft));
        expected.setFixedSize(box.size());
        const QImage image = grabbed();
        QCOMPARE(image.copy(box), expected.grab().toImage().convertToFormat(QImage::Format_RGB32));
        QCOMPARE(image.pixelColor(box.topLeft() - QPoint(1, 1)), kBlack);
        QCOMPARE(image.pixelColor(box.bottomRight() + QPoint(1, 1)), kBlack);
    }

    // No label cuts its text, at each scale and face tests/CMakeLists.txt runs this slot with.
    void labelsHoldTheirText_data() { labels_data(); }
    void labelsHoldTheirText()
    {
        QFETCH(QString, text);
        QLabel *label = control(QTest::currentDataTag());
        QLabel wrapped(text.isEmpty() ? label->text() : text);
        wrapped.setFont(label->font());
        wrapped.setWordWrap(true);
        QVERIFY2(wrapped.heightForWidth(label->width()) <= label->height(), qPrintable(QFontInfo(label->font()).family()));
    }

    // The buttons' faces inside their bevels; the separator: the white line two pixels thick
    // over the grey one, which shows only before the white one begins; the landscape picture
    // squeezed into its portrait box, not letterboxed, not cropped.
    void facesLinesAndPicture()
    {
        const QImage image = grabbed();
        QCOMPARE(image.copy(0, 8, 113, 145), QImage(":/about_picture.bmp")
                     .scaled(113, 145, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                     .convertToFormat(QImage::Format_RGB32));
        using Probe = std::pair<QPoint, QColor>;
        for (const auto &[at, colour] : std::initializer_list<Probe>{
                 {{293, 189}, kOlive}, {{429, 201}, kOlive}, {{287, 195}, kBlack}, // cmdSysInfo
                 {{293, 213}, kOlive}, {{430, 249}, kOlive}, {{287, 231}, kBlack}, // cmdOK
                 {{436, 255}, kBlack}, {{7, 166}, kBlack}, {{7, 167}, Qt::white},
                 {{431, 168}, Qt::white}, {{431, 169}, kBlack}, {{432, 168}, kBlack},
                 {{6, 167}, kBlack}, {{6, 168}, QColor(128, 128, 128)}, {{5, 168}, kBlack}})
            QCOMPARE(Probe(at, image.pixelColor(at)), Probe(at, colour));
    }

    // Keys typed into the window, the focus starting on OK, or a click at a point.
    void input_data()
    {
        QTest::addColumn<QVariant>("input");
        QTest::addColumn<bool>("unloads");
        QTest::addColumn<int>("sysInfoRuns");
        using Row = std::tuple<const char *, QVariant, bool, int>;
        for (const auto &[name, input, unloads, sysInfoRuns] : std::initializer_list<Row>{
                 {"Esc on OK", "Esc", true, 0}, {"Esc on System Info", "Tab, Esc", true, 0},
                 {"Enter on OK", "Return", true, 0}, {"Space on OK", "Space", true, 0},
                 {"Enter on System Info", "Tab, Return", false, 1}, {"Alt+S", "Alt+S", false, 1},
                 {"Space on System Info", "Tab, Space", false, 1},
                 {"Tab twice is back on OK", "Tab, Tab, Space", true, 0},
                 {"background", QPoint(400, 100), true, 0}, {"cmdOK", QPoint(361, 231), true, 0},
                 {"lblDescription", QPoint(250, 100), false, 0}, {"top", QPoint(50, 3), true, 0},
                 {"lblDisclaimer", QPoint(280, 254), false, 0}, {"grey", QPoint(6, 168), true, 0},
                 {"cmdSysInfo", QPoint(361, 195), false, 1}, {"Image1", QPoint(56, 80), false, 0},
                 {"white line", QPoint(300, 167), true, 0}, {"lblTitle", QPoint(250, 20), false, 0},
                 {"lblVersion", QPoint(250, 47), false, 0}})
            QTest::newRow(name) << input << unloads << sysInfoRuns;
    }
    void input()
    {
        QFETCH(QVariant, input);
        QFETCH(int, sysInfoRuns);
        QFETCH(bool, unloads);
        QPointer<frmDivivederor> about = &shown();
        input.typeId() == QMetaType::QPoint
            ? QTest::mouseClick(about->windowHandle(), Qt::LeftButton, {}, input.toPoint())
            : QTest::keySequence(about->windowHandle(), QKeySequence(input.toString()));
        QTRY_COMPARE(runs(), sysInfoRuns); // Alt+S presses its button a moment later
        // Unloading destroys the window; otherwise it stays, shown.
        QTRY_VERIFY(unloads ? about.isNull()
                    : about && about->isVisible() && m_program->about().ifLoaded() == about);
    }

    // A fixed, modeless window transient for the board. The board's activation hides it and
    // keeps it; after it unloads, the next activation loads a fresh one.
    void lifetime()
    {
        QPointer<frmDivivederor> about = &shown();
        QCOMPARE(QList({about->size(), about->minimumSize(), about->maximumSize()}),
                 QList<QSize>(3, {438, 263}));
        QVERIFY(!(about->windowFlags() & Qt::WindowMinMaxButtonsHint));
        // its own icon, the yellow face at 32 pixels only, on a transparent ground
        const QImage face = about->windowIcon().pixmap(32).toImage();
        QCOMPARE(about->windowIcon().availableSizes(), QList<QSize>{QSize(32, 32)});
        QVERIFY(face.pixelColor(16, 16) == QColor(Qt::yellow) && face.pixelColor(0, 0).alpha() == 0);
        QCOMPARE(about->windowHandle()->transientParent(), m_program->board().get().windowHandle());
        QVERIFY(!QGuiApplication::modalWindow());
        control("lblVersion")->setText(QStringLiteral("kept"));
        m_program->board().get().activateWindow();
        QTRY_VERIFY(!about->isVisible());
        QCOMPARE(&shown(), about);
        QCOMPARE(m_program->about().loads(), 1);
        QCOMPARE(control("lblVersion")->text(), QStringLiteral("kept"));
        QTest::keyClick(about->windowHandle(), Qt::Key_Escape);
        QTRY_VERIFY(about.isNull());
        m_program->board().get().activateWindow();
        QTRY_COMPARE(m_program->about().loads(), 2);
        QVERIFY(!m_program->about().get().isVisible());
        QCOMPARE(control("lblVersion")->text(), QStringLiteral("Version 1.0"));
    }
};

QTEST_MAIN(tst_AboutWindow)
#include "tst_about_window.moc"
