// Plain data for SWF movies: the header and every tag the engine understands.
//
// Conventions used throughout:
//  - Lengths and coordinates are in twips (1/20 pixel), as in the file.
//  - Fixed-point values are kept raw so that a movie reads back bit-exact:
//    16.16 fixed (matrix scale/rotate) as std::int32_t, 8.8 fixed (colour
//    transform multipliers, frame rate, focal point, miter limit) as 16-bit.
//  - Strings are kept as the file's raw bytes (UTF-8 from version 6 on).
//  - A value that the file encodes only implicitly (bit counts, general vs.
//    vertical line form, long vs. short tag header) is not stored; the writer
//    picks the smallest encoding and the reader normalises.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace swf {

using Bytes = std::vector<std::uint8_t>;

struct Rgba {
    std::uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const Rgba&) const = default;
};

// Frame, shape and text bounds.
struct Rect {
    std::int32_t xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    bool operator==(const Rect&) const = default;
    std::int32_t width() const { return xmax - xmin; }
    std::int32_t height() const { return ymax - ymin; }
};

// Affine matrix: x' = x*scaleX + y*rotateSkew1 + translateX,
//                y' = x*rotateSkew0 + y*scaleY + translateY.
// Scale and rotate parts are 16.16 fixed; translation is in twips. The writer
// omits the scale part when both scales are 1.0 and the rotate part when both
// skews are 0.
struct Matrix {
    std::int32_t scaleX = 0x10000, scaleY = 0x10000;
    std::int32_t rotateSkew0 = 0, rotateSkew1 = 0;
    std::int32_t translateX = 0, translateY = 0;
    bool operator==(const Matrix&) const = default;
    static Matrix translate(std::int32_t x, std::int32_t y) {
        Matrix m;
        m.translateX = x;
        m.translateY = y;
        return m;
    }
};

// Colour transform: c' = clamp(c * mult / 256 + add). Multipliers are 8.8
// fixed (256 = 1.0). Tags without alpha (PlaceObject 1) ignore the alpha
// terms. The writer omits the multiply or add part when it is the identity.
struct ColorTransform {
    std::int16_t multR = 256, multG = 256, multB = 256, multA = 256;
    std::int16_t addR = 0, addG = 0, addB = 0, addA = 0;
    bool operator==(const ColorTransform&) const = default;
    bool isIdentity() const { return *this == ColorTransform{}; }
};

struct GradientRecord {
    std::uint8_t ratio = 0;  // 0..255 along the gradient
    Rgba color;
    bool operator==(const GradientRecord&) const = default;
};

enum class SpreadMode : std::uint8_t { Pad = 0, Reflect = 1, Repeat = 2 };
enum class InterpolationMode : std::uint8_t { Normal = 0, Linear = 1 };

struct Gradient {
    SpreadMode spread = SpreadMode::Pad;
    InterpolationMode interpolation = InterpolationMode::Normal;
    std::vector<GradientRecord> records;  // at most 15
    std::int16_t focalPoint = 0;          // 8.8, -1.0..1.0; focal gradients only
    bool operator==(const Gradient&) const = default;
};

enum class FillType : std::uint8_t {
    Solid = 0x00,
    LinearGradient = 0x10,
    RadialGradient = 0x12,
    FocalGradient = 0x13,
    RepeatingBitmap = 0x40,
    ClippedBitmap = 0x41,
    RepeatingBitmapHard = 0x42,  // not smoothed
    ClippedBitmapHard = 0x43,    // not smoothed
};

// One fill style. Gradient fills map the gradient square (-16384..16384 twips
// on both axes) through `matrix`; bitmap fills map bitmap pixels through it
// (a scale of 20 shows one bitmap pixel per pixel).
struct FillStyle {
    FillType type = FillType::Solid;
    Rgba color;         // Solid
    Matrix matrix;      // gradient or bitmap matrix
    Gradient gradient;  // gradient fills
    std::uint16_t bitmapId = 0;
    bool operator==(const FillStyle&) const = default;
    static FillStyle solid(Rgba c) {
        FillStyle f;
        f.color = c;
        return f;
    }
};

enum class CapStyle : std::uint8_t { Round = 0, None = 1, Square = 2 };
enum class JoinStyle : std::uint8_t { Round = 0, Bevel = 1, Miter = 2 };

// Line style. DefineShape 1-3 use only width and color; DefineShape4 stores
// the LineStyle2 fields as well.
struct LineStyle {
    std::uint16_t width = 20;  // twips; 0 is a hairline
    Rgba color;
    // LineStyle2 (DefineShape4) only:
    CapStyle startCap = CapStyle::Round;
    CapStyle endCap = CapStyle::Round;
    JoinStyle join = JoinStyle::Round;
    bool noHScale = false, noVScale = false, pixelHinting = false, noClose = false;
    std::uint16_t miterLimit = 3 << 8;  // 8.8, used with JoinStyle::Miter
    std::optional<FillStyle> fill;      // a filled line replaces `color`
    bool operator==(const LineStyle&) const = default;
};

// Style change: optional absolute move, optional style selection (index 0 =
// none, 1 = first style of the current style arrays) and optionally new style
// arrays that start a new drawing layer.
struct StyleChange {
    std::optional<std::int32_t> moveX, moveY;  // both or neither
    std::optional<std::uint32_t> fill0, fill1, line;
    bool newStyles = false;
    std::vector<FillStyle> fills;  // with newStyles
    std::vector<LineStyle> lines;  // with newStyles
    bool operator==(const StyleChange&) const = default;
};

struct StraightEdge {
    std::int32_t dx = 0, dy = 0;
    bool operator==(const StraightEdge&) const = default;
};

// Quadratic curve: control point at +c, anchor at +c+a (deltas in twips).
struct CurvedEdge {
    std::int32_t controlDx = 0, controlDy = 0, anchorDx = 0, anchorDy = 0;
    bool operator==(const CurvedEdge&) const = default;
};

using ShapeRecord = std::variant<StyleChange, StraightEdge, CurvedEdge>;

// A shape with its initial style arrays (glyph shapes have none and use fill
// style 1 for the glyph).
struct Shape {
    std::vector<FillStyle> fills;
    std::vector<LineStyle> lines;
    std::vector<ShapeRecord> records;  // without the end record
    bool operator==(const Shape&) const = default;
};

// DefineShape, DefineShape2, DefineShape3, DefineShape4 (version 1..4).
// Version 1-2 store colours without alpha; 2+ allow more than 255 styles; 3+
// store alpha; 4 adds edge bounds, winding rule and LineStyle2.
struct DefineShape {
    std::uint8_t version = 1;
    std::uint16_t id = 0;
    Rect bounds;
    Rect edgeBounds;                                                 // version 4
    bool usesFillWindingRule = false;                                // version 4: non-zero fill instead of even-odd
    bool usesNonScalingStrokes = false, usesScalingStrokes = false;  // version 4
    Shape shape;
    bool operator==(const DefineShape&) const = default;
};

// PlaceObject, PlaceObject2, PlaceObject3 (version 1..3).
// Version 1 always has a character and a matrix and never `move`.
struct PlaceObject {
    std::uint8_t version = 2;
    std::uint16_t depth = 1;
    bool move = false;  // modify (or replace the character of) the object at depth
    std::optional<std::uint16_t> characterId;
    std::optional<Matrix> matrix;
    std::optional<ColorTransform> colorTransform;
    std::optional<std::uint16_t> ratio;
    std::optional<std::string> name;
    std::optional<std::uint16_t> clipDepth;  // this object masks depths up to clipDepth
    std::optional<std::string> className;    // version 3
    // Parts not interpreted yet, kept opaque so they survive a round trip:
    // the flag bits of PlaceObject3's second flag byte for filters, blend mode,
    // bitmap caching, image, visibility, background (mask 0xF7), the clip-actions flag
    // of PlaceObject2/3, and the raw bytes that follow the clip depth.
    std::uint8_t extraFlags3 = 0;
    bool hasClipActions = false;
    Bytes tail;
    bool operator==(const PlaceObject&) const = default;
};

// RemoveObject (version 1, with character id) and RemoveObject2 (version 2).
struct RemoveObject {
    std::uint8_t version = 2;
    std::uint16_t characterId = 0;  // version 1 only
    std::uint16_t depth = 1;
    bool operator==(const RemoveObject&) const = default;
};

struct ShowFrame {
    bool operator==(const ShowFrame&) const = default;
};

// Not stored in tag lists: the reader stops at End and the writer appends one
// to every tag list. It exists so single tags can be encoded and decoded.
struct End {
    bool operator==(const End&) const = default;
};

// Kept in the tag list; the renderer does not draw it (transparent mode).
struct SetBackgroundColor {
    Rgba color;  // alpha is always 255
    bool operator==(const SetBackgroundColor&) const = default;
};

struct FrameLabel {
    std::string name;
    bool namedAnchor = false;
    bool operator==(const FrameLabel&) const = default;
};

// --- Actions ------------------------------------------------------------------
// Action records stay as the file has them: the action machine parses them
// once, and the writer writes them back unchanged.

// DoAction: a frame script.
struct DoAction {
    Bytes actions;  // action records and their end byte, as in the file
    bool operator==(const DoAction&) const = default;
};

// DoInitAction: a script run once before the first use of a sprite.
struct DoInitAction {
    std::uint16_t spriteId = 0;
    Bytes actions;  // action records and their end byte, as in the file
    bool operator==(const DoInitAction&) const = default;
};

// --- Fonts and text ---------------------------------------------------------
struct KerningRecord {
    std::uint16_t code1 = 0, code2 = 0;
    std::int16_t adjustment = 0;
    bool operator==(const KerningRecord&) const = default;
};

// DefineFont (version 1: glyph shapes only), DefineFont2 and DefineFont3.
// Glyphs are drawn on an EM square of 1024 units (version 3: 20480 units).
struct DefineFont {
    std::uint8_t version = 2;
    std::uint16_t id = 0;
    std::vector<Shape> glyphs;  // styles empty; fill style 1 is the glyph
    // Versions 2 and 3:
    bool shiftJIS = false, smallText = false, ansi = false;
    bool wideOffsets = false;  // the writer sets it when the glyph data needs it
    bool wideCodes = true;     // always true for version 3
    bool italic = false, bold = false;
    std::uint8_t languageCode = 0;
    std::string name;
    std::vector<std::uint16_t> codes;  // one per glyph
    bool hasLayout = false;
    std::uint16_t ascent = 0, descent = 0;
    std::int16_t leading = 0;
    std::vector<std::int16_t> advances;  // one per glyph
    std::vector<Rect> glyphBounds;       // one per glyph
    std::vector<KerningRecord> kerning;
    bool operator==(const DefineFont&) const = default;
};

// DefineFontInfo (version 1) and DefineFontInfo2 (version 2): name and code
// table for a version-1 font.
struct DefineFontInfo {
    std::uint8_t version = 1;
    std::uint16_t fontId = 0;
    std::string name;
    bool smallText = false, shiftJIS = false, ansi = false, italic = false, bold = false;
    bool wideCodes = true;          // always true for version 2
    std::uint8_t languageCode = 0;  // version 2
    std::vector<std::uint16_t> codes;
    bool operator==(const DefineFontInfo&) const = default;
};

struct GlyphEntry {
    std::uint32_t index = 0;   // glyph index in the font
    std::int32_t advance = 0;  // twips to the next glyph
    bool operator==(const GlyphEntry&) const = default;
};

// One run of glyphs; a record without a font keeps the previous font/height,
// without a colour keeps the previous colour, without offsets continues where
// the previous run ended. At most 255 glyphs are stored per run in the file;
// the writer splits longer runs.
struct TextRecord {
    std::optional<std::uint16_t> fontId;  // with height
    std::uint16_t height = 0;             // twips; used when fontId is set
    std::optional<Rgba> color;
    std::optional<std::int16_t> xOffset, yOffset;
    std::vector<GlyphEntry> glyphs;
    bool operator==(const TextRecord&) const = default;
};

// DefineText (version 1, RGB colours) and DefineText2 (version 2, RGBA).
struct DefineText {
    std::uint8_t version = 1;
    std::uint16_t id = 0;
    Rect bounds;
    Matrix matrix;
    std::vector<TextRecord> records;
    bool operator==(const DefineText&) const = default;
};

// --- Bitmaps ------------------------------------------------------------------
// Bitmaps of this many pixels or more are refused, whatever their format.
inline constexpr std::uint64_t kMaxBitmapPixels = 128'000'000;

// DefineBits (version 1: JPEG without its tables, which come from the
// JPEGTables tag), DefineBitsJPEG2 (2: JPEG with tables, or PNG or GIF89a),
// DefineBitsJPEG3 (3: adds a zlib alpha plane for JPEG data) and
// DefineBitsJPEG4 (4: adds a deblocking strength, 8.8 fixed).
struct DefineBitsJpeg {
    std::uint8_t version = 2;
    std::uint16_t id = 0;
    Bytes imageData;
    Bytes alphaData;               // versions 3 and 4: zlib stream of width*height bytes
    std::uint16_t deblocking = 0;  // version 4
    bool operator==(const DefineBitsJpeg&) const = default;
};

struct JpegTables {
    Bytes data;  // may be empty
    bool operator==(const JpegTables&) const = default;
};

// DefineBitsLossless (version 1: RGB) and DefineBitsLossless2 (version 2:
// premultiplied alpha). Format 3 is colour-mapped, 4 is 15-bit, 5 is 32-bit.
struct DefineBitsLossless {
    std::uint8_t version = 1;
    std::uint16_t id = 0;
    std::uint8_t format = 5;
    std::uint16_t width = 0, height = 0;
    std::uint16_t colorTableSize = 0;  // format 3: number of entries (1..256)
    Bytes zlibData;                    // colour table (format 3) and pixels, deflated
    bool operator==(const DefineBitsLossless&) const = default;
};

// --- Morph shapes (shape tweens) ----------------------------------------------
struct MorphGradientRecord {
    std::uint8_t startRatio = 0, endRatio = 0;
    Rgba startColor, endColor;
    bool operator==(const MorphGradientRecord&) const = default;
};

struct MorphFillStyle {
    FillType type = FillType::Solid;
    Rgba startColor, endColor;            // solid
    Matrix startMatrix, endMatrix;        // gradient and bitmap fills
    SpreadMode spread = SpreadMode::Pad;  // gradient fills
    InterpolationMode interpolation = InterpolationMode::Normal;
    std::vector<MorphGradientRecord> gradient;
    std::int16_t startFocal = 0, endFocal = 0;  // focal gradients
    std::uint16_t bitmapId = 0;
    bool operator==(const MorphFillStyle&) const = default;
};

// Version 1 uses widths and colours only; version 2 adds the line style 2
// fields (caps, join, scaling flags, miter limit, an optional fill).
struct MorphLineStyle {
    std::uint16_t startWidth = 20, endWidth = 20;
    Rgba startColor, endColor;
    CapStyle startCap = CapStyle::Round, endCap = CapStyle::Round;
    JoinStyle join = JoinStyle::Round;
    bool noHScale = false, noVScale = false, pixelHinting = false, noClose = false;
    std::uint16_t miterLimit = 3 << 8;
    std::optional<MorphFillStyle> fill;
    bool operator==(const MorphLineStyle&) const = default;
};

struct DefineMorphShape {
    std::uint8_t version = 1;
    std::uint16_t id = 0;
    Rect startBounds, endBounds;
    Rect startEdgeBounds, endEdgeBounds;                             // version 2
    bool usesNonScalingStrokes = false, usesScalingStrokes = false;  // version 2
    std::vector<MorphFillStyle> fills;
    std::vector<MorphLineStyle> lines;
    std::vector<ShapeRecord> startEdges;  // style selections live here
    std::vector<ShapeRecord> endEdges;    // edges and moves only
    bool operator==(const DefineMorphShape&) const = default;
};

// --- Sound -------------------------------------------------------------------
enum class SoundFormat : std::uint8_t {
    RawNative = 0,  // uncompressed, in the byte order of the authoring machine (little-endian in practice)
    Adpcm = 1,
    Mp3 = 2,
    RawLittle = 3,
    Nellymoser16k = 4,
    Nellymoser8k = 5,
    Nellymoser = 6,
    Speex = 11,
};

struct SoundEnvelopePoint {
    std::uint32_t pos44 = 0;            // in 44.1 kHz samples
    std::uint16_t left = 0, right = 0;  // 0..32768
    bool operator==(const SoundEnvelopePoint&) const = default;
};

// How an event sound starts (StartSound, button sounds).
struct SoundInfo {
    bool syncStop = false;                           // stop the sound instead of starting it
    bool syncNoMultiple = false;                     // do not start it while it already plays
    std::optional<std::uint32_t> inPoint, outPoint;  // in 44.1 kHz samples
    std::optional<std::uint16_t> loops;
    std::optional<std::vector<SoundEnvelopePoint>> envelope;
    bool operator==(const SoundInfo&) const = default;
};

struct DefineSound {
    std::uint16_t id = 0;
    SoundFormat format = SoundFormat::RawLittle;
    std::uint8_t rate = 3;  // rate code
    bool is16Bit = true, stereo = false;
    std::uint32_t sampleCount = 0;  // per channel
    Bytes data;                     // MP3: starts with the seek sample count (s16)
    bool operator==(const DefineSound&) const = default;
};

// StartSound (version 1, by id) and StartSound2 (version 2, by class name).
struct StartSound {
    std::uint8_t version = 1;
    std::uint16_t soundId = 0;
    std::string className;
    SoundInfo info;
    bool operator==(const StartSound&) const = default;
};

// SoundStreamHead (version 1) and SoundStreamHead2 (version 2).
struct SoundStreamHead {
    std::uint8_t version = 1;
    std::uint8_t playbackRate = 3;
    bool playback16Bit = true, playbackStereo = false;
    SoundFormat format = SoundFormat::Adpcm;
    std::uint8_t rate = 3;
    bool is16Bit = true, stereo = false;
    std::uint16_t samplesPerBlock = 0;  // average samples per frame
    std::int16_t latencySeek = 0;       // MP3 only
    bool operator==(const SoundStreamHead&) const = default;
};

struct SoundStreamBlock {
    Bytes data;  // MP3: sample count (u16) and seek samples (s16), then frames
    bool operator==(const SoundStreamBlock&) const = default;
};

// --- Buttons -----------------------------------------------------------------
enum class ButtonState : std::uint8_t { Up = 1, Over = 2, Down = 4, HitTest = 8 };

struct ButtonRecord {
    std::uint8_t states = 0;  // ButtonState bits
    std::uint16_t characterId = 0;
    std::uint16_t depth = 0;
    Matrix matrix;
    ColorTransform colorTransform;          // DefineButton2 only
    Bytes filters;                          // DefineButton2: the filter list, kept raw
    std::optional<std::uint8_t> blendMode;  // DefineButton2
    bool hasFilters = false;
    bool operator==(const ButtonRecord&) const = default;
    bool in(ButtonState s) const { return states & static_cast<std::uint8_t>(s); }
};

// Condition bits of a button action, as stored (the high byte's bit order).
namespace buttoncond {
enum : std::uint16_t {
    IdleToOverDown = 0x8000,
    OutDownToIdle = 0x4000,
    OutDownToOverDown = 0x2000,
    OverDownToOutDown = 0x1000,
    OverDownToOverUp = 0x0800,  // release
    OverUpToOverDown = 0x0400,  // press
    OverUpToIdle = 0x0200,
    IdleToOverUp = 0x0100,
    OverDownToIdle = 0x0001,
};
}

struct ButtonCondAction {
    std::uint16_t conditions = 0;  // buttoncond bits; the key code sits in bits 1..7
    Bytes actions;                 // action records and their end byte
    std::uint8_t keyCode() const { return static_cast<std::uint8_t>((conditions >> 1) & 0x7F); }
    bool operator==(const ButtonCondAction&) const = default;
};

// DefineButton (version 1: its single action list runs on release) and
// DefineButton2 (version 2: colour transforms per record, condition actions,
// track-as-menu).
struct DefineButton {
    std::uint8_t version = 2;
    std::uint16_t id = 0;
    bool trackAsMenu = false;
    std::vector<ButtonRecord> records;
    std::vector<ButtonCondAction> actions;  // version 1: one entry, OverDownToOverUp
    bool operator==(const DefineButton&) const = default;
};

struct DefineButtonCxform {
    std::uint16_t buttonId = 0;
    ColorTransform colorTransform;  // no alpha terms
    bool operator==(const DefineButtonCxform&) const = default;
};

// Sounds for four transitions: over-up to idle, idle to over-up, over-up to
// over-down, over-down to over-up. A sound id of 0 plays nothing.
struct DefineButtonSound {
    std::uint16_t buttonId = 0;
    std::uint16_t soundId[4] = {0, 0, 0, 0};
    SoundInfo info[4];
    bool operator==(const DefineButtonSound&) const = default;
};

// --- Edit text ---------------------------------------------------------------
enum class TextAlign : std::uint8_t { Left = 0, Right = 1, Center = 2, Justify = 3 };

struct EditTextLayout {
    TextAlign align = TextAlign::Left;
    std::uint16_t leftMargin = 0, rightMargin = 0, indent = 0;  // twips
    std::int16_t leading = 0;                                   // twips
    bool operator==(const EditTextLayout&) const = default;
};

struct DefineEditText {
    std::uint16_t id = 0;
    Rect bounds;
    bool wordWrap = false, multiline = false, password = false, readOnly = false;
    bool autoSize = false, noSelect = false, border = false, wasStatic = false, html = false, useOutlines = false;
    std::optional<std::uint16_t> fontId;   // with fontHeight
    std::optional<std::string> fontClass;  // with fontHeight
    std::uint16_t fontHeight = 0;          // twips
    std::optional<Rgba> color;
    std::optional<std::uint16_t> maxLength;
    std::optional<EditTextLayout> layout;
    std::string variableName;
    std::optional<std::string> initialText;
    bool operator==(const DefineEditText&) const = default;
};

// Any other tag: its code and body, skipped by the player.
struct UnknownTag {
    std::uint16_t code = 0;
    Bytes data;
    bool operator==(const UnknownTag&) const = default;
};

struct Tag;

// DefineSprite: a character with its own timeline.
struct DefineSprite {
    std::uint16_t id = 0;
    std::uint16_t frameCount = 0;  // as declared; playback counts ShowFrame tags
    std::vector<Tag> tags;         // control tags, without End
    bool operator==(const DefineSprite& other) const;
};

using TagVariant =
    std::variant<End, ShowFrame, SetBackgroundColor, FrameLabel, DefineShape, PlaceObject, RemoveObject, DefineSprite,
                 DefineFont, DefineFontInfo, DefineText, DoAction, DoInitAction, UnknownTag, DefineBitsJpeg, JpegTables,
                 DefineBitsLossless, DefineMorphShape, DefineButton, DefineButtonCxform, DefineButtonSound,
                 DefineEditText, DefineSound, StartSound, SoundStreamHead, SoundStreamBlock>;

struct Tag : TagVariant {
    using TagVariant::TagVariant;
    Tag() = default;
    const TagVariant& base() const { return *this; }
    TagVariant& base() { return *this; }
    bool operator==(const Tag& other) const { return base() == other.base(); }
};

// The SWF tag code of a tag as it will be written ("DefineShape3" → 32).
std::uint16_t tagCode(const Tag& tag);
// A short readable name for a tag code ("DefineShape3", "Unknown(77)").
std::string tagName(std::uint16_t code);

enum class Compression { None, Zlib };

struct Header {
    std::uint8_t version = 8;
    Rect frame{0, 14100, 0, 9620};      // twips; 705 x 481 px by default
    std::uint16_t frameRate = 12 << 8;  // 8.8 frames per second
    std::uint16_t frameCount = 1;       // as declared; may be wrong in files
    bool operator==(const Header&) const = default;
    double framesPerSecond() const { return frameRate / 256.0; }
};

struct MovieData {
    Header header;
    std::vector<Tag> tags;  // without the final End
    bool operator==(const MovieData&) const = default;
};

}  // namespace swf
