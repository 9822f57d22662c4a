// BitmapData.noise: the reference player's generator is the multiplicative
// congruential one of modulus 2^31 - 1 and multiplier 16807; each channel
// takes the next value, low + value % (high - low + 1). The tests print the
// exact colours a seed gives, so the order is theirs: red, green, blue, then
// alpha; in grey scale one value for the three colours, then alpha.
#include <algorithm>
#include <cstdint>

#include "swf/script/builtins/bitmapdata.h"
#include "swf/script/machine.h"
#include "swf/script/realm.h"

namespace swf::script {

NoiseGenerator::NoiseGenerator(double seed) {
    // Seeds below 1 count from 1 (0 gives 1, -1 gives 2); large ones wrap.
    double s = seed >= 1 ? seed : 1 - seed;
    if (!(s < 4e18)) s = 1;
    auto v = static_cast<std::uint64_t>(s) % kModulus;
    state_ = v == 0 ? 1 : static_cast<std::uint32_t>(v);
}

std::uint32_t NoiseGenerator::next() {
    state_ = static_cast<std::uint32_t>(static_cast<std::uint64_t>(state_) * 16807u % kModulus);
    return state_;
}

namespace {

// noise(randomSeed, low = 0, high = 255, channelOptions = 7, grayScale = false).
Value noise(Machine& m, Value self, std::span<const Value> args) {
    BitmapCell* b = liveBitmapOf(self);
    if (!b || args.empty()) return Value::number(-1);
    NoiseGenerator random(m.toNumber(args[0]));
    int low = args.size() > 1 ? std::clamp(toPixelInt(m, args[1]), 0, 255) : 0;
    int high = args.size() > 2 ? std::clamp(toPixelInt(m, args[2]), 0, 255) : 255;
    int channels = args.size() > 3 ? toPixelInt(m, args[3]) : 7;
    bool gray = args.size() > 4 && m.toBoolean(args[4]);
    std::uint32_t range = static_cast<std::uint32_t>(std::max(high - low + 1, 1));
    auto value = [&] { return static_cast<std::uint32_t>(low) + random.next() % range; };
    bool alpha = (channels & 8) && b->transparent;
    m.chargeSteps(b->pixels.size() / 64 + 1);
    for (int y = 0; y < b->height; ++y) {
        for (int x = 0; x < b->width; ++x) {
            std::uint32_t argb = 0;
            if (gray) {
                std::uint32_t v = value();
                argb = v << 16 | v << 8 | v;
            } else {
                if (channels & 1) argb |= value() << 16;
                if (channels & 2) argb |= value() << 8;
                if (channels & 4) argb |= value();
            }
            argb |= (alpha ? value() : 255u) << 24;
            b->at(x, y) = toStored(*b, argb);
        }
    }
    return Value::number(0);
}

}  // namespace

void installBitmapNoise(Realm& realm, Object* proto) { realm.defineMethod(proto, "noise", noise); }

}  // namespace swf::script
