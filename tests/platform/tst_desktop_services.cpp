// The desktop's file search, program start and message box, on real files and processes.

#include "desktop_services.h"
#include "platform_test_support.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace platform;
using platformtest::readMarker;
using platformtest::windowsStyle;
using platformtest::writeMarkerProgram;

namespace {

bool touch(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly);
}

} // namespace

class tst_DesktopServices : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void findsNormalFiles_data();
    void findsNormalFiles();
    void searchRefusesPathsThatCannotBeSearched_data();
    void searchRefusesPathsThatCannotBeSearched();

    void startsExactlyTheNamedFile();
    void refusesWhatCannotStart_data();
    void refusesWhatCannotStart();

    void messageBoxIsModalWithOkOnly();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString &relative) const { return m_dir->path() + '/' + relative; }
};

void tst_DesktopServices::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QDir root(m_dir->path());
    QVERIFY(root.mkpath(QStringLiteral("Tool Dir/sub")));
    QVERIFY(root.mkpath(QStringLiteral(".hidden dir")));
    QVERIFY(root.mkpath(QStringLiteral("Tool Dir/FOLDER.EXE")));
    QVERIFY(touch(path(QStringLiteral("Tool Dir/msinfo32.exe"))));
    QVERIFY(touch(path(QStringLiteral("Tool Dir/.hidden.exe"))));
    QVERIFY(touch(path(QStringLiteral(".hidden dir/seen.exe"))));
    QVERIFY(touch(path(QStringLiteral("Tool Dir/sub/\u00c4rger.txt"))));
    QVERIFY(QFile::link(path(QStringLiteral("Tool Dir/msinfo32.exe")),
                        path(QStringLiteral("Tool Dir/link.exe"))));
    QVERIFY(QFile::link(path(QStringLiteral("Tool Dir/sub")),
                        path(QStringLiteral("Tool Dir/dirlink.exe"))));
    QVERIFY(QFile::link(path(QStringLiteral("nowhere")),
                        path(QStringLiteral("Tool Dir/broken.exe"))));
}

void tst_DesktopServices::findsNormalFiles_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("windowsSeparators");
    QTest::addColumn<bool>("found");

    QTest::newRow("as named") << "Tool Dir/msinfo32.exe" << false << true;
    QTest::newRow("backslashes") << "Tool Dir/msinfo32.exe" << true << true;
    QTest::newRow("name in another case") << "Tool Dir/MSINFO32.EXE" << true << true;
    QTest::newRow("doubled separator") << "Tool Dir//MSINFO32.EXE" << true << true;
    QTest::newRow("non-ASCII name in another case") << "Tool Dir/sub/\u00e4RGER.TXT" << true
                                                    << true;
    QTest::newRow("folder in another case") << "tool dir/msinfo32.exe" << true << false;
    QTest::newRow("link to a file") << "Tool Dir/LINK.EXE" << true << true;
    QTest::newRow("file in a hidden folder") << ".hidden dir/seen.exe" << true << true;
    QTest::newRow("missing") << "Tool Dir/other.exe" << true << false;
    QTest::newRow("folder") << "Tool Dir/folder.exe" << true << false;
    QTest::newRow("link to a folder") << "Tool Dir/dirlink.exe" << true << false;
    QTest::newRow("broken link") << "Tool Dir/broken.exe" << true << false;
    QTest::newRow("hidden file") << "Tool Dir/.hidden.exe" << true << false;
    QTest::newRow("hidden file in another case") << "Tool Dir/.HIDDEN.EXE" << true << false;
    QTest::newRow("trailing separator") << "Tool Dir/" << true << false;
    QTest::newRow("missing folder") << "No Dir/msinfo32.exe" << true << false;
}

void tst_DesktopServices::findsNormalFiles()
{
    QFETCH(QString, relative);
    QFETCH(bool, windowsSeparators);
    QFETCH(bool, found);
    const QString full = path(relative);
    DesktopServices services;
    QCOMPARE(services.findNormalFile(windowsSeparators ? windowsStyle(full) : full.toStdString()),
             found);
}

void tst_DesktopServices::searchRefusesPathsThatCannotBeSearched_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<bool>("throws");
    QTest::newRow("zero byte") << QByteArray("/tmp/a\0b", 8) << true;
    QTest::newRow("name of 256 bytes") << "/tmp/" + QByteArray(256, 'n') << true;
    QTest::newRow("name of 255 bytes") << "/tmp/" + QByteArray(255, 'n') << false;
    QByteArray deep;
    while (deep.size() < 5000)
        deep += "/folder";
    QTest::newRow("path too long") << deep << true;
    QTest::newRow("relative") << QByteArray("Tool Dir\\msinfo32.exe") << false;
    QTest::newRow("drive letter") << QByteArray("C:\\Windows\\MSINFO32.EXE") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void tst_DesktopServices::searchRefusesPathsThatCannotBeSearched()
{
    QFETCH(QByteArray, path);
    QFETCH(bool, throws);
    DesktopServices services;
    const std::string text(path.constData(), std::size_t(path.size()));
    if (throws)
        QVERIFY_THROWS_EXCEPTION(ServiceError, services.findNormalFile(text));
    else
        QVERIFY(!services.findNormalFile(text));
}

void tst_DesktopServices::startsExactlyTheNamedFile()
{
    // A folder and a name full of what a shell would act on: started as one path, the file
    // runs and nothing else does; split at spaces or read by a shell, it would not.
    const QString folder = path(QStringLiteral("a b;c&d $(touch pwned)"));
    QVERIFY(QDir().mkpath(folder));
    const QString program = folder + QStringLiteral("/run me 'q' \"x\" `touch pwned2`;.sh");
    const QString marker = path(QStringLiteral("marker"));
    QVERIFY(writeMarkerProgram(program, marker));
    QVERIFY(writeMarkerProgram(path(QStringLiteral("a")), path(QStringLiteral("wrong"))));

    DesktopServices services;
    services.startProgram(program.toStdString());
    QTRY_COMPARE(readMarker(marker), program);
    QVERIFY(!QFile::exists(path(QStringLiteral("wrong"))));
    QVERIFY(!QFile::exists(QStringLiteral("pwned")));
    QVERIFY(!QFile::exists(path(QStringLiteral("pwned"))));
    QVERIFY(!QFile::exists(QStringLiteral("pwned2")));
}

void tst_DesktopServices::refusesWhatCannotStart_data()
{
    QTest::addColumn<QString>("relative");
    QTest::newRow("missing") << "Tool Dir/none.sh";
    QTest::newRow("not executable") << "Tool Dir/msinfo32.exe";
    QTest::newRow("folder") << "Tool Dir/sub";
    QTest::newRow("hidden") << "Tool Dir/.hidden.sh";
    QTest::newRow("interpreter missing") << "Tool Dir/bad.sh";
    QTest::newRow("no interpreter line") << "Tool Dir/plain.sh";
    QTest::newRow("empty path") << "";
    QTest::newRow("relative path") << "&h000001";
}

void tst_DesktopServices::refusesWhatCannotStart()
{
    QFETCH(QString, relative);
    const QString marker = path(QStringLiteral("marker"));
    QVERIFY(writeMarkerProgram(path(QStringLiteral("Tool Dir/.hidden.sh")), marker));
    const auto script = [this](const char *name, const QByteArray &text) {
        QFile file(path(QLatin1String(name)));
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size()
            && file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
    QVERIFY(script("Tool Dir/bad.sh", "#!/nonexistent/interpreter\n"));
    // Without its first line a script is not a program: only a shell would run it.
    QVERIFY(script("Tool Dir/plain.sh", "touch '" + QFile::encodeName(marker) + "'\n"));

    const std::string target = relative.isEmpty() || relative.startsWith('&')
        ? relative.toStdString()
        : path(relative).toStdString();
    DesktopServices services;
    QVERIFY_THROWS_EXCEPTION(ServiceError, services.startProgram(target));
    QTest::qWait(200);
    QVERIFY(!QFile::exists(marker));
}

void tst_DesktopServices::messageBoxIsModalWithOkOnly()
{
    // Over the window that was active, so that closing it gives the focus back there.
    QWidget about;
    about.setWindowTitle(QStringLiteral("About Tavrin"));
    about.show();
    QApplication::setActiveWindow(&about);
    QVERIFY(QTest::qWaitForWindowActive(&about));

    // What the box shows is noted while it is open and compared once it has closed, so that
    // a failed comparison cannot leave it open.
    QStringList seen;
    QWidget *parent = nullptr;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen << box->windowTitle() << box->text() << QString::number(box->icon())
             << QString::number(box->standardButtons()) << QString::number(box->buttons().size())
             << QString::number(box->textFormat()) << QString::number(box->isModal());
        parent = box->parentWidget();
        box->button(QMessageBox::Ok)->click();
    });
    DesktopServices services;
    services.showMessage("System Information Is Unavailable At This Time");

    // Titled with the program's name, no icon, one OK button, plain text, modal.
    QCOMPARE(seen, (QStringList{"Tavrin", "System Information Is Unavailable At This Time",
                                QString::number(QMessageBox::NoIcon),
                                QString::number(QMessageBox::Ok), "1",
                                QString::number(Qt::PlainText), "1"}));
    QCOMPARE(parent, &about);
}

QTEST_MAIN(tst_DesktopServices)
#include "tst_desktop_services.moc"
