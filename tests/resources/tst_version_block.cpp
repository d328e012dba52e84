// The Windows version block and icon, read back out of the compiled resource file (.res) that
// windres makes from the generated script.

#include "app_info.h"
#include "icon_file.h"

#include <QFile>
#include <QMap>
#include <QTest>

namespace {

using icon_file::u16;
using icon_file::u32;

constexpr int kRtIcon = 3;
constexpr int kRtGroupIcon = 14;
constexpr int kRtVersion = 16;

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

constexpr qsizetype align4(qsizetype at) { return (at + 3) & ~qsizetype(3); }

// A resource's type or name: a number, or a UTF-16 string ending in a zero.
struct Id
{
    int number = -1;
    QString text;
};

Id readId(const QByteArray &data, qsizetype &at)
{
    Id id;
    if (u16(data, at) == 0xffff) {
        id.number = u16(data, at + 2);
        at += 4;
        return id;
    }
    while (at + 2 <= data.size() && u16(data, at) != 0) {
        id.text.append(QChar(u16(data, at)));
        at += 2;
    }
    at += 2;
    return id;
}

struct Resource
{
    int type = -1;
    int name = -1;
    int language = -1;
    QByteArray data;
};

QList<Resource> readResFile(const QByteArray &res)
{
    QList<Resource> resources;
    qsizetype at = 0;
    while (at + 32 <= res.size()) {
        const quint32 dataSize = u32(res, at);
        const quint32 headerSize = u32(res, at + 4);
        qsizetype field = at + 8;
        Resource r;
        r.type = readId(res, field).number;
        r.name = readId(res, field).number;
        field = align4(field);
        r.language = u16(res, field + 6);
        r.data = res.mid(at + headerSize, dataSize);
        if (dataSize > 0) // the file opens with an empty entry
            resources.append(r);
        at = align4(at + headerSize + dataSize);
    }
    return resources;
}

// One node of the VS_VERSIONINFO tree: a key, a value and children.
struct VersionNode
{
    QString key;
    int type = -1;
    QByteArray value;
    QList<VersionNode> children;
};

VersionNode readVersionNode(const QByteArray &data, qsizetype at)
{
    VersionNode node;
    const quint16 length = u16(data, at);
    const quint16 valueLength = u16(data, at + 2);
    node.type = u16(data, at + 4);
    qsizetype cursor = at + 6;
    while (cursor + 2 <= data.size() && u16(data, cursor) != 0) {
        node.key.append(QChar(u16(data, cursor)));
        cursor += 2;
    }
    cursor = align4(cursor + 2);
    const qsizetype valueBytes = node.type == 1 ? 2 * qsizetype(valueLength) : qsizetype(valueLength);
    node.value = data.mid(cursor, valueBytes);
    cursor = align4(cursor + valueBytes);
    const qsizetype end = at + length;
    while (cursor + 6 <= end) {
        const VersionNode child = readVersionNode(data, cursor);
        node.children.append(child);
        const quint16 childLength = u16(data, cursor);
        if (childLength == 0)
            break;
        cursor = align4(cursor + childLength);
    }
    return node;
}

QString utf16Text(const QByteArray &value)
{
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(value.constData()), value.size() / 2);
    while (text.endsWith(QChar(0)))
        text.chop(1);
    return text;
}

const VersionNode *child(const VersionNode &node, const QString &key)
{
    for (const VersionNode &c : node.children)
        if (c.key == key)
            return &c;
    return nullptr;
}

QString expectedVersionText()
{
    // "1.00": the major number, then the minor number in two digits.
    return QStringLiteral("%1.%2").arg(kAppInfo.major).arg(kAppInfo.minor, 2, 10, QLatin1Char('0'));
}

QString fromView(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

class tst_VersionBlock : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fixedVersionNumbers();
    void strings();
    void translation();
    void iconGroupHoldsBothTreeImages();

private:
    QList<Resource> m_resources;
    const Resource *find(int type, int name = -1) const;
    VersionNode versionRoot() const;
};

void tst_VersionBlock::initTestCase()
{
    const QByteArray res = readFile(QStringLiteral(TAVRIN_RES_FILE));
    QVERIFY2(!res.isEmpty(), TAVRIN_RES_FILE);
    m_resources = readResFile(res);
    QVERIFY(!m_resources.isEmpty());
}

const Resource *tst_VersionBlock::find(int type, int name) const
{
    for (const Resource &r : m_resources)
        if (r.type == type && (name < 0 || r.name == name))
            return &r;
    return nullptr;
}

VersionNode tst_VersionBlock::versionRoot() const
{
    const Resource *version = find(kRtVersion);
    return version ? readVersionNode(version->data, 0) : VersionNode{};
}

void tst_VersionBlock::fixedVersionNumbers()
{
    const VersionNode root = versionRoot();
    QCOMPARE(root.key, QStringLiteral("VS_VERSION_INFO"));
    QCOMPARE(root.value.size(), 52);
    QCOMPARE(u32(root.value, 0), 0xfeef04bdu);
    const quint32 high = (quint32(kAppInfo.major) << 16) | kAppInfo.minor;
    const quint32 low = quint32(kAppInfo.revision) << 16;
    QCOMPARE(u32(root.value, 8), high);  // file version
    QCOMPARE(u32(root.value, 12), low);
    QCOMPARE(u32(root.value, 16), high); // product version
    QCOMPARE(u32(root.value, 20), low);
    QCOMPARE(high, 0x00010000u);        // 1.0.0.0
    QCOMPARE(low, 0u);
    QCOMPARE(u32(root.value, 36), 1u);  // VFT_APP
}

void tst_VersionBlock::strings()
{
    const VersionNode root = versionRoot();
    const VersionNode *stringInfo = child(root, QStringLiteral("StringFileInfo"));
    QVERIFY(stringInfo);
    QCOMPARE(stringInfo->children.size(), 1);
    const VersionNode *table = child(*stringInfo, QStringLiteral("040904B0"));
    QVERIFY(table);

    QMap<QString, QString> values;
    for (const VersionNode &entry : table->children) {
        QCOMPARE(entry.type, 1);
        values.insert(entry.key, utf16Text(entry.value));
    }
    QCOMPARE(values.value("FileVersion"), expectedVersionText());
    QCOMPARE(values.value("ProductVersion"), expectedVersionText());
    QCOMPARE(values.value("FileVersion"), QStringLiteral("1.00"));
    QCOMPARE(values.value("ProductName"), fromView(kAppInfo.title));
    QCOMPARE(values.value("InternalName"), fromView(kAppInfo.executableName));
    QCOMPARE(values.value("OriginalFilename"), fromView(kAppInfo.executableName) + ".exe");
    QCOMPARE(values.value("CompanyName"), QStringLiteral(TAVRIN_COMPANY_NAME));
    QVERIFY(!values.value("CompanyName").isEmpty());
}

void tst_VersionBlock::translation()
{
    const VersionNode root = versionRoot();
    const VersionNode *varInfo = child(root, QStringLiteral("VarFileInfo"));
    QVERIFY(varInfo);
    const VersionNode *translation = child(*varInfo, QStringLiteral("Translation"));
    QVERIFY(translation);
    QCOMPARE(translation->value.size(), 4);
    QCOMPARE(u16(translation->value, 0), quint16(0x0409)); // US English
    QCOMPARE(u16(translation->value, 2), quint16(0x04b0)); // Unicode
}

void tst_VersionBlock::iconGroupHoldsBothTreeImages()
{
    const Resource *group = find(kRtGroupIcon);
    QVERIFY(group);
    QCOMPARE(u16(group->data, 0), quint16(0));
    QCOMPARE(u16(group->data, 2), quint16(1));
    QCOMPARE(u16(group->data, 4), quint16(2));

    const QByteArray ico = readFile(QStringLiteral(TAVRIN_ICO_FILE));
    const icon_file::Directory dir = icon_file::readDirectory(ico);
    QCOMPARE(dir.entries.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const qsizetype at = 6 + 14 * i;
        const int side = i == 0 ? 32 : 16;
        QCOMPARE(int(static_cast<quint8>(group->data[at])), side);
        QCOMPARE(int(static_cast<quint8>(group->data[at + 1])), side);
        QCOMPARE(u16(group->data, at + 6), quint16(4)); // bits per pixel
        const Resource *image = find(kRtIcon, u16(group->data, at + 12));
        QVERIFY(image);
        // The executable's icon images are the .ico's images byte for byte.
        QCOMPARE(image->data, ico.mid(dir.entries[i].imageOffset, dir.entries[i].bytesInRes));
    }
}

QTEST_GUILESS_MAIN(tst_VersionBlock)
#include "tst_version_block.moc"
