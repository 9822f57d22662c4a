#include "media/persisted_state.h"

#include <variant>

namespace media {

namespace {

enum TypeCode : std::uint16_t { kInteger = 3, kString = 8, kBoolean = 11, kObject = 13 };

using StringField = StoredString PersistedState::*;
using BoolField = StoredBool PersistedState::*;
using IntField = std::int32_t PersistedState::*;
using ObjectField = std::array<std::uint8_t, 16> PersistedState::*;
using Field = std::variant<StringField, BoolField, IntField, ObjectField>;

struct ValueSlot {
    const char* name;
    Field field;
};

// The 22 typed values in block order; encoder and decoder both walk this.
const std::array<ValueSlot, 22> kSlots = {{
    {"FlashVars", &PersistedState::flashVars},
    {"Movie", &PersistedState::movie},
    {"Src", &PersistedState::src},
    {"WMode", &PersistedState::wmode},
    {"Play", &PersistedState::play},
    {"Loop", &PersistedState::loop},
    {"Quality", &PersistedState::quality},
    {"SAlign", &PersistedState::salign},
    {"Menu", &PersistedState::menu},
    {"Base", &PersistedState::base},
    {"AllowScriptAccess", &PersistedState::allowScriptAccess},
    {"Scale", &PersistedState::scale},
    {"DeviceFont", &PersistedState::deviceFont},
    {"EmbedMovie", &PersistedState::embedMovie},
    {"BGColor", &PersistedState::bgColor},
    {"SWRemote", &PersistedState::swRemote},
    {"MovieData", &PersistedState::movieData},
    {"objet", &PersistedState::objectClassId},
    {"SeamlessTabbing", &PersistedState::seamlessTabbing},
    {"Profile", &PersistedState::profile},
    {"ProfileAddress", &PersistedState::profileAddress},
    {"ProfilePort", &PersistedState::profilePort},
}};

std::uint16_t typeOf(const Field& f) {
    struct {
        std::uint16_t operator()(StringField) const { return kString; }
        std::uint16_t operator()(BoolField) const { return kBoolean; }
        std::uint16_t operator()(IntField) const { return kInteger; }
        std::uint16_t operator()(ObjectField) const { return kObject; }
    } v;
    return std::visit(v, f);
}

class Writer {
public:
    void u16(std::uint16_t v) {
        out.push_back(std::uint8_t(v));
        out.push_back(std::uint8_t(v >> 8));
    }
    void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
    }
    void string(const StoredString& s) {
        if (!s) {
            u32(0);
            return;
        }
        u32(static_cast<std::uint32_t>((s->size() + 1) * 2));
        for (QChar c : *s) u16(c.unicode());
        u16(0);
    }
    std::vector<std::uint8_t> out;
};

// Reads within the block; every read checks the end first.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> b) : bytes(b) {}
    std::size_t left() const { return bytes.size() - pos; }
    bool u16(std::uint16_t& v) {
        if (left() < 2) return false;
        v = std::uint16_t(bytes[pos] | (bytes[pos + 1] << 8));
        pos += 2;
        return true;
    }
    bool u32(std::uint32_t& v) {
        if (left() < 4) return false;
        v = 0;
        for (int i = 0; i < 4; ++i) v |= std::uint32_t(bytes[pos + i]) << (8 * i);
        pos += 4;
        return true;
    }
    std::span<const std::uint8_t> bytes;
    std::size_t pos = 0;
};

StateDecodeResult fail(StateError code, std::size_t offset, const char* value = nullptr) {
    StateDecodeResult r;
    r.error = {code, offset, value ? QString::fromLatin1(value) : QString()};
    return r;
}

}  // namespace

const std::array<const char*, 22> kStateValueNames = [] {
    std::array<const char*, 22> names{};
    for (std::size_t i = 0; i < kSlots.size(); ++i) names[i] = kSlots[i].name;
    return names;
}();

QString StateDecodeError::message() const {
    QString what;
    switch (code) {
    case StateError::WrongSize: what = QStringLiteral("taille du bloc incorrecte (210 octets attendus)"); break;
    case StateError::BadSignature: what = QStringLiteral("signature absente"); break;
    case StateError::UnknownFormat: what = QStringLiteral("format inconnu"); break;
    case StateError::Truncated: what = QStringLiteral("bloc tronqué"); break;
    case StateError::WrongType: what = QStringLiteral("type de valeur inattendu"); break;
    case StateError::CountPastEnd: what = QStringLiteral("longueur de chaîne au-delà de la fin du bloc"); break;
    case StateError::OddCount: what = QStringLiteral("longueur de chaîne impaire"); break;
    case StateError::NoTerminator: what = QStringLiteral("chaîne sans zéro final"); break;
    case StateError::TrailingBytes: what = QStringLiteral("octets en trop après la dernière valeur"); break;
    }
    QString text = QStringLiteral("état enregistré illisible : %1").arg(what);
    if (!value.isEmpty()) text += QStringLiteral(" (%1)").arg(value);
    return text + QStringLiteral(", octet %1").arg(offset);
}

std::vector<std::uint8_t> encodeState(const PersistedState& s) {
    Writer w;
    w.u32(kStateSignature);
    w.u32(kStateFormat);
    w.u32(s.extentWidth);
    w.u32(s.extentHeight);
    for (const ValueSlot& slot : kSlots) {
        w.u16(typeOf(slot.field));
        if (auto f = std::get_if<StringField>(&slot.field))
            w.string(s.**f);
        else if (auto f = std::get_if<BoolField>(&slot.field))
            w.u16(std::uint16_t((s.**f).raw));
        else if (auto f = std::get_if<IntField>(&slot.field))
            w.u32(std::uint32_t(s.**f));
        else if (auto f = std::get_if<ObjectField>(&slot.field))
            w.out.insert(w.out.end(), (s.**f).begin(), (s.**f).end());
    }
    return std::move(w.out);
}

StateDecodeResult decodeState(std::span<const std::uint8_t> block) {
    Reader r(block);
    PersistedState s;
    std::uint32_t signature = 0, format = 0;
    if (!r.u32(signature)) return fail(StateError::Truncated, r.pos);
    if (signature != kStateSignature) return fail(StateError::BadSignature, 0);
    if (!r.u32(format)) return fail(StateError::Truncated, r.pos);
    if (format != kStateFormat) return fail(StateError::UnknownFormat, 4);
    if (!r.u32(s.extentWidth) || !r.u32(s.extentHeight)) return fail(StateError::Truncated, r.pos);

    for (const ValueSlot& slot : kSlots) {
        const std::size_t at = r.pos;
        std::uint16_t type = 0;
        if (!r.u16(type)) return fail(StateError::Truncated, at, slot.name);
        if (type != typeOf(slot.field)) return fail(StateError::WrongType, at, slot.name);
        if (auto f = std::get_if<StringField>(&slot.field)) {
            std::uint32_t count = 0;
            if (!r.u32(count)) return fail(StateError::Truncated, r.pos, slot.name);
            if (count > r.left()) return fail(StateError::CountPastEnd, r.pos - 4, slot.name);
            if (count % 2 != 0) return fail(StateError::OddCount, r.pos - 4, slot.name);
            if (count == 0) {
                s.** f = std::nullopt;
                continue;
            }
            const std::size_t units = count / 2;
            QString text;
            text.reserve(qsizetype(units - 1));
            for (std::size_t i = 0; i + 1 < units; ++i) {
                std::uint16_t c = 0;
                r.u16(c);
                text.append(QChar(c));
            }
            std::uint16_t last = 0;
            r.u16(last);
            if (last != 0) return fail(StateError::NoTerminator, r.pos - 2, slot.name);
            s.** f = std::move(text);
        } else if (auto f = std::get_if<BoolField>(&slot.field)) {
            std::uint16_t v = 0;
            if (!r.u16(v)) return fail(StateError::Truncated, r.pos, slot.name);
            (s.**f).raw = std::int16_t(v);
        } else if (auto f = std::get_if<IntField>(&slot.field)) {
            std::uint32_t v = 0;
            if (!r.u32(v)) return fail(StateError::Truncated, r.pos, slot.name);
            s.** f = std::int32_t(v);
        } else if (auto f = std::get_if<ObjectField>(&slot.field)) {
            if (r.left() < 16) return fail(StateError::Truncated, r.pos, slot.name);
            for (auto& b : s.**f) b = block[r.pos++];
        }
    }
    if (r.left() != 0) return fail(StateError::TrailingBytes, r.pos);
    if (block.size() != kStateSize) return fail(StateError::WrongSize, block.size());
    StateDecodeResult ok;
    ok.state = std::move(s);
    return ok;
}

Extent extentFromTwips(int widthTwips, int heightTwips) {
    auto convert = [](int twips) {
        return twips <= 0 ? 0u : static_cast<std::uint32_t>(std::int64_t(twips) * 2540 / 1440);
    };
    return {convert(widthTwips), convert(heightTwips)};
}

PersistedState lessonDesignValues(int widthTwips, int heightTwips) {
    PersistedState s;
    const Extent e = extentFromTwips(widthTwips, heightTwips);
    s.extentWidth = e.width;
    s.extentHeight = e.height;
    const QString empty(QStringLiteral(""));
    s.flashVars = empty;
    s.movie = std::nullopt;
    s.src = std::nullopt;
    s.wmode = QStringLiteral("Transparent");
    s.play = StoredBool::of(true);
    s.loop = StoredBool::of(true);
    s.quality = QStringLiteral("High");
    s.salign = empty;
    s.menu = StoredBool::of(true);
    s.base = empty;
    s.allowScriptAccess = empty;
    s.scale = QStringLiteral("ShowAll");
    s.deviceFont = StoredBool::of(false);
    s.embedMovie = StoredBool::of(false);
    s.bgColor = empty;
    s.swRemote = empty;
    s.movieData = empty;
    s.objectClassId = {};
    s.seamlessTabbing = StoredBool{1};  // as the lesson screens store it
    s.profile = StoredBool::of(false);
    s.profileAddress = std::nullopt;
    s.profilePort = 0;
    return s;
}

}  // namespace media
