// app/windows/tarvik.rc compiled with the MinGW resource compiler into a .res
// file, which is read back resource by resource: the icon group and its image
// under their fixed identifiers, and the French version record.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

std::uint32_t le16(const QByteArray& b, qsizetype at) {
    if (at < 0 || at + 2 > b.size()) throw std::out_of_range("read past the end");
    return std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8;
}
std::uint32_t le32(const QByteArray& b, qsizetype at) { return le16(b, at) | le16(b, at + 2) << 16; }
qsizetype align4(qsizetype v) { return (v + 3) & ~qsizetype(3); }

// A type or name field: an ordinal (0xFFFF then a 16-bit number) or a string.
struct Id {
    std::optional<std::uint16_t> ordinal;
    QString name;
};

Id readId(const QByteArray& b, qsizetype& at) {
    Id id;
    if (le16(b, at) == 0xFFFF) {
        id.ordinal = std::uint16_t(le16(b, at + 2));
        at += 4;
        return id;
    }
    while (std::uint16_t c = std::uint16_t(le16(b, at))) {
        id.name.append(QChar(c));
        at += 2;
    }
    at += 2;
    return id;
}

struct Resource {
    std::uint16_t type = 0, name = 0, language = 0;
    QByteArray data;
};

// A .res file: RESOURCEHEADER records, each followed by its data, both
// padded to four bytes; the first record is an empty one.
std::vector<Resource> parseRes(const QByteArray& b) {
    std::vector<Resource> out;
    qsizetype at = 0;
    while (at + 8 <= b.size()) {
        const std::uint32_t dataSize = le32(b, at), headerSize = le32(b, at + 4);
        if (headerSize < 24 || std::uint64_t(at) + headerSize + dataSize > std::uint64_t(b.size()))
            throw std::runtime_error("malformed resource header");
        qsizetype p = at + 8;
        const Id type = readId(b, p);
        const Id name = readId(b, p);
        p = align4(p);
        Resource r;
        r.language = std::uint16_t(le16(b, p + 6));  // after DataVersion and MemoryFlags
        if (type.ordinal && name.ordinal && dataSize > 0) {
            r.type = *type.ordinal;
            r.name = *name.ordinal;
            r.data = b.mid(at + headerSize, dataSize);
            out.push_back(r);
        }
        at = align4(at + headerSize + dataSize);
    }
    return out;
}

// One node of a VS_VERSIONINFO tree: wLength, wValueLength, wType, key,
// value, children, with four-byte alignment between the parts.
struct VersionNode {
    QString key;
    QByteArray value;  // raw bytes; text values are UTF-16
    bool text = false;
    std::vector<VersionNode> children;
};

VersionNode parseVersionNode(const QByteArray& b, qsizetype at, qsizetype& end) {
    const qsizetype length = le16(b, at);
    const qsizetype valueLength = le16(b, at + 2);
    VersionNode node;
    node.text = le16(b, at + 4) == 1;
    end = at + length;
    if (length < 6 || end > b.size()) throw std::runtime_error("malformed version block");
    qsizetype p = at + 6;
    while (std::uint16_t c = std::uint16_t(le16(b, p))) {
        node.key.append(QChar(c));
        p += 2;
    }
    p = align4(p + 2);
    const qsizetype valueBytes = node.text ? valueLength * 2 : valueLength;
    node.value = b.mid(p, valueBytes);
    p = align4(p + valueBytes);
    while (p < end) {
        qsizetype childEnd = 0;
        node.children.push_back(parseVersionNode(b, p, childEnd));
        p = align4(childEnd);
    }
    return node;
}

QString utf16(const QByteArray& v) {
    QString s = QString::fromUtf16(reinterpret_cast<const char16_t*>(v.constData()), v.size() / 2);
    while (s.endsWith(QChar(0))) s.chop(1);
    return s;
}

const VersionNode* child(const VersionNode& n, const QString& key) {
    for (const VersionNode& c : n.children)
        if (c.key == key) return &c;
    return nullptr;
}

class WindowsResources : public ::testing::Test {
protected:
    void SetUp() override {
        const QString windres = QStandardPaths::findExecutable("x86_64-w64-mingw32-windres");
        if (windres.isEmpty()) GTEST_SKIP() << "x86_64-w64-mingw32-windres is not installed";
        if (QStandardPaths::findExecutable("cpp").isEmpty()) GTEST_SKIP() << "no C preprocessor";
        ASSERT_TRUE(tmp_.isValid());
        const QString dir = QStringLiteral(TK_SOURCE_DIR "/app/windows");
        const QString out = tmp_.filePath("tarvik.res");
        QProcess p;
        p.setWorkingDirectory(dir);
        p.start(windres, {"--preprocessor=cpp", "-I", dir, "-O", "res", "-i", dir + "/tarvik.rc", "-o", out});
        ASSERT_TRUE(p.waitForFinished(60000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        QFile f(out);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        resources_ = parseRes(f.readAll());
    }

    const Resource* find(std::uint16_t type, std::uint16_t name) const {
        for (const Resource& r : resources_)
            if (r.type == type && r.name == name) return &r;
        return nullptr;
    }

    QTemporaryDir tmp_;
    std::vector<Resource> resources_;
};

constexpr std::uint16_t kRtIcon = 3, kRtGroupIcon = 14, kRtVersion = 16;

TEST_F(WindowsResources, IconGroupOneHoldsImage30001WithTheProgramIconsPixels) {
    const Resource* group = find(kRtGroupIcon, 1);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->language, 0x040C);
    ASSERT_EQ(group->data.size(), 6 + 14);
    EXPECT_EQ(le16(group->data, 2), 1u);  // icons
    EXPECT_EQ(le16(group->data, 4), 1u);  // one image
    EXPECT_EQ(std::uint8_t(group->data[6]), 32);
    EXPECT_EQ(std::uint8_t(group->data[7]), 32);
    EXPECT_EQ(le16(group->data, 12), 8u);
    EXPECT_EQ(le16(group->data, 18), 30001u);

    const Resource* image = find(kRtIcon, 30001);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(le32(group->data, 14), std::uint32_t(image->data.size()));
    QFile ico(QStringLiteral(TK_SOURCE_DIR "/media/pictures/app_icon.ico"));
    ASSERT_TRUE(ico.open(QIODevice::ReadOnly));
    EXPECT_EQ(image->data, ico.readAll().mid(22)) << "not the same pixels as app_icon.ico";
    // No other icon image: the compiler did not number one of its own.
    int icons = 0;
    for (const Resource& r : resources_) icons += r.type == kRtIcon || r.type == kRtGroupIcon;
    EXPECT_EQ(icons, 2);
}

TEST_F(WindowsResources, FrenchVersionRecord) {
    const Resource* res = find(kRtVersion, 1);
    ASSERT_NE(res, nullptr);
    EXPECT_EQ(res->language, 0x040C);
    qsizetype end = 0;
    const VersionNode root = parseVersionNode(res->data, 0, end);
    EXPECT_EQ(root.key, "VS_VERSION_INFO");
    ASSERT_EQ(root.value.size(), 52);
    EXPECT_EQ(le32(root.value, 0), 0xFEEF04BDu);
    EXPECT_EQ(le32(root.value, 8), 0x00010000u);   // file version 1.0
    EXPECT_EQ(le32(root.value, 12), 0u);           // .0.0
    EXPECT_EQ(le32(root.value, 16), 0x00010000u);  // product version 1.0
    EXPECT_EQ(le32(root.value, 20), 0u);

    const VersionNode* strings = child(root, "StringFileInfo");
    ASSERT_NE(strings, nullptr);
    ASSERT_EQ(strings->children.size(), 1u) << "one string table only";
    const VersionNode& table = strings->children.front();
    EXPECT_EQ(table.key, "040C04B0");
    std::map<QString, QString> values;
    for (const VersionNode& v : table.children) values[v.key] = utf16(v.value);
    EXPECT_EQ(values["FileVersion"], "1.00");
    EXPECT_EQ(values["ProductVersion"], "1.00");
    EXPECT_EQ(values["ProductName"], "Tarvik Dovadovore Fr");
    EXPECT_EQ(values["InternalName"], "Tarvik Dovadovore Fr");
    EXPECT_EQ(values["OriginalFilename"], "Tarvik Dovadovore Fr.exe");
    EXPECT_FALSE(values["CompanyName"].isEmpty());
    EXPECT_TRUE(values["LegalCopyright"].contains(QString::fromUtf8("réservés"))) << "accented text survives as UTF-16";

    const VersionNode* vars = child(root, "VarFileInfo");
    ASSERT_NE(vars, nullptr);
    const VersionNode* translation = child(*vars, "Translation");
    ASSERT_NE(translation, nullptr);
    ASSERT_EQ(translation->value.size(), 4);
    EXPECT_EQ(le16(translation->value, 0), 0x040Cu);
    EXPECT_EQ(le16(translation->value, 2), 1200u);
}

TEST(ResParser, RejectsTruncatedHeaders) {
    QByteArray bogus(8, '\0');
    bogus[4] = char(0x40);  // header size 64, past the end
    EXPECT_THROW(parseRes(bogus), std::runtime_error);
    QByteArray shortBlock(4, '\0');
    qsizetype end = 0;
    EXPECT_THROW(parseVersionNode(shortBlock, 0, end), std::exception);
}

}  // namespace
