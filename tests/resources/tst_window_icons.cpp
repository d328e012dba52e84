// The About window, built as the program builds it, carries the smiling face from the bundle.
// (The board window's tree is checked on the real program: see check_deb.sh.)

#include "board_fixture.h"
#include "tavrin_icons.h"

#include <QIcon>
#include <QTest>

class tst_WindowIcons : public QObject
{
    Q_OBJECT

private slots:
    void aboutWindowShowsTheFace();
};

void tst_WindowIcons::aboutWindowShowsTheFace()
{
    BoardFixture fixture;
    frmDivivederor &about = fixture.about.get();
    const QIcon icon = about.windowIcon();
    QVERIFY(!icon.isNull());
    const QImage expected = QImage(QStringLiteral(TAVRIN_RESOURCES_DIR "/icons/about.png"))
                                .convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32), expected);
}

QTEST_MAIN(tst_WindowIcons)
#include "tst_window_icons.moc"
