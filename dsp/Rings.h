#pragma once
// Compact delay lines: an algorithm whose taps reach only a few thousand samples back
// lays its lines out as power-of-two rings of the size its farthest tap needs, packed
// into the single pool lines, so that the write index sweeps only the memory the taps
// use (and several instances stay within the caches). Positions on a ring are the shared
// write index masked to its size, which divides 16384, so taps keep their distances.

#include "Blocks.h"

namespace moltaro {

// Smallest power-of-two ring (at least 256 samples) that holds a tap `reach` samples back
// while a stretch of `stretch` samples is written and then read.
constexpr int ringFor(int reach, int stretch) {
    int size = 256;
    while (size < reach + stretch) size *= 2;
    return size;
}
// The ring for the farthest of `count` taps.
inline int ringForTaps(const int* behind, int count, int stretch) {
    int reach = 0;
    for (int k = 0; k < count; ++k) reach = behind[k] > reach ? behind[k] : reach;
    return ringFor(reach, stretch);
}

// Rings of exactly the reach of their farthest tap, each with a position of its own
// (not the shared write index): the write of a position then follows closely on its
// last read, so it finds the position in the cache instead of fetching it again from
// memory it was evicted to. A core reads every tap of a stretch before it writes the
// stretch (or reads each sample before writing it), so a tap `size` samples back is
// read before that position is overwritten.

// The position `behind` samples before `pos` on a ring of `size` samples (behind <= size).
inline int ringBack(int pos, int behind, int size) {
    const int at = pos - behind;
    return at < 0 ? at + size : at;
}
// `pos` advanced by m samples on a ring of `size` samples (usually m <= size: one step).
inline int ringAdvance(int pos, int m, int size) {
    pos += m;
    while (pos >= size) pos -= size;
    return pos;
}

// Ring `index` of `size` samples, packed into the single pool lines (each kLen16k + kGuard
// samples long) in order, as many to a line as fit.
inline float* packedRing(float* const* singleLines, int index, int size) {
    const int perLine = (kLen16k + kGuard) / size;
    return singleLines[index / perLine] + (index % perLine) * size;
}
// Single pool lines that `count` rings of `size` samples take, packed as above.
constexpr int linesForRings(int count, int size) {
    const int perLine = (kLen16k + kGuard) / size;
    return (count + perLine - 1) / perLine;
}

}  // namespace moltaro
