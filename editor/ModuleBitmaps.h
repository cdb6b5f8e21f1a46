#pragma once
// The module's bitmaps (resources/bitmaps, embedded as PNG data) made available to
// the toolkit by resource number.

namespace moltaro {

// Decodes and registers every embedded bitmap, the first time it is called in the
// process; later calls do nothing. Answers how many bitmaps are registered. A bitmap
// that cannot be decoded is left out (it then loads as an empty 0 x 0 bitmap).
// [ui thread]
int registerModuleBitmaps();
// The same for the set drawn at a larger scale (percent: 150, 200, 300), decoded the
// first time an editor at that scale opens; 0 when the module carries no such set
// (the 1x bitmaps are then enlarged while drawing).
int registerModuleBitmaps(int scalePercent);

// The size of an embedded bitmap, read from its header without decoding it; false
// when there is no such bitmap.
bool moduleBitmapSize(int id, int& width, int& height);

}  // namespace moltaro
