// The registry export text format: what each kind of entry becomes in each encoding and header,
// and what becomes of lines that are not well formed.

#include "reg_file_parser.h"

#include <QStringEncoder>
#include <QTest>

using namespace platform;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString kKey = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Test");
constexpr int kAbsent = -1;

QByteArray v5(const QByteArray &lines)
{
    return "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n"
        + lines;
}

QByteArray v4(const QByteArray &lines)
{
    return "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\n" + lines;
}

// Text as the registry holds it: UTF-16LE, with its terminating zero.
QByteArray wide(const QString &text)
{
    return QStringEncoder(QStringEncoder::Utf16LE)(text + QChar(0));
}

} // namespace

class tst_RegFileParser : public QObject
{
    Q_OBJECT

private slots:
    void value_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("type"); // kAbsent: no such value
        QTest::addColumn<QByteArray>("data");
        const auto row = [](const char *tag, const QByteArray &file, const char *name, int type,
                            const QByteArray &data) {
            QTest::newRow(tag) << file << QString::fromUtf8(name) << type << data;
        };
        row("string", v5("\"Path\"=\"C:\\\\Program Files\\\\t.exe\"\r\n"), "Path", 1,
            wide(u"C:\\Program Files\\t.exe"_s));
        row("escapes", v5(R"("Q \"q\""="say \"hi\"")"), "Q \"q\"", 1, wide(u"say \"hi\""_s));
        row("default value", v5("@=\"d\""), "", 1, wide(u"d"_s));
        row("indented, comment", v5("  \"I\" = \"x\" ; c"), "I", 1, wide(u"x"_s));
        row("dword", v5("\"D\"=dword:ffff00a2"), "D", 4, QByteArray("\xa2\x00\xff\xff", 4));
        row("binary", v5("\"B\"=hex:01,02,ff,"), "B", 3, QByteArray("\x01\x02\xff"));
        row("empty binary", v5("\"B\"=hex:"), "B", 3, QByteArray());
        row("typed hex", v5("\"T\"=hex(b):01,00"), "T", 11, QByteArray("\x01\x00", 2));
        row("UTF-8", v5("\"U\"=\"Pr\xC3\xBC" "fen \xE2\x82\xAC\""), "U", 1, wide(u"Prüfen €"_s));
        row("UTF-8 with BOM", "\xEF\xBB\xBF" + v5("\"U\"=\"\xE2\x82\xAC\""), "U", 1, wide(u"€"_s));
        row("UTF-16LE with BOM",
            QStringEncoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom)(
                QString::fromUtf8(v5("\"U\"=\"\xE2\x82\xAC\"\r\n"))),
            "U", 1, wide(u"€"_s));
        row("REGEDIT4 in UTF-8", v4("\"S\"=\"Pr\xC3\xBC" "fen\""), "S", 1, wide(u"Prüfen"_s));
        row("REGEDIT4 in Windows-1252", v4("\"S\"=\"C:\\\\Pr\xFC" "f \x80\\\\t.exe\""), "S", 1,
            wide(u"C:\\Prüf €\\t.exe"_s));
        row("REGEDIT4 hex(2) widened", v4("\"E\"=hex(2):25,41,25,00"), "E", 2, wide(u"%A%"_s));
        row("REGEDIT4 hex(7) widened", v4("\"M\"=hex(7):61,00,62,00,00"), "M", 7,
            wide(QString::fromUtf8("a\0b\0", 4)));
        row("REGEDIT4 hex(1) in Windows-1252", v4("\"S\"=hex(1):e4,00"), "S", 1, wide(u"ä"_s));
        row("REGEDIT4 binary kept", v4("\"B\"=hex:61,00"), "B", 3, QByteArray("a\0", 2));
        row("5.00 hex(1) kept, odd", v5("\"S\"=hex(1):41,00,42"), "S", 1, QByteArray("A\0B", 3));
        row("name in other case", v5("\"PaTh\"=\"x\""), "pATH", 1, wide(u"x"_s));
        row("Cyrillic name in other case", v5("\"\xD0\x97\xD0\xBD\"=\"x\""), "\xD0\xB7\xD0\x9D", 1,
            wide(u"x"_s));
        row("hex over lines", v5("\"X\"=hex(2):25,00,41,00,\\\r\n  25,00,00,00"), "X", 2,
            wide(u"%A%"_s));
        row("comment after the backslash", v5("\"X\"=hex:01,\\ ; part 1\r\n  02 ; end"), "X", 3,
            QByteArray("\x01\x02"));
        row("blank and comment lines in the data", v5("\"X\"=hex:01,\\\r\n\r\n; note\r\n  02"), "X",
            3, QByteArray("\x01\x02"));
        const QByteArray cut = v5("\"X\"=hex:01,\\\r\n\"Y\"=\"next\"");
        row("data cut by an entry", cut, "X", kAbsent, {});
        row("the entry after cut data", cut, "Y", 1, wide(u"next"_s));
        row("data cut by the end", v5("\"X\"=hex:01,\\"), "X", kAbsent, {});
        row("bad byte in a continuation", v5("\"X\"=hex:01,\\\r\n  02,0g"), "X", kAbsent, {});
        row("removed value", v5("\"v\"=\"1\"\r\n\"V\"=-"), "v", kAbsent, {});
        row("later entry wins", v5("\"v\"=\"1\"\r\n[hkey_local_machine\\software\\test]\r\n\"V\"=dword:2"),
            "v", 4, QByteArray("\x02\0\0\0", 4));
        row("after a removed key", v5("[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n\"X\"=\"1\""), "X",
            kAbsent, {});
        for (const char *line :
             {"\"X\"=\"abc", "\"X\" \"abc\"", "\"X\"=\"abc\" def", "\"X\"=dword:123456789",
              "\"X\"=dword:12g4", "\"X\"=dword:", "\"X\"=hex:01,1g", "\"X\"=hex:123", "\"X\"=hex:01 02",
              "\"X\"=hex:01,,02", "\"X\"=hex(zz):01", "\"X\"=hex():01", "\"X\"=hex:01\\", "\"X\"=qword:1",
              "[HKEY_NOWHERE\\SOFTWARE\\Test]\r\n\"X\"=\"1\"", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test\r\n\"X\"=\"1\""})
            row(line, v5(line), "X", kAbsent, {});
    }

    void value()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, name);
        QFETCH(int, type);
        QFETCH(QByteArray, data);
        const auto model = parseRegFile(file);
        QVERIFY(model);
        const RegFileValue *found = model->findValue(kKey, name);
        QCOMPARE(found != nullptr, type != kAbsent);
        if (found)
            QCOMPARE(*found, (RegFileValue{RegType(type), data}));
    }

    void key_data()
    {
        QTest::addColumn<QByteArray>("file"); // no model at all counts as no key
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("exists");
        const auto row = [](const char *tag, const QByteArray &file, const char *key, bool exists) {
            QTest::newRow(tag) << file << QString::fromUtf8(key) << exists;
        };
        const QByteArray nested = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\B\\C]\n";
        row("parent", nested, "HKEY_LOCAL_MACHINE\\A", true);
        row("other case", nested, "hkey_local_machine\\a\\b", true);
        row("empty parts", nested, "HKEY_LOCAL_MACHINE\\\\A\\B\\C\\", true);
        row("below", nested, "HKEY_LOCAL_MACHINE\\A\\B\\C\\D", false);
        row("longer name", nested, "HKEY_LOCAL_MACHINE\\A\\B\\C x", false);
        const QByteArray removals = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n[HKEY_LOCAL_MACHINE\\A B]\n"
                                    "[HKEY_LOCAL_MACHINE\\A\\C]\n[HKEY_LOCAL_MACHINE\\P\\Q\\R]\n"
                                    "[-HKEY_LOCAL_MACHINE\\A]\n[-HKEY_LOCAL_MACHINE\\P\\Q\\R]\n";
        row("removed", removals, "HKEY_LOCAL_MACHINE\\A", false);
        row("removed past a sibling", removals, "HKEY_LOCAL_MACHINE\\A\\C", false);
        row("sibling of a removed key", removals, "HKEY_LOCAL_MACHINE\\A B", true);
        row("parent of a removed key", removals, "HKEY_LOCAL_MACHINE\\P\\Q", true);
        row("name to the last ]", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]B] ; c\n", "HKEY_LOCAL_MACHINE\\A]B",
            true);
        row("header, blanks, CRLF", "REGEDIT4  \r\n[HKEY_USERS\\A]", "HKEY_USERS\\A", true);
        row("no header", "[HKEY_USERS\\A]", "HKEY_USERS\\A", false);
        row("other version", "Windows Registry Editor Version 6.00\n[HKEY_USERS\\A]", "HKEY_USERS\\A",
            false);
        row("header on line 2", "\nREGEDIT4\n[HKEY_USERS\\A]", "HKEY_USERS\\A", false);
    }

    void key()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, key);
        QFETCH(bool, exists);
        const auto model = parseRegFile(file);
        QCOMPARE(model && model->hasKey(key), exists);
    }

    void deepPathIsOneKey()
    {
        // Filing every parent of a path on its own costs memory by the square of its length.
        const QByteArray file = "REGEDIT4\n[HKEY_LOCAL_MACHINE" + QByteArray("\\k").repeated(200000) + "]\n";
        const auto model = parseRegFile(file);
        QVERIFY(model);
        QCOMPARE(model->keys().size(), std::size_t(1));
        QVERIFY(model->hasKey(QStringLiteral("HKEY_LOCAL_MACHINE\\k\\k\\k")));
        QVERIFY(!model->hasKey(QStringLiteral("HKEY_LOCAL_MACHINE\\k\\j")));
    }
};

QTEST_APPLESS_MAIN(tst_RegFileParser)
#include "tst_reg_file_parser.moc"
