#include "editor/ModuleBitmaps.h"

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

}  // namespace

int registerModuleBitmaps() {
    static const int registered = registerAll();
    return registered;
}

}  // namespace moltaro
