#pragma once
// The editor's bitmaps, embedded in the module as PNG data and found by resource number.
#include <cstddef>

namespace moltaro {

struct EmbeddedBitmap {
    int id;
    const unsigned char* png;
    std::size_t size;
};

// The bitmap with this resource number, or null.
const EmbeddedBitmap* findEmbeddedBitmap(int id);
// All embedded bitmaps; count receives their number.
const EmbeddedBitmap* embeddedBitmaps(std::size_t& count);
// The index-th bitmap drawn for a larger scale (percent: 150, 200, 300); null past
// the last one.
const EmbeddedBitmap* embeddedBitmapAt(int scalePercent, std::size_t index);

}  // namespace moltaro
