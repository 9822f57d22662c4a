#include "lessons/kit/timeline.h"

namespace lessons {

int Timeline::shape(const Drawing& d) {
    if (d.empty()) return -1;
    std::string key = "S" + drawingKey(d);
    auto it = index_.find(key);
    if (it != index_.end()) return it->second;
    Symbol s;
    s.drawing = d;
    symbols.push_back(std::move(s));
    const int id = int(symbols.size()) - 1;
    index_.emplace(std::move(key), id);
    return id;
}

int Timeline::text(const TextBlock& t) {
    if (t.empty()) return -1;
    std::string key = "T" + textKey(t);
    auto it = index_.find(key);
    if (it != index_.end()) return it->second;
    Symbol s;
    s.isText = true;
    s.text = t;
    symbols.push_back(std::move(s));
    const int id = int(symbols.size()) - 1;
    index_.emplace(std::move(key), id);
    return id;
}

int Timeline::add(Symbol s) {
    symbols.push_back(std::move(s));
    return int(symbols.size()) - 1;
}

}  // namespace lessons
