#include "editor/ModuleBitmaps.h"

#include <map>

#include "editor/PngDecoder.h"
#include "platform/Platform.h"
#include "resources/Resources.h"

namespace moltaro {

namespace {

int registerAll() {
    std::size_t count = 0;
    const EmbeddedBitmap* bitmaps = embeddedBitmaps(count);
    int registered = 0;
    for (std::size_t i = 0; i < count; ++i) {
        DecodedPicture picture;
        if (!decodePng(bitmaps[i].png, bitmaps[i].size, picture)) continue;
        platform::registerBitmapResource(bitmaps[i].id, picture.width, picture.height, picture.pixels.data());
        ++registered;
    }
    return registered;
}

// The larger set of one scale: each 1x bitmap's counterpart, when the module has it.
int registerScaled(int percent) {
    int registered = 0;
    for (std::size_t i = 0;; ++i) {
        const EmbeddedBitmap* b = embeddedBitmapAt(percent, i);
        if (!b) break;
        DecodedPicture picture;
        if (!decodePng(b->png, b->size, picture)) continue;
        platform::registerBitmapResource(b->id, percent, picture.width, picture.height, picture.pixels.data());
        ++registered;
    }
    return registered;
}

}  // namespace

bool moduleBitmapSize(int id, int& width, int& height) {
    const EmbeddedBitmap* b = findEmbeddedBitmap(id);
    // Signature, then the header chunk: length, "IHDR", width and height (big-endian).
    if (!b || b->size < 24) return false;
    const auto read32 = [&](std::size_t at) {
        return static_cast<long>((static_cast<unsigned long>(b->png[at]) << 24) | (b->png[at + 1] << 16) |
                                 (b->png[at + 2] << 8) | b->png[at + 3]);
    };
    const long w = read32(16), h = read32(20);
    if (w <= 0 || h <= 0 || w > 32767 || h > 32767) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

int registerModuleBitmaps() {
    static const int registered = registerAll();
    return registered;
}

int registerModuleBitmaps(int scalePercent) {
    static std::map<int, int> registered;
    if (scalePercent == 100) return registerModuleBitmaps();
    const auto it = registered.find(scalePercent);
    if (it != registered.end()) return it->second;
    return registered[scalePercent] = registerScaled(scalePercent);
}

}  // namespace moltaro
