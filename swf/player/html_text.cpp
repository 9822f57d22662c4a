#include "swf/player/html_text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "swf/script/utf8.h"

namespace swf {

namespace {

using script::TextFormatData;

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// "&lt;" → "<" ...; numeric references too. Returns the bytes read, 0 when
// the text at `s` is no entity (the '&' is then kept as it is).
std::size_t decodeEntity(std::string_view s, std::string& out) {
    std::size_t semi = s.find(';');
    if (semi == std::string_view::npos || semi > 10) return 0;
    std::string name = lower(s.substr(1, semi - 1));
    static const std::pair<const char*, const char*> named[] = {{"lt", "<"},    {"gt", ">"},   {"amp", "&"},
                                                                {"quot", "\""}, {"apos", "'"}, {"nbsp", "\xC2\xA0"}};
    for (auto [n, r] : named)
        if (name == n) {
            out += r;
            return semi + 1;
        }
    if (name.size() > 1 && name[0] == '#') {
        unsigned long cp = 0;
        bool hex = name[1] == 'x';
        for (std::size_t i = hex ? 2 : 1; i < name.size(); ++i) {
            char c = name[i];
            int d = c >= '0' && c <= '9' ? c - '0' : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            if (d < 0) return 0;
            cp = std::min(cp * (hex ? 16 : 10) + unsigned(d), 0x10FFFFul);
        }
        script::appendUtf8(out, char32_t(cp));
        return semi + 1;
    }
    return 0;
}

struct HtmlTag {
    std::string name;                                             // lower case, "/p" for a closing tag
    std::vector<std::pair<std::string, std::string>> attributes;  // names in lower case
    const std::string* attribute(std::string_view n) const {
        for (const auto& [k, v] : attributes)
            if (k == n) return &v;
        return nullptr;
    }
};

HtmlTag parseTag(std::string_view body) {
    HtmlTag t;
    std::size_t i = 0;
    auto space = [&] {
        while (i < body.size() && std::isspace(static_cast<unsigned char>(body[i]))) ++i;
    };
    space();
    std::size_t start = i;
    while (i < body.size() && !std::isspace(static_cast<unsigned char>(body[i])) && body[i] != '/') ++i;
    if (i == start && i < body.size() && body[i] == '/') {
        ++i;
        while (i < body.size() && !std::isspace(static_cast<unsigned char>(body[i]))) ++i;
    }
    t.name = lower(body.substr(start, i - start));
    while (i < body.size()) {
        space();
        std::size_t k = i;
        while (i < body.size() && body[i] != '=' && !std::isspace(static_cast<unsigned char>(body[i])) &&
               body[i] != '/')
            ++i;
        std::string key = lower(body.substr(k, i - k));
        space();
        if (i >= body.size() || body[i] != '=') {
            if (key.empty()) ++i;
            continue;
        }
        ++i;
        space();
        std::string value;
        if (i < body.size() && (body[i] == '"' || body[i] == '\'')) {
            char q = body[i++];
            std::size_t end = body.find(q, i);
            if (end == std::string_view::npos) end = body.size();
            value = body.substr(i, end - i);
            i = end + 1;
        } else {
            std::size_t v = i;
            while (i < body.size() && !std::isspace(static_cast<unsigned char>(body[i]))) ++i;
            value = body.substr(v, i - v);
        }
        std::string decoded;
        for (std::size_t p = 0; p < value.size();) {
            std::size_t n = value[p] == '&' ? decodeEntity(std::string_view(value).substr(p), decoded) : 0;
            if (n) {
                p += n;
            } else {
                decoded += value[p++];
            }
        }
        if (!key.empty() && t.attributes.size() < 32) t.attributes.emplace_back(std::move(key), std::move(decoded));
    }
    return t;
}

double numberOf(const std::string& s, double otherwise) {
    char* end = nullptr;
    double d = std::strtod(s.c_str(), &end);
    return end == s.c_str() || !std::isfinite(d) ? otherwise : d;
}

void applyFont(const HtmlTag& t, TextFormatData& f) {
    if (auto* v = t.attribute("face")) f.font = *v;
    if (auto* v = t.attribute("size")) {
        double base = f.size.value_or(12);
        if (!v->empty() && (v->front() == '+' || v->front() == '-'))
            f.size = std::max(0.0, base + std::trunc(numberOf(*v, 0)));
        else if (double n = numberOf(*v, -1); n >= 0)
            f.size = std::trunc(n);
    }
    if (auto* v = t.attribute("color"); v && v->size() >= 2 && v->front() == '#') {
        unsigned long c = std::strtoul(v->c_str() + 1, nullptr, 16);
        f.color = static_cast<std::uint32_t>(c & 0xFFFFFFu);
    }
    if (auto* v = t.attribute("letterspacing")) f.letterSpacing = numberOf(*v, 0);
    if (auto* v = t.attribute("kerning")) f.kerning = numberOf(*v, 0) != 0;
}

void applyTextFormat(const HtmlTag& t, TextFormatData& f) {
    auto whole = [&](const char* name, std::optional<double>& slot) {
        if (auto* v = t.attribute(name)) slot = std::trunc(numberOf(*v, 0));
    };
    whole("leftmargin", f.leftMargin);
    whole("rightmargin", f.rightMargin);
    whole("indent", f.indent);
    whole("leading", f.leading);
    whole("blockindent", f.blockIndent);
    if (auto* v = t.attribute("tabstops")) {
        std::vector<double> stops;
        std::size_t p = 0;
        while (p <= v->size() && stops.size() < 256) {
            std::size_t comma = v->find(',', p);
            if (comma == std::string::npos) comma = v->size();
            stops.push_back(std::trunc(numberOf(v->substr(p, comma - p), 0)));
            p = comma + 1;
        }
        f.tabStops = std::move(stops);
    }
}

constexpr std::size_t kMaxNesting = 256;

}  // namespace

std::vector<StyledRun> parseHtml(std::string_view html, const TextFormatData& base) {
    std::vector<StyledRun> runs;
    std::vector<std::pair<std::string, TextFormatData>> stack;  // open tags and the format before each
    TextFormatData current = base;
    auto add = [&](std::string_view s) {
        if (s.empty()) return;
        if (!runs.empty() && runs.back().format == current)
            runs.back().text += s;
        else
            runs.push_back({std::string(s), current});
    };
    auto open = [&](const std::string& name) {
        if (stack.size() < kMaxNesting) stack.emplace_back(name, current);
    };
    auto close = [&](std::string_view name) {
        for (std::size_t k = stack.size(); k-- > 0;)
            if (stack[k].first == name) {
                current = stack[k].second;
                stack.resize(k);
                return true;
            }
        return false;
    };
    bool paragraphOpen = false;
    std::size_t i = 0;
    std::string pending;
    while (i < html.size()) {
        char c = html[i];
        if (c == '<') {
            std::size_t end = html.find('>', i);
            if (end == std::string_view::npos) break;  // an unfinished tag ends the text
            add(pending);
            pending.clear();
            HtmlTag t = parseTag(html.substr(i + 1, end - i - 1));
            i = end + 1;
            const std::string& n = t.name;
            if (n == "br" || n == "br/") {
                add("\r");
            } else if (n == "p") {
                if (paragraphOpen) add("\r");
                open("p");
                paragraphOpen = true;
                if (auto* a = t.attribute("align")) {
                    std::string al = lower(*a);
                    if (al == "left" || al == "right" || al == "center" || al == "justify") current.align = al;
                }
            } else if (n == "/p") {
                if (close("p")) add("\r");
                paragraphOpen = false;
            } else if (n == "li") {
                open("li");
                current.bullet = true;
            } else if (n == "/li") {
                add("\r");
                close("li");
            } else if (n == "font") {
                open("font");
                applyFont(t, current);
            } else if (n == "b" || n == "i" || n == "u") {
                open(n);
                (n == "b" ? current.bold : n == "i" ? current.italic : current.underline) = true;
            } else if (n == "a") {
                open("a");
                if (auto* v = t.attribute("href")) current.url = *v;
                if (auto* v = t.attribute("target")) current.target = *v;
            } else if (n == "textformat") {
                open("textformat");
                applyTextFormat(t, current);
            } else if (!n.empty() && n[0] == '/') {
                close(std::string_view(n).substr(1));
            }
        } else if (c == '&') {
            std::size_t n = decodeEntity(html.substr(i), pending);
            if (n) {
                i += n;
            } else {
                pending += c;
                ++i;
            }
        } else {
            pending += c;
            ++i;
        }
    }
    add(pending);
    // The last paragraph's end adds no empty line.
    if (!runs.empty() && !runs.back().text.empty() && runs.back().text.back() == '\r') {
        runs.back().text.pop_back();
        if (runs.back().text.empty()) runs.pop_back();
    }
    return runs;
}

namespace {

std::string escapeHtml(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '&')
            out += "&amp;";
        else
            out += c;
    }
    return out;
}

std::string numberText(double n) {
    char buf[32];
    if (n == std::trunc(n) && std::fabs(n) < 1e15)
        std::snprintf(buf, sizeof buf, "%.0f", n);
    else
        std::snprintf(buf, sizeof buf, "%g", n);
    return buf;
}

bool sameFont(const TextFormatData& a, const TextFormatData& b) {
    return a.font == b.font && a.size == b.size && a.color == b.color && a.letterSpacing == b.letterSpacing &&
           a.kerning == b.kerning;
}

std::string fontOpen(const TextFormatData& f) {
    char color[16];
    std::snprintf(color, sizeof color, "#%06X", unsigned(f.color.value_or(0) & 0xFFFFFFu));
    return "<FONT FACE=\"" + escapeHtml(f.font.value_or("")) + "\" SIZE=\"" + numberText(f.size.value_or(12)) +
           "\" COLOR=\"" + color + "\" LETTERSPACING=\"" + numberText(f.letterSpacing.value_or(0)) + "\" KERNING=\"" +
           (f.kerning.value_or(false) ? "1" : "0") + "\">";
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// One paragraph: its runs (without the paragraph end) and its format.
void formatParagraph(std::string& out, const std::vector<StyledRun>& runs, const TextFormatData& para) {
    std::string attrs;
    auto attr = [&](const char* name, const std::optional<double>& v) {
        if (v && *v != 0) attrs += std::string(" ") + name + "=\"" + numberText(*v) + "\"";
    };
    attr("LEFTMARGIN", para.leftMargin);
    attr("RIGHTMARGIN", para.rightMargin);
    attr("INDENT", para.indent);
    attr("LEADING", para.leading);
    attr("BLOCKINDENT", para.blockIndent);
    if (para.tabStops && !para.tabStops->empty()) {
        attrs += " TABSTOPS=\"";
        for (std::size_t k = 0; k < para.tabStops->size(); ++k)
            attrs += (k ? "," : "") + numberText((*para.tabStops)[k]);
        attrs += "\"";
    }
    if (!attrs.empty()) out += "<TEXTFORMAT" + attrs + ">";
    const bool bullet = para.bullet.value_or(false);
    out += bullet ? "<LI>" : "<P ALIGN=\"" + upper(para.align.value_or("left")) + "\">";
    std::size_t k = 0;
    if (runs.empty()) out += fontOpen(para) + "</FONT>";
    while (k < runs.size()) {
        const TextFormatData& font = runs[k].format;
        out += fontOpen(font);
        for (; k < runs.size() && sameFont(runs[k].format, font); ++k) {
            const TextFormatData& f = runs[k].format;
            std::string body = escapeHtml(runs[k].text);
            if (f.underline.value_or(false)) body = "<U>" + body + "</U>";
            if (f.italic.value_or(false)) body = "<I>" + body + "</I>";
            if (f.bold.value_or(false)) body = "<B>" + body + "</B>";
            if (f.url && !f.url->empty())
                body = "<A HREF=\"" + escapeHtml(*f.url) + "\" TARGET=\"" + escapeHtml(f.target.value_or("")) + "\">" +
                       body + "</A>";
            out += body;
        }
        out += "</FONT>";
    }
    out += bullet ? "</LI>" : "</P>";
    if (!attrs.empty()) out += "</TEXTFORMAT>";
}

}  // namespace

std::string formatHtml(const std::vector<StyledRun>& runs, const TextFormatData& empty) {
    std::string out;
    std::vector<StyledRun> para;
    std::optional<TextFormatData> paraFormat;
    auto endParagraph = [&](const TextFormatData& fallback) {
        formatParagraph(out, para, paraFormat.value_or(fallback));
        para.clear();
        paraFormat.reset();
    };
    TextFormatData last = empty;
    for (const StyledRun& run : runs) {
        std::string_view s = run.text;
        last = run.format;
        while (!s.empty()) {
            std::size_t cr = s.find('\r');
            std::string_view piece = s.substr(0, cr);
            if (!piece.empty()) {
                if (!paraFormat) paraFormat = run.format;
                para.push_back({std::string(piece), run.format});
            }
            if (cr == std::string_view::npos) break;
            endParagraph(run.format);
            s = s.substr(cr + 1);
        }
    }
    if (!para.empty() || out.empty() || (!runs.empty() && !runs.back().text.empty() && runs.back().text.back() == '\r'))
        endParagraph(last);
    return out;
}

}  // namespace swf
