// The open editor's picture against the committed references: the program a new
// effect starts with, and "Phat Drums" with the OVER lamp lit. Set
// MOLTARO_UPDATE_REFERENCES=1 to write new references after a deliberate change.

#include "EditorFixture.h"

#include <cstdlib>
#include <cstring>

#include "editor/CTextLED.h"
#include "support/PixelCompare.h"

namespace editor_test {
namespace {

const std::string kReferenceDir = std::string(MOLTARO_SOURCE_DIR) + "/tests/editor/reference/";

using testsupport::differingPixels;

class PictureTest : public EditorTest {
protected:
    void expectMatches(const std::string& name) {
        const pf::Image& shown = window->frameBuffer();
        const std::string reference = kReferenceDir + name;
        const std::string actual = std::string(MOLTARO_BUILD_DIR) + "/" + name;
        window->writePng(actual);
        if (std::getenv("MOLTARO_UPDATE_REFERENCES")) {
            ASSERT_TRUE(window->writePng(reference));
        }
        pf::Image expected;
        ASSERT_TRUE(hl::readPng(reference, expected)) << "missing " << reference;
        ASSERT_EQ(expected.width(), shown.width());
        ASSERT_EQ(expected.height(), shown.height());
        // Text may be rendered slightly differently elsewhere; everything else is exact.
        const int differing = differingPixels(shown, expected, 24);
        EXPECT_LE(differing, shown.width() * shown.height() / 500) << "compare " << actual << " with " << reference;
    }
    int programNamed(const char* name) {
        for (int i = 0; i < CPresetSystemEffect::kNumBankPrograms; ++i)
            if (std::strcmp(effect().getProgramRecord(i)->name(), name) == 0) return i;
        return -1;
    }
};

TEST_F(PictureTest, NewEffectMatchesItsReference) {
    ASSERT_EQ(effect().getCurrentProgram(), 0);
    expectMatches("editor-default.png");
}

TEST_F(PictureTest, PhatDrumsWithTheLampLitMatchesItsReference) {
    const int phat = programNamed("Phat Drums");
    ASSERT_GT(phat, 0);
    // Chosen from the program menu, as a user would.
    window->answerMenu(0, phat + 1);
    click(210, 277);
    ASSERT_EQ(effect().getCurrentProgram(), phat);
    effect().engine.peakL.store(1.3f);
    idle();
    ASSERT_EQ(editor->getLamp()->getImageIndex(), 0);
    window->move(150, 140);  // the pointer away from the preset bar
    settle();
    expectMatches("editor-phat-drums-over.png");
}

}  // namespace
}  // namespace editor_test
