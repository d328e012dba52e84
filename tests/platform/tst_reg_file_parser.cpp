// The registry export text format: each kind of entry in each encoding, and lines not well formed.

#include "reg_file_parser.h"

#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTest>

using namespace platform;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kAbsent = reg::kNone; // no such value: no row expects type 0

// A file holding the test key and these lines.
QByteArray v5(const QByteArray &lines, const QByteArray &header = "Windows Registry Editor Version 5.00")
{
    return header + "\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n" + lines;
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
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("data");
        const auto row = [](const char *tag, const QByteArray &file, int type, const QByteArray &data,
                            const char *name = "x") {
            QTest::newRow(tag) << file << QString::fromUtf8(name) << type << data;
        };
        row("string, escapes", v5("\"Q \\\"q\\\"\"=\"C:\\\\P \\\"hi\\\"\""), 1,
            wide(u"C:\\P \"hi\""_s), "Q \"q\"");
        row("default value", v5("@=\"d\""), 1, wide(u"d"_s), "");
        row("indented, comment", v5("  \"X\" = \"x\" ; c"), 1, wide(u"x"_s));
        row("name in other case", v5("\"X\xD0\x97\"=\"x\""), 1, wide(u"x"_s), "x\xD0\xB7");
        row("dword", v5("\"X\"=dword:ffff00a2"), 4, QByteArray("\xa2\x00\xff\xff", 4));
        row("binary", v5("\"X\"=hex:01,02,ff,"), 3, QByteArray("\x01\x02\xff"));
        row("UTF-8 with BOM", "\xEF\xBB\xBF" + v5("\"X\"=\"\xE2\x82\xAC\""), 1, wide(u"€"_s));
        row("UTF-16LE with BOM", QStringEncoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom)(
                                     QString::fromUtf8(v5("\"X\"=\"\xE2\x82\xAC\"\r\n"))), 1, wide(u"€"_s));
        row("REGEDIT4, Windows-1252", v5("\"X\"=\"C:\\\\Pr\xFC" "f \x80\"", "REGEDIT4"), 1,
            wide(u"C:\\Prüf €"_s));
        row("REGEDIT4 hex(1), Windows-1252", v5("\"X\"=hex(1):e4,00", "REGEDIT4"), 1, wide(u"ä"_s));
        row("REGEDIT4 hex(7)", v5("\"X\"=hex(7):61,00,62,00,00", "REGEDIT4"), 7, wide(u"a\0b\0"_s));
        row("REGEDIT4 binary", v5("\"X\"=hex:61,00", "REGEDIT4"), 3, QByteArray("a\0", 2));
        row("hex over lines", v5("\"X\"=hex(2):25,00,41,00,\\\r\n  25,00,00,00"), 2, wide(u"%A%"_s));
        row("comment after the backslash", v5("\"X\"=hex:01,\\ ; 1\r\n  02 ; 2"), 3, "\x01\x02");
        row("blank and comment lines in data", v5("\"X\"=hex:01,\\\r\n\r\n; 1\r\n  02"), 3, "\x01\x02");
        const QByteArray cut = v5("\"X\"=hex:01,\\\r\n\"Y\"=\"next\"");
        row("data cut by an entry", cut, kAbsent, {});
        row("the entry after cut data", cut, 1, wide(u"next"_s), "y");
        row("data cut by the end", v5("\"X\"=hex:01,\\"), kAbsent, {});
        row("bad byte in a continuation", v5("\"X\"=hex:01,\\\r\n  02,0g"), kAbsent, {});
        row("removed value", v5("\"x\"=\"1\"\r\n\"X\"=-"), kAbsent, {});
        row("later entry wins", v5("\"x\"=\"1\"\r\n[hkey_local_machine\\software\\test]\r\n\"X\"=dword:2"),
            4, QByteArray("\x02\0\0\0", 4));
        row("after a removed key", v5("[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n\"X\"=\"1\""), kAbsent, {});
        for (const char *line :
             {"\"X\"=\"abc", "\"X\" \"abc\"", "\"X\"=\"abc\" def", "\"X\"=dword:123456789",
              "\"X\"=dword:12g4", "\"X\"=dword:", "\"X\"=hex:01,1g", "\"X\"=hex:123", "\"X\"=hex:01 02",
              "\"X\"=hex:01,,02", "\"X\"=hex(zz):01", "\"X\"=hex():01", "\"X\"=hex:01\\", "\"X\"=qword:1",
              "[HKEY_NOWHERE\\A]\r\n\"X\"=\"1\"", "[HKEY_LOCAL_MACHINE\\A\r\n\"X\"=\"1\""})
            row(line, v5(line), kAbsent, {});
    }

    void value()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, name);
        QFETCH(int, type);
        QFETCH(QByteArray, data);
        const auto model = parseRegFile(file);
        QVERIFY(model);
        const RegFileValue *found = model->findValue(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Test"_s, name);
        QCOMPARE(found ? *found : RegFileValue(), (RegFileValue{RegType(type), data}));
    }

    void keys_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("present"); // below HKEY_LOCAL_MACHINE
        QTest::addColumn<QStringList>("absent");
        const QByteArray hklm = "[HKEY_LOCAL_MACHINE\\";
        QTest::newRow("parents") << "REGEDIT4\n" + hklm + "A\\B\\C]"
                                 << QStringList{"A", "a\\b", "\\A\\B\\C\\"}
                                 << QStringList{"A\\B\\C\\D", "A\\B\\C x"};
        QTest::newRow("removals") << "REGEDIT4\n" + hklm + "A]\n" + hklm + "A B]\n" + hklm + "A\\C]\n"
                                         + hklm + "P\\Q\\R]\n[-HKEY_LOCAL_MACHINE\\A]\n"
                                         "[-HKEY_LOCAL_MACHINE\\P\\Q\\R]"
                                  << QStringList{"A B", "P\\Q"} << QStringList{"A", "A\\C", "P\\Q\\R"};
        QTest::newRow("name to the last ]") << "REGEDIT4\n" + hklm + "A]B] ; c" << QStringList{"A]B"}
                                            << QStringList{"A"};
        // Filing every parent of a path on its own costs memory by the square of its length.
        QTest::newRow("deep path") << "REGEDIT4\n" + hklm + QByteArray("\\k").repeated(200000) + "]"
                                   << QStringList{"k\\k\\k"} << QStringList{"k\\j"};
        QTest::newRow("header, blanks, CRLF") << "REGEDIT4  \r\n" + hklm + "A]" << QStringList{"A"}
                                              << QStringList{};
        for (const char *header : {"", "Windows Registry Editor Version 6.00\n", "\nREGEDIT4\n"})
            QTest::addRow("header \"%s\"", header) << header + hklm + "A]" << QStringList{}
                                                   << QStringList{"A"};
    }

    void keys()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        const auto model = parseRegFile(file);
        for (const QString &key : present)
            QVERIFY2(model && model->hasKey("HKEY_LOCAL_MACHINE\\" + key), qPrintable(key));
        for (const QString &key : absent)
            QVERIFY2(!model || !model->hasKey("HKEY_LOCAL_MACHINE\\" + key), qPrintable(key));
        QVERIFY(!model || model->keyCount() <= std::size_t(file.count('[')));
    }

    // Random additions and removals of keys whose names share starts ("a", "ab") and parts,
    // against a plain set of ids: which keys exist, directly or through one below, and whose
    // values they hold, as steps of the model's tree are cut, removed and made again.
    void keysAgainstPlainSet()
    {
        const QStringList parts{"a", "ab", "b"};
        QStringList ids = parts;
        for (qsizetype begin = 0, end = ids.size(); end < 120; begin = end, end = ids.size())
            for (qsizetype i = begin; i < end; ++i)
                for (const QString &part : parts)
                    ids += ids[i] + u'\\' + part;
        RegFileModel model;
        std::map<QString, int> plain; // the value each key holds; 0: none
        QRandomGenerator random(20261207);
        for (int step = 1; step <= 4000; ++step) {
            const QString id = ids[random.bounded(int(ids.size()))];
            if (random.bounded(3) != 0) {
                RegFileModel::setValue(model.addKey(id), "n", {reg::kDword, QByteArray::number(step)});
                plain[id] = step;
            } else {
                model.removeKey(id);
                const auto below = [&id](const auto &key) { return key.first.startsWith(id + u'\\'); };
                const bool any = plain.erase(id) + std::erase_if(plain, below) != 0;
                if (const qsizetype parent = id.lastIndexOf(u'\\'); any && parent > 0)
                    plain.try_emplace(id.first(parent), 0);
            }
            for (const QString &key : ids) {
                const auto found = plain.find(key);
                const auto next = plain.lower_bound(key + u'\\');
                const bool exists = found != plain.end()
                    || (next != plain.end() && next->first.startsWith(key + u'\\'));
                QCOMPARE(model.hasKey(key), exists);
                QCOMPARE(model.findKey(key) != nullptr, found != plain.end());
                const RegFileValue *value = model.findValue(key, "n");
                QCOMPARE(value ? value->data.toInt() : 0, found != plain.end() ? found->second : 0);
            }
            QCOMPARE(model.keyCount(), plain.size());
        }
    }
};

QTEST_APPLESS_MAIN(tst_RegFileParser)
#include "tst_reg_file_parser.moc"
