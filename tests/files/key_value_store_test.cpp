// The Linux key/value store: its text format, where its files live, and that a
// key is always read whole even while other writers replace it.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "FilesTestSupport.h"
#include "platform/KeyValueStore.h"
#include "platform/posix/StoreFileFormat.h"

using namespace moltaro::platform;
using filestest::ScopedEnv;
using filestest::TempDir;

namespace {

const StoreKey kKey = {"ZUN-soundlab", "ZUNmo15", "MemoA"};

StoredValues sample() {
    StoredValues v;
    v["param  0"] = StoredValue::binaryValue({0x00, 0x00, 0x80, 0x3f});
    v["param 15"] = StoredValue::binaryValue({0x00, 0x00, 0x00, 0x00});
    v["name"] = StoredValue::stringValue("Hall 2");
    return v;
}

bool sameValues(const StoredValues& a, const StoredValues& b) {
    if (a.size() != b.size()) return false;
    for (const auto& [name, value] : a) {
        auto it = b.find(name);
        if (it == b.end() || it->second.type != value.type || it->second.bytes != value.bytes) return false;
    }
    return true;
}

}  // namespace

TEST(StoreFileFormat, WritesOneReadableLinePerValue) {
    std::string text = formatStoreFile(sample());
    EXPECT_NE(text.find("\nbin param  0=0000803f\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nbin param 15=00000000\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nstr name=Hall 2\n"), std::string::npos) << text;
    EXPECT_TRUE(sameValues(parseStoreFile(text), sample()));
}

TEST(StoreFileFormat, AnyStringAndAnyBytesSurvive) {
    StoredValues v;
    std::string awkward = "a\\b\nc=d\r\x01\x7f end\xc3\xa9";
    v["name"] = StoredValue::stringValue(awkward);
    std::vector<std::uint8_t> all;
    for (int b = 0; b < 256; ++b) all.push_back(std::uint8_t(b));
    v["blob"] = StoredValue::binaryValue(all);
    v["empty"] = StoredValue::stringValue("");
    std::string text = formatStoreFile(v);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4) << "one line each, plus the comment";
    StoredValues back = parseStoreFile(text);
    EXPECT_TRUE(sameValues(back, v));
    EXPECT_EQ(back["name"].text(), awkward);
}

TEST(StoreFileFormat, MalformedLinesAreSkippedAndTheRestIsKept) {
    std::string text =
        "# comment\n"
        "\n"
        "bin odd=123\n"
        "bin badhex=00zz\n"
        "xyz param  1=00000000\n"
        "bin nameless\n"
        "bin =00\n"
        "str escape=\\x4\n"
        "str escape2=\\q00\n"
        "binparam=00\n"
        "bin param  3=0000003f\r\n"
        "str name=ok";
    StoredValues v = parseStoreFile(text);
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v["param  3"].bytes, (std::vector<std::uint8_t>{0, 0, 0, 0x3f}));
    EXPECT_EQ(v["name"].text(), "ok");
    EXPECT_TRUE(parseStoreFile(std::string("\0\xff\xfe garbage\n\n\n", 14)).empty());
}

TEST(KeyValueStore, LivesInOneFilePerKeyUnderXdgConfigHome) {
    TempDir dir;
    ScopedEnv xdg("XDG_CONFIG_HOME", dir.path().string());
    KeyValueStore& store = systemKeyValueStore();
    StoredValues read;
    EXPECT_EQ(store.read(kKey, read), StoreStatus::notFound);
    ASSERT_EQ(store.write(kKey, sample()), StoreStatus::ok);
    std::string file = dir.file("ZUN-soundlab/ZUNmo15/MemoA");
    EXPECT_TRUE(sameValues(parseStoreFile(filestest::readText(file)), sample()));
    ASSERT_EQ(store.read(kKey, read), StoreStatus::ok);
    EXPECT_TRUE(sameValues(read, sample()));
    EXPECT_EQ(filestest::filesIn(dir.path() / "ZUN-soundlab/ZUNmo15"), std::vector<std::string>{"MemoA"});
}

TEST(KeyValueStore, FallsBackToDotConfigInHome) {
    TempDir dir;
    ScopedEnv home("HOME", dir.path().string());
    for (std::optional<std::string> xdg : {std::optional<std::string>(), std::optional<std::string>("relative/dir")}) {
        ScopedEnv unset("XDG_CONFIG_HOME", xdg);
        ASSERT_EQ(systemKeyValueStore().write(kKey, sample()), StoreStatus::ok);
        EXPECT_TRUE(filestest::fs::exists(dir.path() / ".config/ZUN-soundlab/ZUNmo15/MemoA"));
        filestest::fs::remove_all(dir.path() / ".config");
    }
}

TEST(KeyValueStore, WritingKeepsValuesOfOtherNames) {
    TempDir dir;
    ScopedEnv xdg("XDG_CONFIG_HOME", dir.path().string());
    KeyValueStore& store = systemKeyValueStore();
    ASSERT_EQ(store.write(kKey, sample()), StoreStatus::ok);
    StoredValues update;
    update["name"] = StoredValue::stringValue("Other");
    ASSERT_EQ(store.write(kKey, update), StoreStatus::ok);
    StoredValues read;
    ASSERT_EQ(store.read(kKey, read), StoreStatus::ok);
    EXPECT_EQ(read.size(), 3u);
    EXPECT_EQ(read["name"].text(), "Other");
}

TEST(KeyValueStore, UnusableKeysAndFoldersFailWithoutHarm) {
    TempDir dir;
    ScopedEnv xdg("XDG_CONFIG_HOME", dir.path().string());
    KeyValueStore& store = systemKeyValueStore();
    StoredValues read;
    for (const StoreKey& bad : {StoreKey{}, StoreKey{"a", ".."}, StoreKey{"a/b"}, StoreKey{""}}) {
        EXPECT_EQ(store.write(bad, sample()), StoreStatus::failed);
        EXPECT_EQ(store.read(bad, read), StoreStatus::notFound);
    }
    StoredValues badName;
    badName["a=b"] = StoredValue::stringValue("x");
    EXPECT_EQ(store.write(kKey, badName), StoreStatus::failed);

    // The configuration folder is a plain file: nothing can be stored.
    filestest::writeText(dir.file("file"), "x");
    ScopedEnv blocked("XDG_CONFIG_HOME", dir.file("file"));
    EXPECT_EQ(store.write(kKey, sample()), StoreStatus::failed);
    EXPECT_NE(store.read(kKey, read), StoreStatus::ok);
}

TEST(KeyValueStore, ConcurrentWritersNeverLeaveAHalfWrittenKey) {
    TempDir dir;
    ScopedEnv xdg("XDG_CONFIG_HOME", dir.path().string());
    KeyValueStore& store = systemKeyValueStore();
    auto set = [](std::uint8_t fill, const char* name) {
        StoredValues v;
        for (int i = 0; i < 16; ++i) v["param " + std::to_string(i)] = StoredValue::binaryValue({fill, fill, fill, fill});
        v["name"] = StoredValue::stringValue(name);
        return v;
    };
    const StoredValues a = set(0xaa, "writer A"), b = set(0xbb, "writer B");
    ASSERT_EQ(store.write(kKey, a), StoreStatus::ok);
    std::atomic<bool> stop{false};
    std::atomic<int> failures{0};
    std::thread wa([&] { for (int i = 0; i < 60; ++i) if (store.write(kKey, a) != StoreStatus::ok) ++failures; });
    std::thread wb([&] { for (int i = 0; i < 60; ++i) if (store.write(kKey, b) != StoreStatus::ok) ++failures; });
    int torn = 0, reads = 0;
    std::thread reader([&] {
        while (!stop) {
            StoredValues r;
            if (store.read(kKey, r) != StoreStatus::ok) continue;
            ++reads;
            if (!sameValues(r, a) && !sameValues(r, b)) ++torn;
        }
    });
    wa.join();
    wb.join();
    stop = true;
    reader.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
    EXPECT_EQ(filestest::filesIn(dir.path() / "ZUN-soundlab/ZUNmo15"), std::vector<std::string>{"MemoA"});
}
