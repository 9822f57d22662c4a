#include "swf/player/input_events.h"

#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>

namespace swf {

namespace {

// A JSON value, just what recordings use: objects keep their members by name
// (a repeated name keeps the last), numbers are doubles.
struct Json {
    enum class Type { Null, Bool, Number, String, Array, Object } type = Type::Null;
    bool boolean = false;
    double number = 0;
    std::string string;
    std::vector<Json> items;
    std::map<std::string, Json, std::less<>> members;

    const Json* member(std::string_view name) const {
        auto it = members.find(name);
        return it == members.end() ? nullptr : &it->second;
    }
};

// Recursive descent over the text, nesting bounded by `maxDepth` and the
// number of values by `maxValues`: a hostile text fails, it never exhausts the stack.
class JsonReader {
public:
    JsonReader(std::string_view text, int maxDepth, std::size_t maxValues)
        : s_(text), maxDepth_(maxDepth), maxValues_(maxValues) {}

    bool read(Json& out, std::string& error) {
        if (!value(out, 0) || (skip(), pos_ != s_.size())) {
            if (error_.empty()) error_ = "texte en trop après la liste";
            error = error_ + " (octet " + std::to_string(pos_) + ")";
            return false;
        }
        return true;
    }

private:
    void skip() {
        while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\n' || s_[pos_] == '\r' || s_[pos_] == '\t'))
            ++pos_;
    }
    bool fail(const char* why) {
        if (error_.empty()) error_ = why;
        return false;
    }
    bool literal(std::string_view word) {
        if (s_.substr(pos_, word.size()) != word) return fail("valeur inconnue");
        pos_ += word.size();
        return true;
    }
    bool value(Json& out, int depth) {
        if (depth > maxDepth_) return fail("imbrication trop profonde");
        if (++values_ > maxValues_) return fail("trop de valeurs");
        skip();
        if (pos_ >= s_.size()) return fail("fin du texte inattendue");
        char c = s_[pos_];
        if (c == '{') return object(out, depth);
        if (c == '[') return array(out, depth);
        if (c == '"') {
            out.type = Json::Type::String;
            return string(out.string);
        }
        if (c == 't' || c == 'f') {
            out.type = Json::Type::Bool;
            out.boolean = c == 't';
            return literal(c == 't' ? "true" : "false");
        }
        if (c == 'n') return literal("null");
        return number(out);
    }
    bool number(Json& out) {
        std::size_t begin = pos_;
        while (pos_ < s_.size() && std::string_view("+-0123456789.eE").find(s_[pos_]) != std::string_view::npos) ++pos_;
        if (begin == pos_ || pos_ - begin > 64) return fail("nombre illisible");
        std::string digits(s_.substr(begin, pos_ - begin));
        char* end = nullptr;
        out.number = std::strtod(digits.c_str(), &end);
        if (!end || *end || !std::isfinite(out.number)) return fail("nombre illisible");
        out.type = Json::Type::Number;
        return true;
    }
    static void appendUtf8(std::string& out, std::uint32_t c) {
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    bool hex4(std::uint32_t& v) {
        if (s_.size() - pos_ < 4) return fail("échappement \\u incomplet");
        v = 0;
        for (int i = 0; i < 4; ++i) {
            char h = s_[pos_++];
            int d = h >= '0' && h <= '9'   ? h - '0'
                    : h >= 'a' && h <= 'f' ? h - 'a' + 10
                    : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                           : -1;
            if (d < 0) return fail("échappement \\u illisible");
            v = v * 16 + std::uint32_t(d);
        }
        return true;
    }
    bool string(std::string& out) {
        ++pos_;  // the opening quote
        while (pos_ < s_.size()) {
            char c = s_[pos_++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return fail("caractère de contrôle dans une chaîne");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= s_.size()) break;
            char e = s_[pos_++];
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                std::uint32_t c1 = 0;
                if (!hex4(c1)) return false;
                // A surrogate pair gives one character; a lone half stands for U+FFFD.
                if (c1 >= 0xD800 && c1 < 0xDC00 && s_.substr(pos_, 2) == "\\u") {
                    pos_ += 2;
                    std::uint32_t c2 = 0;
                    if (!hex4(c2)) return false;
                    c1 = c2 >= 0xDC00 && c2 < 0xE000 ? 0x10000 + ((c1 - 0xD800) << 10) + (c2 - 0xDC00) : 0xFFFD;
                } else if (c1 >= 0xD800 && c1 < 0xE000) {
                    c1 = 0xFFFD;
                }
                appendUtf8(out, c1);
                break;
            }
            default: return fail("échappement inconnu");
            }
        }
        return fail("chaîne non terminée");
    }
    bool array(Json& out, int depth) {
        out.type = Json::Type::Array;
        ++pos_;
        skip();
        if (pos_ < s_.size() && s_[pos_] == ']') return ++pos_, true;
        for (;;) {
            out.items.emplace_back();
            if (!value(out.items.back(), depth + 1)) return false;
            skip();
            if (pos_ >= s_.size()) return fail("liste non terminée");
            char c = s_[pos_++];
            if (c == ']') return true;
            if (c != ',') return fail("virgule attendue dans une liste");
        }
    }
    bool object(Json& out, int depth) {
        out.type = Json::Type::Object;
        ++pos_;
        skip();
        if (pos_ < s_.size() && s_[pos_] == '}') return ++pos_, true;
        for (;;) {
            skip();
            if (pos_ >= s_.size() || s_[pos_] != '"') return fail("nom de membre attendu");
            std::string name;
            if (!string(name)) return false;
            skip();
            if (pos_ >= s_.size() || s_[pos_++] != ':') return fail("deux-points attendus");
            Json v;
            if (!value(v, depth + 1)) return false;
            out.members[name] = std::move(v);
            skip();
            if (pos_ >= s_.size()) return fail("objet non terminé");
            char c = s_[pos_++];
            if (c == '}') return true;
            if (c != ',') return fail("virgule attendue dans un objet");
        }
    }

    std::string_view s_;
    std::size_t pos_ = 0;
    int maxDepth_;
    std::size_t maxValues_;
    std::size_t values_ = 0;
    std::string error_;
};

// The first character of a UTF-8 text, or nullopt when it is empty or not UTF-8.
std::optional<std::uint32_t> firstCodepoint(std::string_view s) {
    if (s.empty()) return std::nullopt;
    auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char c = b(0);
    int n = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    if (n < 0 || s.size() < std::size_t(n) + 1) return std::nullopt;
    std::uint32_t v = n == 0 ? c : n == 1 ? (c & 0x1F) : n == 2 ? (c & 0x0F) : (c & 0x07);
    for (int i = 1; i <= n; ++i) {
        if ((b(i) & 0xC0) != 0x80) return std::nullopt;
        v = (v << 6) | (b(i) & 0x3F);
    }
    return v;
}

bool readKey(const Json* key, InputEvent& e) {
    if (!key) return false;
    if (key->type == Json::Type::String) {
        auto k = namedKey(key->string);
        if (!k) return false;
        e.keyCode = k->code;
        e.ascii = k->ascii;
        return true;
    }
    const Json* ch = key->type == Json::Type::Object ? key->member("Char") : nullptr;
    if (!ch || ch->type != Json::Type::String) return false;
    auto c = firstCodepoint(ch->string);
    if (!c) return false;
    KeyIdentity k = charKey(*c);
    e.keyCode = k.code;
    e.ascii = k.ascii;
    return true;
}

bool readPos(const Json* pos, InputEvent& e) {
    if (!pos || pos->type != Json::Type::Array || pos->items.size() != 2) return false;
    for (const Json& v : pos->items)
        if (v.type != Json::Type::Number || std::fabs(v.number) > 1e7) return false;
    e.x = pos->items[0].number;
    e.y = pos->items[1].number;
    return true;
}

}  // namespace

std::optional<KeyIdentity> namedKey(std::string_view name) {
    static const std::map<std::string_view, KeyIdentity> keys = {
        {"Backspace", {8, 8}}, {"Tab", {9, 9}},          {"Enter", {13, 13}}, {"Shift", {16, 0}},
        {"Control", {17, 0}},  {"Alt", {18, 0}},         {"Pause", {19, 0}},  {"CapsLock", {20, 0}},
        {"Escape", {27, 27}},  {"Space", {32, 32}},      {"PageUp", {33, 0}}, {"PageDown", {34, 0}},
        {"End", {35, 0}},      {"Home", {36, 0}},        {"Left", {37, 0}},   {"Up", {38, 0}},
        {"Right", {39, 0}},    {"Down", {40, 0}},        {"Insert", {45, 0}}, {"Delete", {46, 127}},
        {"F1", {112, 0}},      {"F2", {113, 0}},         {"F3", {114, 0}},    {"F4", {115, 0}},
        {"F5", {116, 0}},      {"F6", {117, 0}},         {"F7", {118, 0}},    {"F8", {119, 0}},
        {"F9", {120, 0}},      {"F10", {121, 0}},        {"F11", {122, 0}},   {"F12", {123, 0}},
        {"NumLock", {144, 0}}, {"ScrollLock", {145, 0}},
    };
    auto it = keys.find(name);
    if (it == keys.end()) return std::nullopt;
    return it->second;
}

KeyIdentity charKey(std::uint32_t c) {
    if (c >= 'a' && c <= 'z') return {int(c - 'a' + 'A'), c};
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ') return {int(c), c};
    // The US keyboard's punctuation keys.
    static const std::map<std::uint32_t, int> punctuation = {
        {';', 186},  {':', 186}, {'=', 187}, {'+', 187}, {',', 188},  {'<', 188}, {'-', 189}, {'_', 189},
        {'.', 190},  {'>', 190}, {'/', 191}, {'?', 191}, {'`', 192},  {'~', 192}, {'[', 219}, {'{', 219},
        {'\\', 220}, {'|', 220}, {']', 221}, {'}', 221}, {'\'', 222}, {'"', 222},
    };
    auto it = punctuation.find(c);
    return {it == punctuation.end() ? 0 : it->second, c};
}

std::optional<std::vector<InputEvent>> parseInputEvents(std::string_view json, std::string& error,
                                                        const InputLimits& limits) {
    if (json.size() > limits.maxBytes) {
        error = "fichier d'événements trop grand";
        return std::nullopt;
    }
    Json root;
    // Each event takes a handful of values; more than that is refused before it is built.
    JsonReader reader(json, limits.maxDepth, limits.maxEvents * 8 + 16);
    std::string why;
    if (!reader.read(root, why)) {
        error = "événements illisibles : " + why;
        return std::nullopt;
    }
    if (root.type != Json::Type::Array) {
        error = "les événements doivent former une liste";
        return std::nullopt;
    }
    if (root.items.size() > limits.maxEvents) {
        error = "trop d'événements";
        return std::nullopt;
    }
    static const std::map<std::string_view, InputEvent::Kind> kinds = {
        {"Wait", InputEvent::Kind::Wait},
        {"MouseMove", InputEvent::Kind::MouseMove},
        {"MouseDown", InputEvent::Kind::MouseDown},
        {"MouseUp", InputEvent::Kind::MouseUp},
        {"MouseWheel", InputEvent::Kind::MouseWheel},
        {"KeyDown", InputEvent::Kind::KeyDown},
        {"KeyUp", InputEvent::Kind::KeyUp},
        {"TextInput", InputEvent::Kind::TextInput},
        {"TextControl", InputEvent::Kind::TextControl},
        {"SetClipboardText", InputEvent::Kind::SetClipboardText},
        {"ImePreedit", InputEvent::Kind::ImePreedit},
    };
    std::vector<InputEvent> out;
    out.reserve(root.items.size());
    for (std::size_t i = 0; i < root.items.size(); ++i) {
        const Json& item = root.items[i];
        auto bad = [&](const std::string& why) {
            error = "événement " + std::to_string(i + 1) + " : " + why;
            return std::nullopt;
        };
        const Json* type = item.type == Json::Type::Object ? item.member("type") : nullptr;
        if (!type || type->type != Json::Type::String) return bad("sans type");
        auto kind = kinds.find(type->string);
        if (kind == kinds.end()) return bad("type inconnu « " + type->string + " »");
        InputEvent e;
        e.kind = kind->second;
        switch (e.kind) {
        case InputEvent::Kind::MouseMove:
        case InputEvent::Kind::MouseDown:
        case InputEvent::Kind::MouseUp:
            if (!readPos(item.member("pos"), e)) return bad("position absente ou illisible");
            if (e.kind != InputEvent::Kind::MouseMove) {
                const Json* btn = item.member("btn");
                const std::string name = btn && btn->type == Json::Type::String ? btn->string : "Left";
                if (name == "Left")
                    e.button = InputEvent::Button::Left;
                else if (name == "Middle")
                    e.button = InputEvent::Button::Middle;
                else if (name == "Right")
                    e.button = InputEvent::Button::Right;
                else
                    return bad("bouton inconnu");
            }
            break;
        case InputEvent::Kind::MouseWheel: {
            const Json* lines = item.member("lines");
            if (!lines || lines->type != Json::Type::Number || std::fabs(lines->number) > 1e6)
                return bad("nombre de lignes illisible");
            e.lines = lines->number;
            break;
        }
        case InputEvent::Kind::KeyDown:
        case InputEvent::Kind::KeyUp:
            if (!readKey(item.member("key"), e)) return bad("touche inconnue");
            break;
        case InputEvent::Kind::TextInput: {
            const Json* cp = item.member("codepoint");
            if (!cp) return bad("caractère absent");
            if (cp->type == Json::Type::String) {
                auto c = firstCodepoint(cp->string);
                if (!c) return bad("caractère illisible");
                e.codepoint = *c;
            } else if (cp->type == Json::Type::Number && cp->number >= 0 && cp->number <= 0x10FFFF) {
                e.codepoint = std::uint32_t(cp->number);
            } else {
                return bad("caractère illisible");
            }
            break;
        }
        case InputEvent::Kind::TextControl: {
            const Json* code = item.member("code");
            if (!code || code->type != Json::Type::String) return bad("commande absente");
            e.text = code->string;
            break;
        }
        case InputEvent::Kind::SetClipboardText:
        case InputEvent::Kind::ImePreedit: {
            const Json* text = item.member("text");
            if (text && text->type == Json::Type::String) e.text = text->string;
            break;
        }
        case InputEvent::Kind::Wait: break;
        }
        out.push_back(std::move(e));
    }
    return out;
}

}  // namespace swf
