// The registry as the key/value store: value types and bytes, merging, missing keys,
// the fall-back for users who may not write under HKEY_LOCAL_MACHINE, and writers in
// parallel never leaving a mixed key.

#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "platform/win32/Win32KeyValueStore.h"

using namespace moltaro::platform;
using wintest::ScopedTestKey;

namespace {

StoredValues sample() {
    StoredValues v;
    v["param  0"] = StoredValue::binaryValue({0x00, 0x00, 0x80, 0x3f});
    v["param 15"] = StoredValue::binaryValue({0xcd, 0xcc, 0x4c, 0x3e});
    v["name"] = StoredValue::stringValue("Big Hall");
    return v;
}

}  // namespace

TEST(RegistryStore, WritesRegBinaryAndTerminatedRegSzUnderTheKeyPath) {
    ScopedTestKey root;
    win32::RegistryStore store(root.key(), nullptr, "SOFTWARE");
    const StoreKey key{"ZUN-soundlab", "ZUNmo15", "MemoA"};
    EXPECT_EQ(store.pathOf(key), "SOFTWARE\\ZUN-soundlab\\ZUNmo15\\MemoA");
    ASSERT_EQ(store.write(key, sample()), StoreStatus::ok);

    const std::string path = root.path() + "\\SOFTWARE\\ZUN-soundlab\\ZUNmo15\\MemoA";
    auto p0 = wintest::readRaw(HKEY_CURRENT_USER, path, "param  0");
    ASSERT_TRUE(p0.exists);
    EXPECT_EQ(p0.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(p0.data, (std::vector<std::uint8_t>{0x00, 0x00, 0x80, 0x3f}));
    auto name = wintest::readRaw(HKEY_CURRENT_USER, path, "name");
    ASSERT_TRUE(name.exists);
    EXPECT_EQ(name.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(name.data, (std::vector<std::uint8_t>{'B', 'i', 'g', ' ', 'H', 'a', 'l', 'l', 0}));

    StoredValues back;
    ASSERT_EQ(store.read(key, back), StoreStatus::ok);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back["param 15"].bytes, sample()["param 15"].bytes);
    EXPECT_EQ(back["param 15"].type, StoredValue::Type::binary);
    EXPECT_EQ(back["name"].text(), "Big Hall");
    EXPECT_EQ(back["name"].type, StoredValue::Type::string);
}

TEST(RegistryStore, WritingKeepsOtherValuesAndForeignTypesAreLeftOut) {
    ScopedTestKey root;
    win32::RegistryStore store(root.key(), nullptr, "");
    const StoreKey key{"Memo"};
    ASSERT_EQ(store.write(key, sample()), StoreStatus::ok);
    StoredValues second;
    second["name"] = StoredValue::stringValue("");
    second["param  3"] = StoredValue::binaryValue({});
    ASSERT_EQ(store.write(key, second), StoreStatus::ok);
    // A value someone else put there, of a type the store does not write.
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExA(root.key(), "Memo", 0, KEY_SET_VALUE, &k), ERROR_SUCCESS);
    DWORD number = 7;
    RegSetValueExA(k, "param  1", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    RegCloseKey(k);

    StoredValues back;
    ASSERT_EQ(store.read(key, back), StoreStatus::ok);
    EXPECT_EQ(back.size(), 4u);
    EXPECT_EQ(back["param  0"].bytes.size(), 4u);
    EXPECT_EQ(back["name"].text(), "");
    EXPECT_TRUE(back["param  3"].bytes.empty());
    EXPECT_EQ(back.count("param  1"), 0u);
}

TEST(RegistryStore, MissingKeysAreNotFoundAndUnusableKeysFail) {
    ScopedTestKey root;
    win32::RegistryStore store(root.key(), nullptr, "SOFTWARE");
    StoredValues values = sample();
    EXPECT_EQ(store.read({"ZUN-soundlab", "ZUNmo15", "MemoB"}, values), StoreStatus::notFound);
    EXPECT_EQ(values.size(), 3u) << "a failed read leaves the caller's values alone";
    for (const StoreKey& bad : {StoreKey{}, StoreKey{"a", ""}, StoreKey{"a\\b"}, StoreKey{std::string("a\0b", 3)}}) {
        EXPECT_EQ(store.write(bad, sample()), StoreStatus::failed);
        EXPECT_EQ(store.read(bad, values), StoreStatus::notFound);
    }
    // Nothing was created by the refused writes.
    DWORD subkeys = 1;
    RegQueryInfoKeyA(root.key(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr);
    EXPECT_EQ(subkeys, 0u);
}

TEST(RegistryStore, RefusedRootFallsBackAndTheNewestKeyIsRead) {
    ScopedTestKey machine, user;
    // A root that refuses every key, as HKEY_LOCAL_MACHINE does for users without
    // administrator rights. (Wine gives every user those rights, so the refusal is
    // made with a handle that is no key at all.)
    const HKEY refusing = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x7ffff0));
    win32::RegistryStore store(refusing, user.key(), "SOFTWARE");
    const StoreKey key{"ZUN-soundlab", "ZUNmo15", "MemoA"};
    const std::string below = "\\SOFTWARE\\ZUN-soundlab\\ZUNmo15\\MemoA";

    ASSERT_EQ(store.write(key, sample()), StoreStatus::ok);
    EXPECT_TRUE(wintest::readRaw(HKEY_CURRENT_USER, user.path() + below, "name").exists);
    StoredValues back;
    ASSERT_EQ(store.read(key, back), StoreStatus::ok);
    EXPECT_EQ(back["name"].text(), "Big Hall");

    win32::RegistryStore nowhere(refusing, nullptr, "SOFTWARE");
    EXPECT_EQ(nowhere.write(key, sample()), StoreStatus::failed);
    EXPECT_EQ(nowhere.read(key, back), StoreStatus::failed) << "a refused key is not a missing one";

    // With a key in both places, the one written last is what a recall gets.
    win32::RegistryStore both(machine.key(), user.key(), "SOFTWARE");
    win32::RegistryStore userOnly(user.key(), nullptr, "SOFTWARE");
    for (auto* writer : {&both, &userOnly, &both}) {
        Sleep(20);  // key times have a coarse grain on some systems
        StoredValues v;
        v["name"] = StoredValue::stringValue(writer == &both ? "machine" : "user");
        ASSERT_EQ(writer->write(key, v), StoreStatus::ok);
        back.clear();
        ASSERT_EQ(both.read(key, back), StoreStatus::ok);
        EXPECT_EQ(back["name"].text(), v["name"].text());
    }
    EXPECT_FALSE(wintest::readRaw(HKEY_CURRENT_USER, user.path() + below, "name").exists)
        << "the fall-back's older copy is gone once the primary is written";
    // A writable primary is always written, never the fall-back.
    ASSERT_EQ(both.write({"only-primary"}, sample()), StoreStatus::ok);
    EXPECT_TRUE(wintest::readRaw(HKEY_CURRENT_USER, machine.path() + "\\SOFTWARE\\only-primary", "name").exists);
    EXPECT_FALSE(wintest::readRaw(HKEY_CURRENT_USER, user.path() + "\\SOFTWARE\\only-primary", "name").exists);
}

TEST(RegistryStore, ParallelWritersNeverLeaveAMixedKey) {
    ScopedTestKey root;
    win32::RegistryStore store(root.key(), nullptr, "");
    const StoreKey key{"Shared"};
    auto setOf = [](std::uint8_t writer) {
        StoredValues v;
        for (int i = 0; i < 16; ++i) v["param" + std::to_string(i)] = StoredValue::binaryValue({writer, writer});
        v["name"] = StoredValue::stringValue(std::string(1, char('A' + writer)));
        return v;
    };
    ASSERT_EQ(store.write(key, setOf(0)), StoreStatus::ok);
    std::atomic<bool> stop{false};
    std::vector<std::thread> writers;
    for (std::uint8_t w = 1; w <= 2; ++w)
        writers.emplace_back([&, w] {
            win32::RegistryStore own(root.key(), nullptr, "");
            while (!stop) own.write(key, setOf(w));
        });
    int mixed = 0;
    for (int round = 0; round < 150; ++round) {
        StoredValues v;
        ASSERT_EQ(store.read(key, v), StoreStatus::ok);
        std::uint8_t writer = static_cast<std::uint8_t>(v["name"].text()[0] - 'A');
        for (int i = 0; i < 16; ++i)
            if (v["param" + std::to_string(i)].bytes != std::vector<std::uint8_t>{writer, writer}) ++mixed;
    }
    stop = true;
    for (auto& t : writers) t.join();
    EXPECT_EQ(mixed, 0);
}

TEST(RegistryStore, SystemStoreIsTheRegistryUnderHkeyLocalMachine) {
    const StoreKey key{"ZUN-soundlab", "ZUNmo15-test", "Probe"};
    StoredValues v;
    v["name"] = StoredValue::stringValue("probe");
    ASSERT_EQ(systemKeyValueStore().write(key, v), StoreStatus::ok);
    auto raw = wintest::readRaw(HKEY_LOCAL_MACHINE, "SOFTWARE\\ZUN-soundlab\\ZUNmo15-test\\Probe", "name");
    EXPECT_TRUE(raw.exists);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(&keyValueStore(), &systemKeyValueStore());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\ZUN-soundlab\\ZUNmo15-test");
}
