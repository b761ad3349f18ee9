// Whole-file writes and bounded reads: temporaries an interrupted write left behind, writers and
// editors of one file, paths that are not regular files, limits. What only one system has
// (permission bits, links, FIFOs; read-only attributes, sharing) is in AtomicFileTestPosix.cpp
// and AtomicFileTestWindows.cpp.
#include "AtomicFileFixture.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <thread>

namespace nr {
namespace {

// Writers of one file clean up each other's temporaries between their creation and their lock:
// each notices and makes another, so every write succeeds and none leaves anything behind.
TEST_F(AtomicFileTest, WritersOfOneFileAllSucceedAndLeaveNoTemporaries) {
  const fs::path target = Put("room.mode", Bytes(64, 0));
  constexpr int kWriters = 4, kWrites = 50;
  std::vector<std::thread> writers;
  std::atomic<int> failures{0};
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&, w] {
      for (int i = 0; i < kWrites; ++i)
        if (WriteFileAtomically(target, Bytes(64, static_cast<uint8_t>(w + 1)))) ++failures;
    });
  }
  for (std::thread& t : writers) t.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(Listing(), (std::set<std::string>{"room.mode"}));
  Bytes read;
  ASSERT_FALSE(ReadFileLimited(target, 64, read));
  EXPECT_EQ(std::count(read.begin(), read.end(), read.front()), 64) << "one writer's bytes, whole";
}

// Editors that hold the file from reading to replacing take turns: each reads what the one
// before saved, so every increment is kept although each replace renames a new file over the
// name the others wait on.
TEST_F(AtomicFileTest, EditorsHoldingTheFileKeepEveryChange) {
  const fs::path target = Put("counter", Bytes{0});
  constexpr int kEditors = 6, kEdits = 20;
  std::vector<std::thread> editors;
  std::atomic<int> failures{0};
  for (int e = 0; e < kEditors; ++e) {
    editors.emplace_back([&] {
      for (int i = 0; i < kEdits; ++i) {
        HeldFile held;
        Bytes bytes;
        if (held.Hold(target, 16, bytes) || bytes.size() != 1) {
          ++failures;
          continue;
        }
        ++bytes[0];
        if (WriteFileAtomically(target, bytes)) ++failures;
      }
    });
  }
  for (std::thread& t : editors) t.join();
  EXPECT_EQ(failures, 0);
  Bytes read;
  ASSERT_FALSE(ReadFileLimited(target, 16, read));
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0], kEditors * kEdits);

  // What cannot be held is refused at once, as by ReadFileLimited.
  HeldFile held;
  Bytes out;
  EXPECT_EQ(held.Hold(dir_ / "absent", 16, out).code, ENOENT);
  EXPECT_EQ(held.Hold(NullDevice(), 16, out).problem, FileProblem::kNotRegular);
  EXPECT_EQ(held.Hold(Put("long", Bytes(17, 1)), 16, out).problem, FileProblem::kTooLong);
  EXPECT_FALSE(held.Held());
}

// Names beyond ASCII reach the system whole (UTF-16 on Windows, UTF-8 on Linux), and their
// temporaries are known as such.
TEST_F(AtomicFileTest, NamesInChineseAreWrittenAndRead) {
  const fs::path target = dir_ / fs::path(u8"\u9884\u8bbe KTV.mode");
  const std::u8string leftover = u8".\u9884\u8bbe KTV.mode.tmp-Ab12Cd";  // of a killed write
  std::ofstream(dir_ / fs::path(leftover)) << "half";
  ASSERT_FALSE(WriteFileAtomically(target, Bytes{1, 2}));
  ASSERT_FALSE(WriteFileAtomically(target, Bytes{3, 4}));
  Bytes read;
  ASSERT_FALSE(ReadFileLimited(target, 16, read));
  EXPECT_EQ(read, (Bytes{3, 4}));
  ASSERT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
  EXPECT_EQ(fs::directory_iterator(dir_)->path().filename(), target.filename());
}

TEST_F(AtomicFileTest, FoldersAndDevicesAreRefusedAtOnce) {
  fs::create_directory(dir_ / "folder");
  for (const fs::path& p : {dir_ / "folder", NullDevice()}) {
    SCOPED_TRACE(p.string());
    Bytes out{9};
    const FileError read = ReadFileLimited(p, 30, out);
    EXPECT_EQ(read.problem, FileProblem::kNotRegular);
    EXPECT_NE(read.message.find("not a regular file"), std::string::npos) << read.message;
    EXPECT_TRUE(out.empty());
  }
  EXPECT_EQ(WriteFileAtomically(dir_ / "folder", Bytes{1}).problem, FileProblem::kNotRegular);
  EXPECT_TRUE(fs::is_directory(dir_ / "folder"));
  EXPECT_EQ(Listing(), (std::set<std::string>{"folder"}));
}

TEST_F(AtomicFileTest, ReadsUpToTheLimitAndNamesTheSizeBeyond) {
  Bytes out;
  EXPECT_FALSE(ReadFileLimited(Put("thirty", Bytes(30, 1)), 30, out));
  EXPECT_EQ(out, Bytes(30, 1));
  const FileError tooLong = ReadFileLimited(Put("thirty-one", Bytes(31, 1)), 30, out);
  EXPECT_EQ(tooLong.problem, FileProblem::kTooLong);
  EXPECT_EQ(tooLong.size, 31u);
  EXPECT_TRUE(out.empty());
  const FileError missing = ReadFileLimited(dir_ / "absent", 30, out);
  EXPECT_EQ(missing.problem, FileProblem::kSystem);
  EXPECT_EQ(missing.code, ENOENT);
}

}  // namespace
}  // namespace nr
