// The registry export text format: what each kind of entry becomes, in each encoding, and
// what happens to input that is not well formed.

#include "reg_file_parser.h"

#include <QTest>

#include <random>

using namespace platform;

namespace {

using Bytes = std::vector<std::uint8_t>;

const char *const kKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Test";

// UTF-16LE bytes of UTF-8 text, with a byte-order mark in front: how a version 5.00 file is
// saved.
std::string utf16File(const std::u16string &text)
{
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

Bytes wide(const std::u16string &text, bool terminated = true)
{
    Bytes bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    if (terminated) {
        bytes.push_back(0);
        bytes.push_back(0);
    }
    return bytes;
}

RegFileModel parsed(std::string_view bytes)
{
    auto model = parseRegFile(bytes);
    if (!model)
        throw std::runtime_error("not taken as a registry file");
    return *model;
}

std::optional<RegFileValue> valueOf(const RegFileModel &model, const char *key, const char *name)
{
    const RegFileValue *value = model.findValue(key, name);
    return value ? std::optional<RegFileValue>(*value) : std::nullopt;
}

const char16_t *const kFeatures = u"Windows Registry Editor Version 5.00\r\n"
                                  u"\r\n"
                                  u"; a comment line\r\n"
                                  u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n"
                                  u"@=\"default\"\r\n"
                                  u"\"Path\"=\"C:\\\\Program Files\\\\t.exe\"\r\n"
                                  u"\"Quote \\\"q\\\"\"=\"say \\\"hi\\\"\"\r\n"
                                  u"\"Count\"=dword:0000002a\r\n"
                                  u"\"Blob\"=hex:01,02,ff\r\n"
                                  u"\"Expand\"=hex(2):25,00,41,00,\\\r\n"
                                  u"  25,00,00,00\r\n"
                                  u"\"Umlaut\"=\"Pr\u00fcfen \u20ac\"\r\n"
                                  u"  \"Indented\" = \"x\" ; trailing comment\r\n"
                                  u"\r\n"
                                  u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test\\Sub Key]\r\n"
                                  u"\"Empty\"=hex:\r\n"
                                  u"\"Q\"=hex(b):01,00,00,00,00,00,00,00\r\n";

std::string utf8(const std::u16string &text)
{
    return utf16leToUtf8(wide(text, false).data(), text.size() * 2);
}

} // namespace

class tst_RegFileParser : public QObject
{
    Q_OBJECT

private slots:
    void readsEveryKindOfEntry_data();
    void readsEveryKindOfEntry();
    void regedit4StringDataIsWidened();
    void hexStringDataIsKeptAsWritten();
    void namesMatchWithoutCase();
    void parentKeysExist();
    void needsAHeader_data();
    void needsAHeader();
    void skipsLinesItCannotParse();
    void removalsAndLaterEntries();
    void convertsWideTextTo8Bit();
    void survivesAnyInput();
};

void tst_RegFileParser::readsEveryKindOfEntry_data()
{
    QTest::addColumn<QByteArray>("file");
    const std::u16string text = kFeatures;
    const std::string u16 = utf16File(text);
    const std::string u8 = utf8(text);
    QTest::newRow("UTF-16LE with BOM") << QByteArray(u16.data(), qsizetype(u16.size()));
    QTest::newRow("UTF-8") << QByteArray(u8.data(), qsizetype(u8.size()));
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + QByteArray::fromStdString(u8);
    std::string lf = u8;
    std::erase(lf, '\r');
    QTest::newRow("UTF-8, LF line ends") << QByteArray::fromStdString(lf);
}

void tst_RegFileParser::readsEveryKindOfEntry()
{
    QFETCH(QByteArray, file);
    const RegFileModel model = parsed(std::string_view(file.constData(), std::size_t(file.size())));

    QCOMPARE(valueOf(model, kKey, ""), (RegFileValue{reg::kString, wide(u"default")}));
    QCOMPARE(valueOf(model, kKey, "Path"),
             (RegFileValue{reg::kString, wide(u"C:\\Program Files\\t.exe")}));
    QCOMPARE(valueOf(model, kKey, "Quote \"q\""),
             (RegFileValue{reg::kString, wide(u"say \"hi\"")}));
    QCOMPARE(valueOf(model, kKey, "Count"), (RegFileValue{reg::kDword, Bytes{0x2a, 0, 0, 0}}));
    QCOMPARE(valueOf(model, kKey, "Blob"), (RegFileValue{reg::kBinary, Bytes{1, 2, 0xff}}));
    QCOMPARE(valueOf(model, kKey, "Expand"), (RegFileValue{reg::kExpandString, wide(u"%A%")}));
    QCOMPARE(valueOf(model, kKey, "Umlaut"),
             (RegFileValue{reg::kString, wide(u"Pr\u00fcfen \u20ac")}));
    QCOMPARE(valueOf(model, kKey, "Indented"), (RegFileValue{reg::kString, wide(u"x")}));

    const char *sub = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Test\\Sub Key";
    QCOMPARE(valueOf(model, sub, "Empty"), (RegFileValue{reg::kBinary, Bytes{}}));
    QCOMPARE(valueOf(model, sub, "Q"), (RegFileValue{11, Bytes{1, 0, 0, 0, 0, 0, 0, 0}}));
    QVERIFY(!model.findValue(sub, "Path"));
    QVERIFY(!model.findValue(kKey, "a comment line"));
}

void tst_RegFileParser::regedit4StringDataIsWidened()
{
    const RegFileModel model = parsed("REGEDIT4\n\n"
                                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\n"
                                      "\"S\"=\"Pr\xC3\xBC" "fen\"\n"
                                      "\"E\"=hex(2):25,41,25,00\n"
                                      "\"M\"=hex(7):61,00,62,00,00\n"
                                      "\"B\"=hex:61,00\n"
                                      "\"D\"=dword:ffffffff\n");
    QCOMPARE(valueOf(model, kKey, "S"), (RegFileValue{reg::kString, wide(u"Pr\u00fcfen")}));
    QCOMPARE(valueOf(model, kKey, "E"), (RegFileValue{reg::kExpandString, wide(u"%A%")}));
    QCOMPARE(valueOf(model, kKey, "M"),
             (RegFileValue{reg::kMultiString, wide(std::u16string(u"a\0b\0", 4))}));
    QCOMPARE(valueOf(model, kKey, "B"), (RegFileValue{reg::kBinary, Bytes{0x61, 0}}));
    QCOMPARE(valueOf(model, kKey, "D"), (RegFileValue{reg::kDword, Bytes{0xff, 0xff, 0xff, 0xff}}));
}

void tst_RegFileParser::hexStringDataIsKeptAsWritten()
{
    // In a version 5.00 file string data in hex is already UTF-16LE: a string without its
    // terminator, or with two, is written that way and must stay so.
    const RegFileModel model = parsed("Windows Registry Editor Version 5.00\n"
                                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\n"
                                      "\"None\"=hex(1):41,00,42,00\n"
                                      "\"Two\"=hex(1):41,00,00,00,00,00\n"
                                      "\"Odd\"=hex(1):41,00,42\n");
    QCOMPARE(valueOf(model, kKey, "None"), (RegFileValue{reg::kString, Bytes{0x41, 0, 0x42, 0}}));
    QCOMPARE(valueOf(model, kKey, "Two"), (RegFileValue{reg::kString, Bytes{0x41, 0, 0, 0, 0, 0}}));
    QCOMPARE(valueOf(model, kKey, "Odd"), (RegFileValue{reg::kString, Bytes{0x41, 0, 0x42}}));
}

void tst_RegFileParser::namesMatchWithoutCase()
{
    const RegFileModel model = parsed(utf8(u"Windows Registry Editor Version 5.00\n"
                                           u"[hkey_local_machine\\Software\\\u00c4rger]\n"
                                           u"\"PaTh\"=\"x\"\n"
                                           u"\"\u0417\u043d\u0430\u043a\"=\"y\"\n"));
    const std::string key = utf8(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\\u00e4RGER");
    QVERIFY(model.findValue(key, "path"));
    QVERIFY(model.findValue(key, "PATH"));
    QVERIFY(model.findValue(key, utf8(u"\u0437\u041d\u0410\u041a")));
    QVERIFY(!model.findValue(key, "PAT"));
    QVERIFY(!model.findValue(utf8(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\ARGER"), "path"));
}

void tst_RegFileParser::parentKeysExist()
{
    const RegFileModel model = parsed("REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\B\\C]\n");
    for (const char *key : {"HKEY_LOCAL_MACHINE", "HKEY_LOCAL_MACHINE\\A", "HKEY_LOCAL_MACHINE\\a\\b",
                            "HKEY_LOCAL_MACHINE\\A\\B\\C\\", "HKEY_LOCAL_MACHINE\\\\A\\B\\C"})
        QVERIFY2(model.hasKey(key), key);
    QVERIFY(!model.hasKey("HKEY_LOCAL_MACHINE\\A\\B\\C\\D"));
    QVERIFY(!model.hasKey("HKEY_LOCAL_MACHINE\\B"));
}

void tst_RegFileParser::needsAHeader_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("taken");
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("no header") << QByteArray("[HKEY_LOCAL_MACHINE\\A]\n\"x\"=\"y\"\n") << false;
    QTest::newRow("other version") << QByteArray("Windows Registry Editor Version 6.00\n") << false;
    QTest::newRow("header on second line") << QByteArray("\nREGEDIT4\n") << false;
    QTest::newRow("BOM only") << QByteArray("\xFF\xFE") << false;
    QTest::newRow("REGEDIT4 alone") << QByteArray("REGEDIT4") << true;
    QTest::newRow("header with CRLF and blanks") << QByteArray("REGEDIT4  \r\n") << true;
    const std::string u16 = utf16File(u"REGEDIT4\r\n");
    QTest::newRow("UTF-16 REGEDIT4") << QByteArray::fromStdString(u16) << true;
}

void tst_RegFileParser::needsAHeader()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, taken);
    QCOMPARE(parseRegFile(std::string_view(file.constData(), std::size_t(file.size()))).has_value(),
             taken);
}

void tst_RegFileParser::skipsLinesItCannotParse()
{
    const RegFileModel model = parsed("Windows Registry Editor Version 5.00\n"
                                      "\"Orphan\"=\"before any key\"\n"
                                      "[HKEY_NOWHERE\\X]\n"
                                      "\"InBadKey\"=\"x\"\n"
                                      "[HKEY_LOCAL_MACHINE\\Unclosed\n"
                                      "\"InUnclosed\"=\"x\"\n"
                                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\n"
                                      "\"Unterminated\"=\"abc\n"
                                      "\"NoEquals\" \"abc\"\n"
                                      "\"Garbage\"=\"abc\" def\n"
                                      "\"LongDword\"=dword:123456789\n"
                                      "\"BadDword\"=dword:12g4\n"
                                      "\"EmptyDword\"=dword:\n"
                                      "\"BadHex\"=hex:01,1g,03\n"
                                      "\"WideHex\"=hex:123\n"
                                      "\"DoubleComma\"=hex:01,,02\n"
                                      "\"BadType\"=hex(zz):01\n"
                                      "\"NoType\"=hex():01\n"
                                      "\"Broken\"=hex:01,\\\n"
                                      "  zz,\\\n"
                                      "  \"Swallowed\"=\"x\"\n"
                                      "\"Unknown\"=qword:1\n"
                                      "just words\n"
                                      "@\n"
                                      "\"Good\"=\"kept\"\n"
                                      "\"Good2\"=hex:0a,\\\n"
                                      "  0b ; the end\n"
                                      "\"a=b\"=hex:0c,\\\n"
                                      "  0d\n"
                                      "\"c\"=\"ends in a backslash\\\\\"\n"
                                      "\"d\"=\"next\"\n");
    QVERIFY(!model.hasKey("HKEY_NOWHERE\\X"));
    QVERIFY(!model.hasKey("HKEY_LOCAL_MACHINE\\Unclosed"));
    for (const char *name : {"Orphan", "InBadKey", "InUnclosed", "Unterminated", "NoEquals",
                             "Garbage", "LongDword", "BadDword", "EmptyDword", "BadHex", "WideHex",
                             "DoubleComma", "BadType", "NoType", "Broken", "Swallowed", "Unknown",
                             ""})
        QVERIFY2(!model.findValue(kKey, name), name);
    QCOMPARE(valueOf(model, kKey, "Good"), (RegFileValue{reg::kString, wide(u"kept")}));
    QCOMPARE(valueOf(model, kKey, "Good2"), (RegFileValue{reg::kBinary, Bytes{0x0a, 0x0b}}));
    QCOMPARE(valueOf(model, kKey, "a=b"), (RegFileValue{reg::kBinary, Bytes{0x0c, 0x0d}}));
    QCOMPARE(valueOf(model, kKey, "c"),
             (RegFileValue{reg::kString, wide(u"ends in a backslash\\")}));
    QCOMPARE(valueOf(model, kKey, "d"), (RegFileValue{reg::kString, wide(u"next")}));
}

void tst_RegFileParser::removalsAndLaterEntries()
{
    const RegFileModel model = parsed("REGEDIT4\n"
                                      "[HKEY_LOCAL_MACHINE\\A\\B]\n\"v\"=\"1\"\n\"w\"=\"2\"\n"
                                      "[HKEY_LOCAL_MACHINE\\A\\B\\C]\n"
                                      "[HKEY_LOCAL_MACHINE\\A\\BB]\n"
                                      "[HKEY_LOCAL_MACHINE\\X]\n\"v\"=\"1\"\n\"V\"=-\n"
                                      "[-HKEY_LOCAL_MACHINE\\A\\B]\n\"after\"=\"removed\"\n"
                                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\n\"v\"=\"1\"\n"
                                      "[hkey_local_machine\\software\\test]\n\"V\"=dword:2\n");
    QVERIFY(model.hasKey("HKEY_LOCAL_MACHINE\\A"));
    QVERIFY(!model.hasKey("HKEY_LOCAL_MACHINE\\A\\B"));
    QVERIFY(!model.hasKey("HKEY_LOCAL_MACHINE\\A\\B\\C"));
    QVERIFY(model.hasKey("HKEY_LOCAL_MACHINE\\A\\BB"));
    QVERIFY(model.hasKey("HKEY_LOCAL_MACHINE\\X"));
    QVERIFY(!model.findValue("HKEY_LOCAL_MACHINE\\X", "v"));
    QVERIFY(!model.findValue("HKEY_LOCAL_MACHINE\\A\\B", "after"));
    // A later entry for the same value, under any spelling, wins.
    QCOMPARE(valueOf(model, kKey, "v"), (RegFileValue{reg::kDword, Bytes{2, 0, 0, 0}}));
}

void tst_RegFileParser::convertsWideTextTo8Bit()
{
    const auto convert = [](const Bytes &bytes) {
        return utf16leToUtf8(bytes.data(), bytes.size());
    };
    // Zeros are converted like any other unit, so a terminator is still there to count.
    QCOMPARE(convert(wide(u"ab")), std::string("ab\0", 3));
    QCOMPARE(convert(wide(std::u16string(u"a\0", 2))), std::string("a\0\0", 3));
    QCOMPARE(convert(wide(u"\u00fc\u20ac", false)), std::string("\xC3\xBC\xE2\x82\xAC"));
    QCOMPARE(convert(wide(u"\U0001F600", false)), std::string("\xF0\x9F\x98\x80"));
    QCOMPARE(convert(Bytes{0x00, 0xD8, 0x41, 0x00}), std::string("\xEF\xBF\xBD" "A"));
    QCOMPARE(convert(Bytes{0x00, 0xDC}), std::string("\xEF\xBF\xBD"));
    QCOMPARE(convert(Bytes{0x41, 0x00, 0x42}), std::string("A"));
    QCOMPARE(convert(Bytes{}), std::string());

    QCOMPARE(utf8ToUtf16le("A\xC3\xBC"), (Bytes{0x41, 0, 0xFC, 0}));
    QCOMPARE(utf8ToUtf16le("\xFF" "A"), (Bytes{0xFD, 0xFF, 0x41, 0}));
    QCOMPARE(utf8ToUtf16le("\xC3"), (Bytes{0xFD, 0xFF}));
    QCOMPARE(utf8ToUtf16le("\xED\xA0\x80"), (Bytes{0xFD, 0xFF, 0xFD, 0xFF, 0xFD, 0xFF}));
}

void tst_RegFileParser::survivesAnyInput()
{
    // Every prefix of a file that uses every feature, in both encodings, and random changes
    // to it: the parser must return, whatever it makes of them.
    const std::u16string text = kFeatures;
    std::vector<std::string> samples = {utf16File(text), utf8(text)};
    std::size_t parsedCount = 0;
    for (const std::string &sample : samples) {
        for (std::size_t n = 0; n <= sample.size(); ++n)
            parsedCount += parseRegFile(std::string_view(sample).substr(0, n)).has_value();
    }
    QVERIFY(parsedCount > 0);

    std::mt19937 random(20261206);
    static constexpr char kAlphabet[] = "\\\"[]@=:,;-() \r\nhexdword0123456789abcdefHKEY_\xFF\xFE\x00";
    const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);
    for (int round = 0; round < 3000; ++round) {
        std::string mutated = samples[std::size_t(round) % samples.size()];
        const int changes = 1 + int(random() % 8);
        for (int c = 0; c < changes && !mutated.empty(); ++c) {
            const std::size_t at = random() % mutated.size();
            const char replacement = alphabet[random() % alphabet.size()];
            switch (random() % 3) {
            case 0: mutated[at] = replacement; break;
            case 1: mutated.insert(at, 1, replacement); break;
            default: mutated.erase(at, 1 + random() % 16); break;
            }
        }
        (void)parseRegFile(mutated);
    }
}

QTEST_APPLESS_MAIN(tst_RegFileParser)
#include "tst_reg_file_parser.moc"
