// The Windows files suite's program. Started with "--recall-child A|B" it is the second
// process of the memory tests instead: a fresh effect recalls the memory and the result
// is printed for the first process to check.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "MemoryChild.h"

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--recall-child") == 0) return memorychild::run(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
