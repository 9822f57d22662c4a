// swf-dump MOVIE.swf: prints the header and one line per tag.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "swf/format/reader.h"

namespace {

std::string describe(const swf::Tag& tag) {
    using namespace swf;
    std::string s = tagName(tagCode(tag));
    char buf[160];
    if (auto* p = std::get_if<PlaceObject>(&tag)) {
        std::snprintf(buf, sizeof buf, " depth=%u", p->depth);
        s += buf;
        if (p->characterId) s += " char=" + std::to_string(*p->characterId);
        if (p->move) s += " move";
        if (p->matrix)
            s += " at=(" + std::to_string(p->matrix->translateX) + "," + std::to_string(p->matrix->translateY) + ")";
        if (p->colorTransform) s += " cxform";
        if (p->clipDepth) s += " clip=" + std::to_string(*p->clipDepth);
        if (p->name) s += " name=\"" + *p->name + "\"";
    } else if (auto* r = std::get_if<RemoveObject>(&tag)) {
        s += " depth=" + std::to_string(r->depth);
    } else if (auto* d = std::get_if<DefineShape>(&tag)) {
        std::snprintf(buf, sizeof buf, " id=%u fills=%zu lines=%zu records=%zu", d->id, d->shape.fills.size(),
                      d->shape.lines.size(), d->shape.records.size());
        s += buf;
    } else if (auto* sp = std::get_if<DefineSprite>(&tag)) {
        std::snprintf(buf, sizeof buf, " id=%u frames=%u tags=%zu", sp->id, sp->frameCount, sp->tags.size());
        s += buf;
    } else if (auto* f = std::get_if<DefineFont>(&tag)) {
        std::snprintf(buf, sizeof buf, " id=%u glyphs=%zu name=\"%s\"", f->id, f->glyphs.size(), f->name.c_str());
        s += buf;
    } else if (auto* fi = std::get_if<DefineFontInfo>(&tag)) {
        s += " font=" + std::to_string(fi->fontId) + " name=\"" + fi->name + "\"";
    } else if (auto* t = std::get_if<DefineText>(&tag)) {
        std::snprintf(buf, sizeof buf, " id=%u records=%zu", t->id, t->records.size());
        s += buf;
    } else if (auto* a = std::get_if<DoAction>(&tag)) {
        s += " bytes=" + std::to_string(a->actions.size());
    } else if (auto* l = std::get_if<FrameLabel>(&tag)) {
        s += " \"" + l->name + "\"";
    } else if (auto* b = std::get_if<SetBackgroundColor>(&tag)) {
        std::snprintf(buf, sizeof buf, " #%02x%02x%02x", b->color.r, b->color.g, b->color.b);
        s += buf;
    } else if (auto* u = std::get_if<UnknownTag>(&tag)) {
        s += " bytes=" + std::to_string(u->data.size());
    }
    return s;
}

void dumpTags(const std::vector<swf::Tag>& tags, int indent, int& frame) {
    for (const auto& t : tags) {
        std::printf("%*s%s\n", indent, "", describe(t).c_str());
        if (auto* sp = std::get_if<swf::DefineSprite>(&t)) {
            int sub = 1;
            dumpTags(sp->tags, indent + 2, sub);
        }
        if (std::holds_alternative<swf::ShowFrame>(t)) ++frame;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: swf-dump MOVIE.swf\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "swf-dump: cannot open %s\n", argv[1]);
        return 1;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    swf::ReadResult r = swf::read(bytes);
    if (!r.ok()) {
        std::fprintf(stderr, "swf-dump: %s: %s (%s)\n", argv[1], r.error->detail.c_str(),
                     swf::errorCodeName(r.error->code));
        return 1;
    }
    const auto& h = r.movie->header;
    std::printf("version %u%s\n", h.version, r.compression == swf::Compression::Zlib ? " (zlib)" : "");
    std::printf("frame %d x %d twips (x %d..%d, y %d..%d)\n", h.frame.width(), h.frame.height(), h.frame.xmin,
                h.frame.xmax, h.frame.ymin, h.frame.ymax);
    std::printf("rate %.2f fps\n", h.framesPerSecond());
    std::printf("frames %u\n", h.frameCount);
    int frame = 1;
    dumpTags(r.movie->tags, 0, frame);
    for (const auto& w : r.warnings) std::printf("warning: %s\n", w.c_str());
    if (r.skippedTags) std::printf("skipped %d tags\n", r.skippedTags);
    return 0;
}
