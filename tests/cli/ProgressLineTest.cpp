// The progress line: drawn in place on a terminal, absent everywhere else.
#include <gtest/gtest.h>

#include <sstream>

#include "ProgressLine.h"

namespace nr::cli {
namespace {

constexpr std::string_view kErase = "\r\x1b[K";

std::string Erased(std::string_view text) { return std::string(kErase) + std::string(text); }

TEST(ProgressLine, OneDeviceRedrawsInPlaceAndEndsWithItsLastWord) {
  std::ostringstream err;
  ProgressLine line(err, true);
  line.SetTitle("push");
  line.Update("", "connecting");
  line.Update("", "12/70 chunks written");
  line.Update("", "12/70 chunks written");  // unchanged: nothing drawn
  line.Succeed("", "70/70 chunks written, done");
  EXPECT_EQ(err.str(), Erased("push: connecting") + Erased("push: 12/70 chunks written") +
                           Erased("push: 70/70 chunks written, done") + "\n");
  // A line that ended stays: destroying the line adds nothing.
  const std::string before = err.str();
  line.Erase();
  EXPECT_EQ(err.str(), before);
}

TEST(ProgressLine, AFailureTakesTheLineAwaySoTheMessageStandsAlone) {
  std::ostringstream err;
  {
    ProgressLine line(err, true);
    line.SetTitle("pull");
    line.Update("", "3/70 chunks read");
    line.Fail("");
    err << "nrctl pull: lost the connection\n";
    line.Update("", "4/70 chunks read");
  }  // a line left standing goes with its owner
  EXPECT_EQ(err.str(), Erased("pull: 3/70 chunks read") + std::string(kErase) + "nrctl pull: lost the connection\n" +
                           Erased("pull: 4/70 chunks read") + std::string(kErase));
}

TEST(ProgressLine, SeveralHostsShareTheLineAndItNeverWraps) {
  std::ostringstream err;
  ProgressLine line(err, true, 40);
  line.SetTitle("push");
  line.Update("10.0.0.5", "1/70");
  line.Update("10.0.0.6", "2/70");
  line.Succeed("10.0.0.5", "done");
  line.Fail("10.0.0.6");
  line.Erase();
  EXPECT_EQ(err.str(), Erased("push: 10.0.0.5 1/70") + Erased("push: 10.0.0.5 1/70  10.0.0.6 2/70") +
                           Erased("push: 10.0.0.5 done  10.0.0.6 2/70") +
                           Erased("push: 10.0.0.5 done  10.0.0.6 failed") + std::string(kErase));
  for (size_t at = 0; (at = err.str().find('\r', at)) != std::string::npos; ++at) {
    const size_t end = err.str().find('\r', at + 1);
    EXPECT_LE(err.str().substr(at, end - at).size(), kErase.size() + 39);
  }
}

TEST(ProgressLine, NotShownItPrintsNothingAtAll) {
  std::ostringstream err;
  {
    ProgressLine line(err, false);
    line.SetTitle("push");
    line.Update("", "1/70");
    line.Succeed("", "done");
    line.Update("h", "1/70");
    line.Fail("h");
    line.Erase();
    ProgressWatch watch(&line, "", [] { return std::string("polled"); });
  }
  EXPECT_EQ(err.str(), "");
}

TEST(ProgressLine, AWatchShowsWhatItsPollSaysUntilItEnds) {
  std::ostringstream err;
  ProgressLine line(err, true);
  int polls = 0;
  { ProgressWatch watch(&line, "", [&] { return std::to_string(++polls) + "/70"; }); }
  // However often it polled meanwhile, the line shows the last poll, made as the watch ended.
  ASSERT_GE(polls, 1);
  EXPECT_EQ(err.str().substr(err.str().rfind('\r')), Erased(std::to_string(polls) + "/70"));
}

}  // namespace
}  // namespace nr::cli
