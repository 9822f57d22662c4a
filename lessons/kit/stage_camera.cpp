#include "lessons/kit/stage_camera.h"

#include "lessons/kit/declarations.h"
#include "lessons/kit/ui.h"

#include <algorithm>
#include <map>
#include <utility>

namespace lessons {

Camera StageCamera::at(double yaw, double pitch) const {
    Camera c = base;
    c.yawDeg = yaw;
    c.pitchDeg = pitch;
    return c;
}

StageCamera frameLesson(const Script& s) {
    V3 lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
    for (const Declaration& d : s.solids) {
        V3 a, b;
        buildSolid(d).bounds(a, b);
        lo = {std::min(lo.x, a.x), std::min(lo.y, a.y), std::min(lo.z, a.z)};
        hi = {std::max(hi.x, b.x), std::max(hi.y, b.y), std::max(hi.z, b.z)};
    }
    if (s.solids.empty()) lo = {-30, -30, -30}, hi = {30, 30, 30};
    StageCamera sc;
    sc.base.centre = (lo + hi) * 0.5;
    sc.lo = lo;
    sc.hi = hi;
    const double radius = std::max(length(hi - lo) / 2, 1.0);
    const ui::Rect g = ui::graphicsArea();
    sc.base.scale = std::min(g.w, g.h) * 0.4 / radius;
    sc.base.screen = {g.x + g.w / 2, g.y + g.h / 2 - 6};
    const CameraLine line = cameraLine(s.camera);
    if (line.scale) sc.base.scale *= *line.scale;
    if (line.yaw) sc.startYaw = *line.yaw;
    if (line.pitch) sc.startPitch = *line.pitch;
    if (line.dy) sc.base.screen.y += *line.dy;
    return sc;
}

bool standardView(const std::string& name, double& yaw, double& pitch) {
    static const std::map<std::string, std::pair<double, double>> views{
        {"front", {0, 0}},  {"top", {0, 90}},     {"right", {90, 0}}, {"left", {-90, 0}},
        {"back", {180, 0}}, {"bottom", {0, -90}}, {"iso", {45, 30}},  {"dimetric", {28, 20}}};
    auto it = views.find(name);
    if (it == views.end()) return false;
    yaw = it->second.first;
    pitch = it->second.second;
    return true;
}

double nearestYaw(double yaw, double from) {
    while (yaw - from > 180) yaw -= 360;
    while (yaw - from < -180) yaw += 360;
    return yaw;
}

}  // namespace lessons
