// Whole-file writes on Linux and other POSIX systems: permission bits that survive a replace,
// writing through a symbolic link, leftover temporaries, FIFOs refused without blocking, files
// whose size says nothing.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "AtomicFileFixture.h"

namespace nr {
namespace {

mode_t Mode(const fs::path& p) {
  struct stat st {};
  EXPECT_EQ(::stat(p.c_str(), &st), 0);
  return st.st_mode & 07777;
}

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

// Leftovers of writes that were killed go with the next write, however young they are (a save
// killed and retried at once); a temporary a live writer holds stays, as do other files'.
TEST_F(AtomicFileTest, NextWriteRemovesOnlyTemporariesNobodyHolds) {
  const fs::path target = Put("room.mode", {1});
  Put(".room.mode.tmp-Ab12Cd", Bytes(100, 7));                        // a killed write's leftover
  Put(".room.mode.tmp-Fresh1", {});                                   // one killed a moment ago
  const fs::path held = Put(".room.mode.tmp-Zz99Yy", Bytes(10, 7));  // a write in progress elsewhere
  const int holder = ::open(held.c_str(), O_RDONLY);  // as a writer locks its temporary
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  Put(".other.mode.tmp-Ab12Cd", {});  // another file's temporary
  Put("room.mode.bak", {});

  ASSERT_FALSE(WriteFileAtomically(target, Bytes{2}));
  ::close(holder);
  EXPECT_EQ(Listing(), (std::set<std::string>{"room.mode", ".room.mode.tmp-Zz99Yy", ".other.mode.tmp-Ab12Cd", "room.mode.bak"}));
  EXPECT_TRUE(IsTemporaryFor(target, ".room.mode.tmp-Ab12Cd"));
  EXPECT_FALSE(IsTemporaryFor(target, ".room.mode.tmp-Ab12Cd7"));
}

}  // namespace
}  // namespace nr
