#include "lessons/kit/targets.h"

#include <algorithm>

namespace lessons {

Pt pointerTarget(const Command& c, std::size_t& i, const StageState& st, const LessonModel& m, const Camera& cam) {
    auto arg = [&]() -> const std::string& {
        if (i >= c.args.size()) throw SourceError(c.line, "cible incomplète pour « " + c.verb + " »");
        return c.args[i++];
    };
    const std::string kind = arg();
    ui::Rect r;
    auto fail = [&](const std::string& what) -> Pt { throw SourceError(c.line, what); };
    if (kind == "tree") {
        const std::string n = arg();
        if (!ui::treeItemRect(st.tree, n, r)) return fail("pas d'élément « " + n + " » dans l'arbre");
        return {r.x + 22 + std::min(r.w - 24, 30.0), r.y + 9};
    }
    if (kind == "menu") {
        const std::string n = arg();
        if (!ui::menuTitleRect(n, r)) return fail("menu inconnu : " + n);
        return {r.x + r.w / 2, r.y + 10};
    }
    if (kind == "item") {
        const std::string n = arg();
        if (!st.menu || !ui::menuItemRect(*st.menu, n, r)) return fail("aucun menu ouvert ne contient « " + n + " »");
        return {r.x + 34, r.y + 10};
    }
    if (kind == "tool") {
        const std::string n = arg();
        if (!ui::toolRect(n, r)) return fail("outil inconnu : " + n);
        return {r.x + 11, r.y + 12};
    }
    if (kind == "toolbar") {
        const std::string n = arg();
        if (!ui::toolbarRect(n, r)) return fail("barre d'outils inconnue : " + n);
        return {r.x + 4, r.y + 11};
    }
    if (kind == "field") {
        const std::string n = arg();
        if (!st.dialog || !ui::dialogFieldRect(*st.dialog, n, r))
            return fail("aucune boîte ouverte n'a le champ « " + n + " »");
        return {r.x + std::min(r.w - 8, 60.0), r.y + r.h / 2 + 1};
    }
    if (kind == "button" || kind == "ok" || kind == "cancel") {
        const std::string n = kind == "ok" ? "OK" : kind == "cancel" ? "Annuler" : arg();
        if (!st.dialog || !ui::dialogButtonRect(*st.dialog, n, r))
            return fail("aucune boîte ouverte n'a le bouton « " + n + " »");
        return {r.x + r.w / 2, r.y + r.h / 2 + 1};
    }
    if (kind == "area") {
        const std::string n = arg();
        if (!ui::areaByName(n, r)) return fail("zone inconnue : " + n);
        return r.centre();
    }
    if (kind == "at") return {num(arg(), c.line), num(arg(), c.line)};
    if (kind == "play" || kind == "wizard") {
        if (!st.timeline) return fail("la ligne du temps n'est pas affichée");
        return kind == "play" ? ui::timelinePlayButton().centre() : ui::timelineWizardButton().centre();
    }
    if (kind == "icon") return ui::desktopIconRect().centre();
    if (kind == "key") {
        const double t = num(arg(), c.line);
        return {ui::timelineX(t, st.tlLength), ui::timelineKeyY()};
    }
    if (kind == "face") {
        const std::string tag = arg();
        if (st.part.empty()) return fail("aucune pièce affichée");
        const Solid s = m.solidOf(st);
        Pt sum{0, 0};
        int n = 0;
        for (int fi : visibleFacesInOrder(s, cam))
            if (s.faces[std::size_t(fi)].tag == tag) {
                const Pt p = cam.project(s.centroid(s.faces[std::size_t(fi)]));
                sum = {sum.x + p.x, sum.y + p.y};
                ++n;
            }
        if (n == 0) return fail("face « " + tag + " » invisible ou inconnue");
        return {sum.x / n, sum.y / n};
    }
    if (kind == "edge") {
        if (!st.edgeOn) return fail("aucune arête mise en évidence");
        const Pt a = cam.project(st.edgeA), b = cam.project(st.edgeB);
        return {(a.x + b.x) / 2, (a.y + b.y) / 2};
    }
    if (kind == "vertex" || kind == "segment") {
        const std::string n = arg();
        const int k = int(num(arg(), c.line));
        auto it = m.sketches.find(n);
        if (it == m.sketches.end() || k < 0 || k >= int(it->second.pts.size()))
            return fail(kind == "vertex" ? "sommet inconnu" : "segment inconnu");
        const SketchInfo& sk = it->second;
        const Pt a = sk.pts[std::size_t(k)];
        if (kind == "vertex") return cam.project(sk.point(a));
        const Pt b = sk.pts[std::size_t(k + 1) % sk.pts.size()];
        return cam.project(sk.point({(a.x + b.x) / 2, (a.y + b.y) / 2}));
    }
    if (kind == "centre") {
        const std::string n = arg();
        auto it = m.sketches.find(n);
        if (it == m.sketches.end()) return fail("esquisse inconnue : " + n);
        return cam.project(it->second.point(it->second.centre));
    }
    if (kind == "point") {
        const V3 p{num(arg(), c.line), num(arg(), c.line), num(arg(), c.line)};
        return cam.project(p);
    }
    return fail("cible inconnue : " + kind);
}

}  // namespace lessons
