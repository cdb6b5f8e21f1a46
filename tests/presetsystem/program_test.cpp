// CProgram: name handling and the clamping of stored values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "presetsystem/CProgram.h"

TEST(Program, StartsAsInitWithTheDefaults) {
    CProgram p;
    char name[32];
    p.getName(name);
    EXPECT_STREQ(name, "init");
    const float defaults[16] = {1.0f, 0.01f, 0.0f, 0.5f, 0.1f, 0.5f, 0.5f, 0.5f,
                                0.5f, 0.5f,  0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(p.getParameter(i), defaults[i]) << i;
}

TEST(Program, NamesAreCutTo24CharactersAndZeroFilled) {
    CProgram p;
    p.setName("A name that is far longer than the limit");
    char name[64];
    std::memset(name, '#', sizeof name);
    p.getName(name);
    EXPECT_STREQ(name, "A name that is far longe");
    EXPECT_EQ(std::strlen(name), 24u);
    EXPECT_EQ(name[25], '#') << "getName writes the name and its terminator only";

    p.setName("Short");
    for (std::size_t i = 5; i < CProgram::kNameBytes; ++i)
        EXPECT_EQ(p.name()[i], 0) << "byte " << i << " of the name array";
    p.setName(p.name());
    EXPECT_STREQ(p.name(), "Short") << "a program may be renamed to its own name";
    p.setName(nullptr);
    EXPECT_STREQ(p.name(), "");
    p.setName("");
    EXPECT_STREQ(p.name(), "");
}

TEST(Program, ValuesAreClampedAndBadIndicesIgnored) {
    CProgram p;
    p.setParameter(3, -0.25f);
    EXPECT_EQ(p.getParameter(3), 0.0f);
    p.setParameter(3, 1.25f);
    EXPECT_EQ(p.getParameter(3), 1.0f);
    p.setParameter(3, 0.75f);
    EXPECT_EQ(p.getParameter(3), 0.75f);
    p.setParameter(4, std::numeric_limits<float>::infinity());
    EXPECT_EQ(p.getParameter(4), 1.0f);
    p.setParameter(4, -std::numeric_limits<float>::infinity());
    EXPECT_EQ(p.getParameter(4), 0.0f);
    p.setParameter(3, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(p.getParameter(3), 0.75f) << "NaN keeps the previous value";

    const CProgram before = p;
    for (int bad : {16, 17, -1, 1000, std::numeric_limits<int>::min()}) {
        p.setParameter(bad, 0.3f);
        EXPECT_EQ(p.getParameter(bad), -1.0f) << bad;
    }
    for (int i = 0; i < 16; ++i) EXPECT_EQ(p.getParameter(i), before.getParameter(i));
}

TEST(Program, CopiesCarryNameAndValues) {
    CProgram a;
    a.setName("Copied");
    for (int i = 0; i < 16; ++i) a.setParameter(i, i / 16.0f);
    CProgram b(a), c;
    c = a;
    for (const CProgram* p : {&b, &c}) {
        EXPECT_STREQ(p->name(), "Copied");
        for (int i = 0; i < 16; ++i) EXPECT_EQ(p->getParameter(i), i / 16.0f);
    }
}
