// The desktop's file search, program start, message box and bell, on real files, processes and
// a sound server.

#include "desktop_services.h"
#include "support.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>

using platform::DesktopServices;

// A path (%1: a folder whose name a split at spaces or a shell would take apart), whether it is
// spelled with "\", whether the search finds it, whether it starts.
struct Path { QString path; bool windowsStyle, found, starts; };
Q_DECLARE_METATYPE(Path)

class tst_DesktopServices : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void paths_data()
    {
        QTest::addColumn<Path>("row");
        QTest::newRow("spaces and shell characters") << Path{"%1/sys info.sh", false, true, true};
        QTest::newRow("\\ and another case") << Path{"%1/SYS INFO.SH", true, true, true};
        QTest::newRow("hidden file") << Path{"%1/.hidden.sh", false, false, false};
        QTest::newRow("folder") << Path{"%1/folder.sh", false, false, false};
        QTest::newRow("not executable") << Path{"%1/data.sh", false, true, false};
        QTest::newRow("relative") << Path{"sys info.sh", false, false, false};
    }

    void paths()
    {
        QFETCH(Path, row);
        const QString folder = m_dir.path() + "/Info Tools; $(touch pwned) & 'q'";
        const QString marker = m_dir.path() + "/marker", tool = folder + "/sys info.sh";
        QVERIFY(QDir().mkpath(folder + "/folder.sh"));
        // Each program writes its own path into one marker: one that ran instead shows there.
        const QString decoy = m_dir.path() + "/Info", hidden = folder + "/.hidden.sh";
        for (const QString &program : {tool, folder + "/sys", decoy, hidden})
            QVERIFY(support::writeMarkerProgram(program, marker));
        QVERIFY(support::ConfigFolders::write(folder + "/data.sh", "#!/bin/sh\n"));
        QVERIFY(QDir::setCurrent(folder)); // where a relative path would find the tool
        QFile::remove(marker);

        const QString path = row.path.arg(folder);
        const auto spelled = row.windowsStyle ? support::windowsStyle(path) : path.toStdString();
        DesktopServices services("Tavrin");
        QCOMPARE(services.findNormalFile(spelled), row.found);
        if (!row.starts) {
            QVERIFY_THROWS_EXCEPTION(platform::ServiceError, services.startProgram(spelled));
            return;
        }
        services.startProgram(spelled);
        QTRY_COMPARE_WITH_TIMEOUT(support::readMarker(marker), tool, 10000);
    }

    void messageBoxIsModalWithOkOnly()
    {
        // The box is read while it is open, then closed; the checks come after, so that a
        // failed one cannot leave it open.
        QStringList seen;
        QTimer::singleShot(0, this, [&] {
            const auto modal = [] { return QApplication::activeModalWidget() != nullptr; };
            static_cast<void>(QTest::qWaitFor(modal, 5000));
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen << box->windowTitle() << box->text() << QString::number(box->icon())
                     << QString::number(box->buttons().size())
                     << QString::number(box->standardButtons());
            }
            for (QWidget *window : QApplication::topLevelWidgets())
                window->close();
        });
        DesktopServices("Title Passed In").showMessage("System Information Is Unavailable");
        QCOMPARE(seen, (QStringList{"Title Passed In", "System Information Is Unavailable",
                                    QString::number(QMessageBox::NoIcon), "1",
                                    QString::number(QMessageBox::Ok)}));
    }

    // The beep on the real path: the sound theme's "bell", once, through a sound server of the
    // test's own with a null sink, whose log lists every stream it is given.
    void beepPlaysTheBellOnce()
    {
        const QString socket = m_dir.filePath("sound-server");
        QProcess server;
        server.setEnvironment({"HOME=" + m_dir.path(), "XDG_RUNTIME_DIR=" + m_dir.path()});
        server.start("pulseaudio", {"-n", "--exit-idle-time=-1", "--log-target=stderr", "--log-level=info", "-L", "module-null-sink",
                                    "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + socket});
        if (!server.waitForStarted())
            QSKIP("no sound server to hear the bell: install the Debian package pulseaudio");
        QByteArray log;
        const auto logged = [&](const char *line) { return (log += server.readAllStandardError()).contains(line); };
        QTRY_VERIFY_WITH_TIMEOUT(logged("Daemon startup complete"), 10000);
        qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(socket));
        auto services = std::make_unique<DesktopServices>("Tavrin");
        services->beep();
        QTRY_VERIFY_WITH_TIMEOUT(logged("Created input"), 10000);
        services.reset(); // its connection closes: once the server has freed it, no sound of its can follow
        QTRY_VERIFY_WITH_TIMEOUT(logged("client.c: Freed"), 10000);
        QCOMPARE(log.count("Created input"), 1);
        QVERIFY2(log.contains("event.id = \"bell\""), log.constData());
        server.terminate();
        QVERIFY(server.waitForFinished(10000));
    }
};

QTEST_MAIN(tst_DesktopServices)
#include "tst_desktop_services.moc"
