#pragma once
// The module's bitmaps (resources/bitmaps, embedded as PNG data) made available to
// the toolkit by resource number.

namespace moltaro {

// Decodes and registers every embedded bitmap, the first time it is called in the
// process; later calls do nothing. Answers how many bitmaps are registered. A bitmap
// that cannot be decoded is left out (it then loads as an empty 0 x 0 bitmap).
// [ui thread]
int registerModuleBitmaps();

// The size of an embedded bitmap, read from its header without decoding it; false
// when there is no such bitmap.
bool moduleBitmapSize(int id, int& width, int& height);

}  // namespace moltaro
