#include "swf/format/asset_tags.h"

#include "swf/format/codes.h"

namespace swf {

namespace {

// A forward cursor over a tag body; every read checks the bytes left.
struct Cursor {
    std::span<const std::uint8_t> bytes;
    std::size_t pos = 0;
    std::uint16_t tagCode = 0;

    Error fail(std::string detail) const { return makeError(ErrorCode::Truncated, std::move(detail), tagCode, pos); }
    bool u8(std::uint8_t& out) {
        if (pos + 1 > bytes.size()) return false;
        out = bytes[pos++];
        return true;
    }
    bool u16(std::uint16_t& out) {
        if (pos + 2 > bytes.size()) return false;
        out = static_cast<std::uint16_t>(bytes[pos] | (bytes[pos + 1] << 8));
        pos += 2;
        return true;
    }
    // A string ends at its zero byte; one without it is cut short.
    bool string(std::string& out) {
        for (std::size_t i = pos; i < bytes.size(); ++i)
            if (bytes[i] == 0) {
                out.assign(reinterpret_cast<const char*>(bytes.data() + pos), i - pos);
                pos = i + 1;
                return true;
            }
        return false;
    }
};

// The count of names, then each id and name. The count is checked against
// the bytes left (three at least a name), so a hostile count costs nothing.
Result<std::vector<AssetName>> readNames(Cursor& c) {
    std::uint16_t count = 0;
    if (!c.u16(count)) return c.fail("asset count missing");
    if (std::size_t(count) * 3 > c.bytes.size() - c.pos) return c.fail("asset count past the tag's end");
    std::vector<AssetName> out(count);
    for (auto& a : out)
        if (!c.u16(a.id) || !c.string(a.name)) return c.fail("asset record cut short");
    return out;
}

void writeNames(Bytes& out, const std::vector<AssetName>& names) {
    out.push_back(static_cast<std::uint8_t>(names.size() & 0xff));
    out.push_back(static_cast<std::uint8_t>(names.size() >> 8));
    for (const auto& a : names) {
        out.push_back(static_cast<std::uint8_t>(a.id & 0xff));
        out.push_back(static_cast<std::uint8_t>(a.id >> 8));
        out.insert(out.end(), a.name.begin(), a.name.end());
        out.push_back(0);
    }
}

}  // namespace

Result<ExportAssets> parseExportAssets(std::span<const std::uint8_t> body) {
    Cursor c{body, 0, code::ExportAssets};
    auto names = readNames(c);
    if (!names) return names.error();
    return ExportAssets{std::move(*names)};
}

Bytes encodeExportAssets(const ExportAssets& tag) {
    Bytes out;
    writeNames(out, tag.assets);
    return out;
}

Result<ImportAssets> parseImportAssets(std::uint8_t version, std::span<const std::uint8_t> body) {
    Cursor c{body, 0, static_cast<std::uint16_t>(version == 2 ? code::ImportAssets2 : code::ImportAssets)};
    ImportAssets tag;
    tag.version = version == 2 ? 2 : 1;
    if (!c.string(tag.url)) return c.fail("import url cut short");
    if (tag.version == 2) {
        std::uint8_t reserved = 0;
        if (!c.u8(reserved) || !c.u8(reserved)) return c.fail("import reserved bytes missing");
    }
    auto names = readNames(c);
    if (!names) return names.error();
    tag.assets = std::move(*names);
    return tag;
}

Bytes encodeImportAssets(const ImportAssets& tag) {
    Bytes out(tag.url.begin(), tag.url.end());
    out.push_back(0);
    if (tag.version == 2) {
        out.push_back(1);  // reserved, always 1
        out.push_back(0);  // reserved, always 0
    }
    writeNames(out, tag.assets);
    return out;
}

}  // namespace swf
