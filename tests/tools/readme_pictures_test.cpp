// The command that makes the README's pictures still runs: the whole bank, with short
// responses to keep it quick.
#ifdef MOLTARO_HAVE_RENDER

#include <gtest/gtest.h>

#include <cairo.h>

#include <sstream>

#include "RenderCommand.h"

using namespace toolstest;

TEST(ReadmePictures, ScriptMakesTheOverviewThePageAndTheCsv) {
    ScratchDir dir;
    const std::string cmd = "OUT_DIR=" + quote(dir.path()) + " BUILD_DIR=" + quote(MOLTARO_BUILD_DIR) + " " +
                            quote(std::string(MOLTARO_SOURCE_DIR) + "/scripts/readme-pictures.sh") +
                            " --tail 0.3 >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    for (const char* picture : {"overview.png", "report-basic-hall.png"}) {
        cairo_surface_t* s = cairo_image_surface_create_from_png(dir.file(picture).c_str());
        EXPECT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS) << picture;
        cairo_surface_destroy(s);
    }
    // A row for each of the 53 programs after the header: each came with its page.
    std::istringstream csv(slurp(dir.file("programs.csv")));
    int rows = 0;
    for (std::string line; std::getline(csv, line);) ++rows;
    EXPECT_EQ(rows, 54);
}

#endif  // MOLTARO_HAVE_RENDER
