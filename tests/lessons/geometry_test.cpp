#include "lessons/kit/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <tuple>

using namespace lessons;

namespace {

// Counts how many face loops use each undirected edge (by position): a closed
// solid uses every edge exactly twice, once in each direction.
std::map<std::string, int> edgeUse(const Solid& s, bool directed) {
    std::map<std::string, int> use;
    auto key = [](V3 p) {
        char b[64];
        std::snprintf(b, sizeof b, "%ld,%ld,%ld", std::lround(p.x * 1000), std::lround(p.y * 1000),
                      std::lround(p.z * 1000));
        return std::string(b);
    };
    for (const Face& f : s.faces)
        for (const auto& loop : f.loops)
            for (std::size_t i = 0; i < loop.size(); ++i) {
                std::string a = key(s.verts[loop[i]]), b = key(s.verts[loop[(i + 1) % loop.size()]]);
                if (!directed && b < a) std::swap(a, b);
                ++use[a + "|" + b];
            }
    return use;
}

void expectClosed(const Solid& s) {
    for (const auto& [edge, n] : edgeUse(s, false)) EXPECT_EQ(n, 2) << "edge " << edge;
    // Consistent orientation: no directed edge is used twice.
    for (const auto& [edge, n] : edgeUse(s, true))
        EXPECT_EQ(n, 1) << "edge " << edge << " runs the same way in two faces";
}

// Every outline normal points away from the solid's middle (true for convex solids).
void expectOutwardNormals(const Solid& s) {
    V3 lo, hi;
    s.bounds(lo, hi);
    const V3 mid = (lo + hi) * 0.5;
    for (const Face& f : s.faces) EXPECT_GT(dot(s.normal(f), s.centroid(f) - mid), 0) << "face " << f.tag;
}

Solid merged(Solid a, const Solid& b) {
    const int base = int(a.verts.size());
    a.verts.insert(a.verts.end(), b.verts.begin(), b.verts.end());
    for (Face f : b.faces) {
        for (auto& loop : f.loops)
            for (int& i : loop) i += base;
        a.faces.push_back(f);
    }
    return a;
}

const Profile kRect{{0, 0}, {40, 0}, {40, 20}, {0, 20}};

}  // namespace

TEST(Prism, RectangleGivesSixOutwardFacesAndCloses) {
    const Solid s = extrude(kRect, 10);
    ASSERT_EQ(s.faces.size(), 6u);
    expectClosed(s);
    expectOutwardNormals(s);
    V3 lo, hi;
    s.bounds(lo, hi);
    EXPECT_DOUBLE_EQ(lo.z, -10);
    EXPECT_DOUBLE_EQ(hi.z, 0);
}

TEST(Prism, ClockwiseProfileIsTurnedRound) {
    const Profile cw(kRect.rbegin(), kRect.rend());
    const Solid s = extrude(cw, 10);
    expectClosed(s);
    expectOutwardNormals(s);
}

TEST(Prism, LShapeIsClosedWithOneSidePerEdge) {
    const Solid s = extrude({{0, 0}, {60, 0}, {60, 15}, {15, 15}, {15, 50}, {0, 50}}, 30);
    EXPECT_EQ(s.faces.size(), 8u);
    expectClosed(s);
    int sides = 0;
    for (const Face& f : s.faces) sides += f.tag[0] == 's';
    EXPECT_EQ(sides, 6);
}

TEST(Prism, HoleMakesInnerWallsFacingIntoTheHole) {
    const Solid s = extrude(kRect, 10, {{{10, 5}, {20, 5}, {20, 15}, {10, 15}}});
    EXPECT_EQ(s.faces.size(), 10u);
    expectClosed(s);
    for (const Face& f : s.faces) {
        if (f.tag.rfind("h0_", 0) == 0) {
            // The hole's centre lies outside the material, so walls face it.
            EXPECT_GT(dot(s.normal(f), V3{15, 10, s.centroid(f).z} - s.centroid(f)), 0);
        }
    }
}

TEST(Revolve, CylinderHasOneFacetPerSegmentAndTwoDiscs) {
    const Solid s = revolve({{0, 0}, {10, 0}, {10, 30}, {0, 30}}, 24);
    EXPECT_EQ(s.faces.size(), 24u + 2u);
    int discs = 0;
    for (const Face& f : s.faces) discs += f.tag == "disc";
    EXPECT_EQ(discs, 2);
    expectClosed(s);
    expectOutwardNormals(s);
}

TEST(Revolve, ConeSideFacetsAreTriangles) {
    const Solid s = revolve({{0, 0}, {25, 0}, {0, 50}}, 16);
    ASSERT_EQ(s.faces.size(), 17u);
    for (const Face& f : s.faces)
        if (f.tag != "disc") {
            EXPECT_EQ(f.loops[0].size(), 3u);
        }
    expectClosed(s);
    expectOutwardNormals(s);
}

TEST(Revolve, SteppedShaftCountsEveryBand) {
    // Bottom disc, shaft, shoulder, collar, shoulder, shaft, top disc: 5 bands of facets.
    const Solid s = revolve({{0, 0}, {10, 0}, {10, 35}, {18, 35}, {18, 45}, {10, 45}, {10, 80}, {0, 80}}, 12);
    EXPECT_EQ(s.faces.size(), 5u * 12u + 2u);
    expectClosed(s);
}

TEST(Revolve, ProfileDirectionDoesNotMatter) {
    const Solid s = revolve({{0, 30}, {10, 30}, {10, 0}, {0, 0}}, 12);
    expectClosed(s);
    expectOutwardNormals(s);
}

TEST(MachinedShapes, ShellBoxIsClosedAndOpenAtTheTop) {
    const Solid s = shellBox(60, 30, 40, 3);
    EXPECT_EQ(s.faces.size(), 11u);
    expectClosed(s);
    for (const Face& f : s.faces)
        if (f.tag == "floor") {
            EXPECT_DOUBLE_EQ(s.centroid(f).y, 3);
            EXPECT_GT(s.normal(f).y, 0.99);
        }
}

TEST(MachinedShapes, DrilledBoxWithCounterboreIsClosed) {
    const Solid plain = drilledBox(70, 25, 45, {{0, 0, 5}}, 16);
    expectClosed(plain);
    const Solid cb = drilledBox(70, 25, 45, {{0, 0, 5}}, 16, 9, 8);
    expectClosed(cb);
    for (const Face& f : cb.faces) {
        if (f.tag == "top") {
            EXPECT_EQ(f.loops.size(), 2u);
        }
    }
}

TEST(MachinedShapes, ClipConvexCutsAtThePlaneAndCapsIt) {
    const Solid cyl = revolve({{0, 0}, {15, 0}, {15, 60}, {0, 60}}, 32);
    const Solid s = clipConvex(cyl, {1, 0, 0}, 10, "flat");
    V3 lo, hi;
    s.bounds(lo, hi);
    EXPECT_NEAR(hi.x, 10, 1e-9);
    EXPECT_NEAR(lo.x, -15, 1e-9);
    int caps = 0;
    for (const Face& f : s.faces)
        if (f.tag == "flat") {
            ++caps;
            EXPECT_GT(s.normal(f).x, 0.99);
        }
    EXPECT_EQ(caps, 1);
    expectOutwardNormals(s);
}

TEST(Camera, ProjectsKnownPoints) {
    Camera c;
    c.scale = 2;
    c.screen = {100, 100};
    EXPECT_NEAR(c.project({10, 5, 0}).x, 120, 1e-9);
    EXPECT_NEAR(c.project({10, 5, 0}).y, 90, 1e-9);  // up in space is up on screen
    c.yawDeg = 90;                                   // looking at the right side: the back is to the right
    EXPECT_NEAR(c.project({10, 0, 0}).x, 100, 1e-9);
    EXPECT_NEAR(c.project({0, 0, -10}).x, 120, 1e-9);
    EXPECT_GT(c.toView({10, 0, 0}).z, 9.99);  // the right side faces the viewer
    c.yawDeg = 0;
    c.pitchDeg = 90;  // from above: the front edge is at the bottom of the screen
    EXPECT_NEAR(c.project({0, 0, 10}).y, 120, 1e-9);
    EXPECT_GT(c.toView({0, 10, 0}).z, 9.99);
}

TEST(Camera, CentreAndScaleMoveTheProjection) {
    Camera c;
    c.scale = 3;
    c.centre = {5, 5, 5};
    c.screen = {50, 60};
    const Pt p = c.project({5, 5, 5});
    EXPECT_DOUBLE_EQ(p.x, 50);
    EXPECT_DOUBLE_EQ(p.y, 60);
    EXPECT_NEAR(c.project({6, 5, 5}).x, 53, 1e-9);
}

TEST(HiddenFaces, FrontViewOfABoxShowsOnlyTheFront) {
    const Solid s = extrude(kRect, 10);
    Camera c;
    const std::vector<int> vis = visibleFacesInOrder(s, c);
    ASSERT_EQ(vis.size(), 1u);
    EXPECT_EQ(s.faces[std::size_t(vis[0])].tag, "front");
}

TEST(HiddenFaces, IsometricViewShowsThreeFacesOfABox) {
    const Solid s = extrude(kRect, 10);
    Camera c;
    c.yawDeg = 45;
    c.pitchDeg = 30;
    const std::vector<int> vis = visibleFacesInOrder(s, c);
    std::set<std::string> tags;
    for (int i : vis) tags.insert(s.faces[std::size_t(i)].tag);
    // s1 rises from the right edge, s2 from the top edge.
    EXPECT_EQ(tags, (std::set<std::string>{"front", "s1", "s2"}));
}

TEST(HiddenFaces, FarFacesArePaintedBeforeNearOnes) {
    Solid near = extrude(kRect, 10);
    Solid far = extrude(kRect, 10);
    for (V3& v : far.verts) v.z -= 100;
    const Solid both = merged(far, near);  // far first in the list...
    Camera c;
    c.yawDeg = 20;
    c.pitchDeg = 15;
    const std::vector<int> vis = visibleFacesInOrder(both, c);
    const int farFaces = int(far.faces.size());
    // ...and whatever the list order, every far face comes before every near one.
    bool seenNear = false;
    for (int i : vis) {
        if (i >= farFaces)
            seenNear = true;
        else
            EXPECT_FALSE(seenNear) << "a far face is painted over a near one";
    }
    EXPECT_TRUE(seenNear);
    const Solid reversed = merged(near, far);
    const std::vector<int> vis2 = visibleFacesInOrder(reversed, c);
    EXPECT_GE(vis2.front(), int(near.faces.size()));  // the first painted is a far face
}

TEST(Shading, FacesTowardTheLightAreBrighter) {
    const double toward = shade(normalized({-0.45, 0.6, 0.75}));
    const double away = shade(normalized({0.45, -0.6, -0.75}));
    const double side = shade({1, 0, 0});
    EXPECT_GT(toward, side);
    EXPECT_GE(side, away);
    EXPECT_LE(toward, 1.0);
    EXPECT_GT(away, 0.3);  // ambient light keeps faces readable
}

TEST(Rendering, ModesDrawWhatTheyName) {
    const Solid s = extrude(kRect, 10);
    Camera c;
    c.yawDeg = 45;
    c.pitchDeg = 30;
    auto count = [&](DisplayMode m, int& fills, int& segs) {
        RenderOptions o;
        o.mode = m;
        const Drawing d = renderSolid(s, c, o);
        fills = segs = 0;
        for (const Element& e : d.elements) {
            fills += e.filled;
            if (!e.filled)
                for (const Contour& k : e.contours) segs += int(k.segs.size());
        }
    };
    int fills, segs;
    count(DisplayMode::Wireframe, fills, segs);
    EXPECT_EQ(fills, 0);
    EXPECT_EQ(segs, 24);  // 12 edges, one run per face side
    count(DisplayMode::Shaded, fills, segs);
    EXPECT_EQ(fills, 3);
    EXPECT_EQ(segs, 0);
    count(DisplayMode::ShadedEdges, fills, segs);
    EXPECT_EQ(fills, 3);
    EXPECT_EQ(segs, 12);  // the three visible faces' outlines
    count(DisplayMode::HiddenVisible, fills, segs);
    EXPECT_EQ(segs, 24);  // hidden edges too, in grey
}

TEST(Rendering, SmoothFacetsDrawNoEdgeBetweenThem) {
    const Solid cyl = revolve({{0, 0}, {10, 0}, {10, 30}, {0, 30}}, 32);
    Camera c;
    c.pitchDeg = 20;
    RenderOptions o;
    const Drawing d = renderSolid(cyl, c, o);
    int segs = 0;
    for (const Element& e : d.elements)
        if (!e.filled)
            for (const Contour& k : e.contours) segs += int(k.segs.size());
    // Top rim (32) and the two silhouette lines; no line between neighbouring facets.
    EXPECT_LE(segs, 32 + 32 + 4);
    EXPECT_GE(segs, 32 + 2);
}

TEST(Rendering, HighlightedFaceTakesTheSelectionColour) {
    const Solid s = extrude(kRect, 10);
    Camera c;
    RenderOptions o;
    o.mode = DisplayMode::Shaded;
    o.highlightTag = "front";
    const Drawing d = renderSolid(s, c, o);
    ASSERT_EQ(d.elements.size(), 1u);
    EXPECT_GT(d.elements[0].fill.b, d.elements[0].fill.r + 60);
}

TEST(Profiles, ArcsExpandAndBadTokensAreReported) {
    Profile p;
    std::string err;
    ASSERT_TRUE(parseProfile({"0,0", "10,0", "arc:10,10,10,-90,0,4", "0,10"}, p, err)) << err;
    // (10,0) and the arc's start coincide and count once.
    EXPECT_EQ(p.size(), 2u + 4u + 1u);
    EXPECT_NEAR(p[3].x, 10 + 10 * std::cos(-3.14159265 / 4), 1e-6);
    Profile q;
    EXPECT_FALSE(parseProfile({"0,0", "x,1"}, q, err));
    EXPECT_NE(err.find("x,1"), std::string::npos);
    EXPECT_FALSE(parseProfile({"arc:0,0,-1,0,90"}, q, err));
}

TEST(HiddenFaces, HoleWallsArePaintedBeforeTheFaceAroundThem) {
    // A hole off-centre towards the viewer: by centroid depth alone its far wall
    // would come after the top face and be painted over it like a peg.
    const Solid s = drilledBox(70, 20, 45, {{18, 0, 6}}, 24);
    Camera c;
    c.yawDeg = 35;
    c.pitchDeg = 30;
    const std::vector<int> vis = visibleFacesInOrder(s, c);
    std::size_t lastWall = 0, top = vis.size();
    for (std::size_t k = 0; k < vis.size(); ++k) {
        const Face& f = s.faces[std::size_t(vis[k])];
        if (f.tag == "hole") lastWall = k;
        if (f.tag == "top") top = k;
    }
    ASSERT_LT(top, vis.size());
    EXPECT_GT(lastWall, 0u);
    EXPECT_LT(lastWall, top);
}
