#pragma once
// The toolkit demo's bitmaps, computed pixel by pixel (no drawing library, so
// they are the same on every backend) and registered as bitmap resources.

namespace toolkit_demo {

// Resource numbers of the demo's bitmaps.
enum : int {
    kDemoBackground = 30000,  // 360 x 240 panel
    kDemoKnobStrip = 30001,   // 48 x 48, 51 images
    kDemoKnobBody = 30002,    // 48 x 48 disc for the line-handle knob
    kDemoMovieStrip = 30003,  // 48 x 48, 9 images: a ring of 8 segments
    kDemoOnOff = 30004,       // 36 x 20, 2 images
    kDemoKick = 30005,        // 36 x 20, 2 images
    kDemoRocker = 30006,      // 48 x 20, 3 images
    kDemoHandleH = 30007,     // 16 x 12 horizontal slider handle
    kDemoHandleV = 30008,     // 20 x 10 vertical slider handle
    kDemoAbout = 30009,       // 280 x 150 about picture
};

constexpr int kDemoWidth = 360;
constexpr int kDemoHeight = 240;
constexpr int kKnobImages = 51;
constexpr int kKnobSize = 48;
constexpr int kMovieImages = 9;

// Computes and registers every demo bitmap (once per process; later calls do nothing).
void registerDemoArtwork();

}  // namespace toolkit_demo
