#include "swf/player/edit_text.h"

#include <cctype>

namespace swf {

std::string stripHtml(std::string_view s) {
    std::string out;
    std::size_t i = 0;
    auto lowerEq = [](std::string_view a, std::string_view b) {
        if (a.size() != b.size()) return false;
        for (std::size_t k = 0; k < a.size(); ++k)
            if (std::tolower(static_cast<unsigned char>(a[k])) != b[k]) return false;
        return true;
    };
    while (i < s.size()) {
        char c = s[i];
        if (c == '<') {
            std::size_t close = s.find('>', i);
            if (close == std::string_view::npos) break;  // an unfinished tag ends the text
            std::string_view tag = s.substr(i + 1, close - i - 1);
            std::size_t nameEnd = tag.empty() ? 0 : tag.find_first_of(" \t\r\n/", tag[0] == '/' ? 1 : 0);
            std::string_view name = tag.substr(0, nameEnd);
            if (lowerEq(name, "br") || lowerEq(name, "/p") || lowerEq(name, "/li")) out += '\n';
            i = close + 1;
        } else if (c == '&') {
            static const std::pair<const char*, const char*> entities[] = {{"&lt;", "<"},   {"&gt;", ">"},
                                                                           {"&amp;", "&"},  {"&quot;", "\""},
                                                                           {"&apos;", "'"}, {"&nbsp;", "\xC2\xA0"}};
            bool matched = false;
            for (auto [e, r] : entities) {
                std::string_view ev(e);
                if (s.substr(i, ev.size()) == ev) {
                    out += r;
                    i += ev.size();
                    matched = true;
                    break;
                }
            }
            if (!matched) {
                out += c;
                ++i;
            }
        } else {
            out += c;
            ++i;
        }
    }
    while (!out.empty() && out.back() == '\n') out.pop_back();  // a closing paragraph adds no empty line
    return out;
}

std::string displayText(const DefineEditText& t) {
    std::string text = t.initialText.value_or(std::string());
    if (t.html) text = stripHtml(text);
    if (t.maxLength && *t.maxLength > 0) {
        // Counted in characters: UTF-8 continuation bytes do not count.
        std::size_t chars = 0, k = 0;
        for (; k < text.size(); ++k) {
            if ((static_cast<unsigned char>(text[k]) & 0xC0) != 0x80) {
                if (chars == *t.maxLength) break;
                ++chars;
            }
        }
        text.resize(k);
    }
    if (t.password) {
        std::size_t chars = 0;
        for (unsigned char c : text)
            if ((c & 0xC0) != 0x80) ++chars;
        text.assign(chars, '*');
    }
    return text;
}

}  // namespace swf
