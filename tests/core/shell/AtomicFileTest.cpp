// Whole-file writes and bounded reads: permissions that survive a replace, temporaries an
// interrupted write left behind, and paths that are not regular files.
#include "shell/AtomicFile.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <set>
#include <thread>

namespace nr {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class AtomicFileTest : public testing::Test {
 protected:
  fs::path Put(const std::string& name, const Bytes& bytes) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    return p;
  }
  std::set<std::string> Listing() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.insert(e.path().filename().string());
    return names;
  }
  static mode_t Mode(const fs::path& p) {
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0);
    return st.st_mode & 07777;
  }

  test::ScratchDir dir_{"nr_atomic"};
};

TEST_F(AtomicFileTest, ReplacingKeepsTheTargetsPermissions) {
  const fs::path target = Put("preset.mode", {1, 2, 3});
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  ASSERT_FALSE(WriteFileAtomically(target, Bytes{4, 5}));
  EXPECT_EQ(Mode(target), 0640u);

  // A new file gets what creating it plainly would give it.
  const mode_t mask = ::umask(0022);
  ASSERT_FALSE(WriteFileAtomically(dir_ / "new.mode", Bytes{6}));
  ::umask(mask);
  EXPECT_EQ(Mode(dir_ / "new.mode"), 0644u);
  EXPECT_EQ(Listing(), (std::set<std::string>{"new.mode", "preset.mode"}));
}

// A preset kept elsewhere and linked into the folder: saving updates the file the link points
// to, and the link stays a link (it was replaced by a copy the other place never saw).
TEST_F(AtomicFileTest, WritingThroughALinkReplacesTheFileItPointsTo) {
  const test::ScratchDir shared{"nr_atomic_shared"};
  const fs::path real = shared.path() / "room1.mode";
  std::ofstream(real, std::ios::binary) << "old";
  ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
  const fs::path link = dir_ / "current.mode";
  fs::create_symlink(real, link);
  ASSERT_FALSE(WriteFileAtomically(link, Bytes{'n', 'e', 'w'}));
  EXPECT_TRUE(fs::is_symlink(link));
  Bytes read;
  ASSERT_FALSE(ReadFileLimited(real, 16, read));
  EXPECT_EQ(read, (Bytes{'n', 'e', 'w'}));
  EXPECT_EQ(Mode(real), 0640u);
  EXPECT_EQ(Listing(), (std::set<std::string>{"current.mode"}));
}

// Leftovers of writes that were killed go with the next write, however young they are (a save
// killed and retried at once); a temporary a live writer holds stays, as do other files'.
TEST_F(AtomicFileTest, NextWriteRemovesOnlyTemporariesNobodyHolds) {
  const fs::path target = Put("room.mode", {1});
  Put(".room.mode.tmp-Ab12Cd", Bytes(100, 7));                        // a killed write's leftover
  Put(".room.mode.tmp-Fresh1", {});                                   // one killed a moment ago
  const fs::path held = Put(".room.mode.tmp-Zz99Yy", Bytes(10, 7));  // a write in progress elsewhere
  const int holder = ::open(held.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  Put(".other.mode.tmp-Ab12Cd", {});  // another file's temporary
  Put("room.mode.bak", {});

  ASSERT_FALSE(WriteFileAtomically(target, Bytes{2}));
  ::close(holder);
  EXPECT_EQ(Listing(), (std::set<std::string>{"room.mode", ".room.mode.tmp-Zz99Yy", ".other.mode.tmp-Ab12Cd", "room.mode.bak"}));
  EXPECT_TRUE(IsTemporaryFor(target, ".room.mode.tmp-Ab12Cd"));
  EXPECT_FALSE(IsTemporaryFor(target, ".room.mode.tmp-Ab12Cd7"));
}

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
  EXPECT_EQ(held.Hold("/dev/null", 16, out).problem, FileProblem::kNotRegular);
  EXPECT_EQ(held.Hold(Put("long", Bytes(17, 1)), 16, out).problem, FileProblem::kTooLong);
  EXPECT_FALSE(held.Held());
}

TEST_F(AtomicFileTest, PathsThatAreNotRegularFilesAreRefusedAtOnce) {
  const fs::path fifo = dir_ / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
  fs::create_directory(dir_ / "folder");
  for (const fs::path& p : {fifo, dir_ / "folder", fs::path("/dev/null")}) {
    SCOPED_TRACE(p.string());
    Bytes out{9};
    const FileError read = ReadFileLimited(p, 30, out);  // a FIFO must not block here
    EXPECT_EQ(read.problem, FileProblem::kNotRegular);
    EXPECT_NE(read.message.find("not a regular file"), std::string::npos) << read.message;
    EXPECT_TRUE(out.empty());
  }
  EXPECT_EQ(WriteFileAtomically(fifo, Bytes{1}).problem, FileProblem::kNotRegular);
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_EQ(Listing(), (std::set<std::string>{"pipe", "folder"}));
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

// A generous limit costs nothing for a small file; a file whose size says nothing (as in /proc)
// is still read whole, and one that outgrows the limit while read is refused.
TEST_F(AtomicFileTest, ReadTakesTheRoomTheFileNeedsNotTheLimit) {
  Bytes out;
  EXPECT_FALSE(ReadFileLimited(Put("small", Bytes(30, 7)), 64 << 20, out));
  EXPECT_EQ(out, Bytes(30, 7));
  EXPECT_LT(out.capacity(), 4096u);

  ASSERT_FALSE(ReadFileLimited("/proc/self/status", 1 << 20, out));
  const std::string status(out.begin(), out.end());
  EXPECT_EQ(status.rfind("Name:", 0), 0u);
  EXPECT_NE(status.find("\nPid:"), std::string::npos);
  EXPECT_EQ(status.back(), '\n');
  EXPECT_EQ(ReadFileLimited("/proc/self/status", 16, out).problem, FileProblem::kTooLong);
  EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace nr
