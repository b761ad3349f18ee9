// Whole-file writes on Windows: the target's attributes survive a replace, a read-only preset
// included (replaced as on Linux, where the folder's permission decides, and still read-only);
// leftover temporaries; a file replaced while others read it.
#include <windows.h>

#include <chrono>
#include <thread>

#include "AtomicFileFixture.h"

namespace nr {
namespace {

TEST_F(AtomicFileTest, ReplacingKeepsTheTargetsAttributes) {
  const fs::path target = Put("preset.mode", {1, 2, 3});
  ASSERT_TRUE(::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_FALSE(WriteFileAtomically(target, Bytes{4, 5}));
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(attributes & FILE_ATTRIBUTE_HIDDEN) << "the temporary is hidden, the target is not";
  Bytes read;
  ASSERT_FALSE(ReadFileLimited(target, 16, read));
  EXPECT_EQ(read, (Bytes{4, 5}));

  ASSERT_FALSE(WriteFileAtomically(dir_ / "new.mode", Bytes{6}));
  EXPECT_FALSE(::GetFileAttributesW((dir_ / "new.mode").c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(Listing(), (std::set<std::string>{"new.mode", "preset.mode"}));
  ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);  // so the folder can go
}

// Windows refuses to replace a file someone has open: the replace waits until the reader lets go.
TEST_F(AtomicFileTest, ReplaceWaitsForAReaderToLetGo) {
  const fs::path target = Put("room.mode", Bytes(40, 3));
  const HANDLE reader = ::CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  std::thread closer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::CloseHandle(reader);
  });
  const FileError error = WriteFileAtomically(target, Bytes{7});
  closer.join();
  EXPECT_FALSE(error) << error.message;
  Bytes read;
  ASSERT_FALSE(ReadFileLimited(target, 64, read));
  EXPECT_EQ(read, Bytes{7});
  EXPECT_EQ(Listing(), (std::set<std::string>{"room.mode"}));
}

// Leftovers of writes that were killed go with the next write, however young they are (a save
// killed and retried at once); a temporary a live writer holds stays, as do other files'.
TEST_F(AtomicFileTest, NextWriteRemovesOnlyTemporariesNobodyHolds) {
  const fs::path target = Put("room.mode", {1});
  Put(".room.mode.tmp-Ab12Cd", Bytes(100, 7));                        // a killed write's leftover
  Put(".room.mode.tmp-Fresh1", {});                                   // one killed a moment ago
  const fs::path held = Put(".room.mode.tmp-Zz99Yy", Bytes(10, 7));  // a write in progress elsewhere
  // As a writer locks its temporary: the byte at 2^62.
  const HANDLE holder = ::CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  OVERLAPPED at{};
  at.OffsetHigh = 0x40000000;
  ASSERT_TRUE(::LockFileEx(holder, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at));
  Put(".other.mode.tmp-Ab12Cd", {});  // another file's temporary
  Put("room.mode.bak", {});

  ASSERT_FALSE(WriteFileAtomically(target, Bytes{2}));
  ::CloseHandle(holder);
  EXPECT_EQ(Listing(), (std::set<std::string>{"room.mode", ".room.mode.tmp-Zz99Yy", ".other.mode.tmp-Ab12Cd", "room.mode.bak"}));
  EXPECT_TRUE(IsTemporaryFor(target, ".room.mode.tmp-Ab12Cd"));
  EXPECT_FALSE(IsTemporaryFor(target, ".room.mode.tmp-Ab12Cd7"));
}

}  // namespace
}  // namespace nr
