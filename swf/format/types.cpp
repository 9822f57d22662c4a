#include "swf/format/types.h"

#include "swf/format/codes.h"

namespace swf {

bool DefineSprite::operator==(const DefineSprite& other) const {
    return id == other.id && frameCount == other.frameCount && tags == other.tags;
}

namespace {
struct CodeOf {
    std::uint16_t operator()(const End&) const { return code::End; }
    std::uint16_t operator()(const ShowFrame&) const { return code::ShowFrame; }
    std::uint16_t operator()(const SetBackgroundColor&) const { return code::SetBackgroundColor; }
    std::uint16_t operator()(const FrameLabel&) const { return code::FrameLabel; }
    std::uint16_t operator()(const DefineShape& s) const {
        switch (s.version) {
        case 1: return code::DefineShape;
        case 2: return code::DefineShape2;
        case 3: return code::DefineShape3;
        default: return code::DefineShape4;
        }
    }
    std::uint16_t operator()(const PlaceObject& p) const {
        return p.version <= 1 ? code::PlaceObject : p.version == 2 ? code::PlaceObject2 : code::PlaceObject3;
    }
    std::uint16_t operator()(const RemoveObject& r) const {
        return r.version <= 1 ? code::RemoveObject : code::RemoveObject2;
    }
    std::uint16_t operator()(const DefineSprite&) const { return code::DefineSprite; }
    std::uint16_t operator()(const DefineFont& f) const {
        return f.version <= 1 ? code::DefineFont : f.version == 2 ? code::DefineFont2 : code::DefineFont3;
    }
    std::uint16_t operator()(const DefineFontInfo& f) const {
        return f.version <= 1 ? code::DefineFontInfo : code::DefineFontInfo2;
    }
    std::uint16_t operator()(const DefineText& t) const {
        return t.version <= 1 ? code::DefineText : code::DefineText2;
    }
    std::uint16_t operator()(const DoAction&) const { return code::DoAction; }
    std::uint16_t operator()(const DoInitAction&) const { return code::DoInitAction; }
    std::uint16_t operator()(const UnknownTag& u) const { return u.code; }
    std::uint16_t operator()(const DefineBitsJpeg& b) const {
        switch (b.version) {
        case 1: return code::DefineBits;
        case 2: return code::DefineBitsJPEG2;
        case 3: return code::DefineBitsJPEG3;
        default: return code::DefineBitsJPEG4;
        }
    }
    std::uint16_t operator()(const JpegTables&) const { return code::JPEGTables; }
    std::uint16_t operator()(const DefineBitsLossless& b) const {
        return b.version <= 1 ? code::DefineBitsLossless : code::DefineBitsLossless2;
    }
    std::uint16_t operator()(const DefineMorphShape& m) const {
        return m.version <= 1 ? code::DefineMorphShape : code::DefineMorphShape2;
    }
    std::uint16_t operator()(const DefineButton& b) const {
        return b.version <= 1 ? code::DefineButton : code::DefineButton2;
    }
    std::uint16_t operator()(const DefineButtonCxform&) const { return code::DefineButtonCxform; }
    std::uint16_t operator()(const DefineButtonSound&) const { return code::DefineButtonSound; }
    std::uint16_t operator()(const DefineEditText&) const { return code::DefineEditText; }
    std::uint16_t operator()(const DefineSound&) const { return code::DefineSound; }
    std::uint16_t operator()(const StartSound& s) const {
        return s.version <= 1 ? code::StartSound : code::StartSound2;
    }
    std::uint16_t operator()(const SoundStreamHead& h) const {
        return h.version <= 1 ? code::SoundStreamHead : code::SoundStreamHead2;
    }
    std::uint16_t operator()(const SoundStreamBlock&) const { return code::SoundStreamBlock; }
};
}  // namespace

std::uint16_t tagCode(const Tag& tag) { return std::visit(CodeOf{}, tag.base()); }

std::string tagName(std::uint16_t c) {
    switch (c) {
    case code::End: return "End";
    case code::ShowFrame: return "ShowFrame";
    case code::DefineShape: return "DefineShape";
    case code::PlaceObject: return "PlaceObject";
    case code::RemoveObject: return "RemoveObject";
    case code::DefineBits: return "DefineBits";
    case code::DefineButton: return "DefineButton";
    case code::JPEGTables: return "JPEGTables";
    case code::SetBackgroundColor: return "SetBackgroundColor";
    case code::DefineFont: return "DefineFont";
    case code::DefineText: return "DefineText";
    case code::DoAction: return "DoAction";
    case code::DoInitAction: return "DoInitAction";
    case code::DefineFontInfo: return "DefineFontInfo";
    case code::DefineSound: return "DefineSound";
    case code::StartSound: return "StartSound";
    case code::DefineButtonSound: return "DefineButtonSound";
    case code::SoundStreamHead: return "SoundStreamHead";
    case code::SoundStreamBlock: return "SoundStreamBlock";
    case code::DefineBitsLossless: return "DefineBitsLossless";
    case code::DefineBitsJPEG2: return "DefineBitsJPEG2";
    case code::DefineShape2: return "DefineShape2";
    case code::DefineButtonCxform: return "DefineButtonCxform";
    case code::PlaceObject2: return "PlaceObject2";
    case code::RemoveObject2: return "RemoveObject2";
    case code::DefineShape3: return "DefineShape3";
    case code::DefineText2: return "DefineText2";
    case code::DefineButton2: return "DefineButton2";
    case code::DefineBitsJPEG3: return "DefineBitsJPEG3";
    case code::DefineBitsLossless2: return "DefineBitsLossless2";
    case code::DefineEditText: return "DefineEditText";
    case code::DefineSprite: return "DefineSprite";
    case code::FrameLabel: return "FrameLabel";
    case code::SoundStreamHead2: return "SoundStreamHead2";
    case code::DefineMorphShape: return "DefineMorphShape";
    case code::DefineFont2: return "DefineFont2";
    case code::DefineFontInfo2: return "DefineFontInfo2";
    case code::PlaceObject3: return "PlaceObject3";
    case code::DefineFont3: return "DefineFont3";
    case code::DefineShape4: return "DefineShape4";
    case code::DefineMorphShape2: return "DefineMorphShape2";
    case code::StartSound2: return "StartSound2";
    case code::DefineBitsJPEG4: return "DefineBitsJPEG4";
    case 24: return "Protect";
    case 69: return "FileAttributes";
    case 77: return "Metadata";
    default: return "Unknown(" + std::to_string(c) + ")";
    }
}

}  // namespace swf
