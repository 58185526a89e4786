// How LoadLog reads a log: in blocks of any size, as a file or as a stream,
// in one part or two, it must give exactly what it gives reading the same
// bytes in order in large blocks; and a file that changes while it is read must give an error or
// the right result, never a crash.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>

#include "engine/analysis/tally.h"
#include "engine/log/line_scanner.h"
#include "engine/log/log_loader.h"
#include "support/fake_log_files.h"
#include "support/test_util.h"

namespace tallix {
namespace {

using testing_util::AfterOpen;
using testing_util::FakeLogFiles;
using testing_util::TempDir;
using testing_util::WriteFile;

// The lines the scanner keeps of `text` fed `block` bytes at a time.
KeptLines ScanInBlocks(std::string_view text, size_t block) {
  KeptLines kept;
  const KeptLineFinders finders("isdnrouter");
  LineScanner scanner(finders, kept);
  for (size_t at = 0; at < text.size(); at += block) scanner.Feed(text.substr(at, block));
  scanner.Finish();
  return kept;
}

// Everything a load leaves for the rest of the program.
struct Loaded {
  bool ok = false;
  std::string message;
  std::vector<std::string> warnings;
  int32_t size = 0;
  std::vector<std::string> lines;
  std::vector<std::string> days;
  std::vector<std::pair<uint32_t, uint32_t>> origins;  // file, line
  std::vector<uint64_t> file_lines;
  uint64_t lines_beyond_kept = 0;

  bool operator==(const Loaded&) const = default;
};

Loaded Snapshot(const LoadResult& r) {
  const LoadedLog& log = r.log;
  Loaded loaded{r.status.ok(),
                r.status.message(),
                log.LimitWarnings(),
                log.LogFileSize,
                testing_util::KeptLines(log),
                log.LogDates(),
                {},
                log.LogFileLines,
                log.LinesBeyondKept};
  for (const LogLine& line : log.LogLines()) {
    loaded.origins.emplace_back(line.origin.file, line.origin.line);
  }
  return loaded;
}

Loaded FromText(const std::string& text) { return Snapshot(testing_util::LoadText(text)); }

Loaded FromFile(const std::string& path, LogFileSystem& files = SystemLogFiles()) {
  return Snapshot(LoadLog(path, "isdnrouter", {}, files));
}

std::string CallLine(int day, int n) {
  // The first six characters name the day: "D" and three digits.
  return "D" + std::to_string(1000 + day).substr(1) + "   10:00:0" + std::to_string(n % 10) +
         " isdnrouter isdn: call from 0123412345" + std::to_string(n % 10) +
         " disconnected, lasted " + std::to_string(n) + " seconds";
}

// A log with kept lines, near misses and noise of many lengths, including
// lines longer than the small chunks the tests read with.
std::string MixedLog(uint32_t seed, int lines) {
  std::mt19937 random(seed);
  std::string text;
  for (int i = 0; i < lines; ++i) {
    switch (random() % 7) {
      case 0:
        text += CallLine(static_cast<int>(random() % 3), i);
        break;
      case 1:
        text += "Dec 12 10:00:00 fileserver sshd: DISCONNECTED by user";
        break;
      case 2:
        text += "Dec 12 10:00:00 ISDNROUTER ntpd: synchronized";
        break;
      case 3:
        text += std::string(random() % 300, 'x') + " isdnrouter " +
                std::string(random() % 200, 'y') + " disconnected";
        break;
      case 4:
        text += "";
        break;
      case 5:
        text += CallLine(1, i) + "\r";
        break;
      case 6:
        text += std::string(random() % 90, '.');
        break;
    }
    if (i + 1 < lines || random() % 2 == 0) text += '\n';
  }
  return text;
}

TEST(LogReading, EveryBlockSizeFileOrStreamGivesTheTextResult) {
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    const std::string text = MixedLog(seed, static_cast<int>(seed * 37 % 200));
    const Loaded expected = FromText(text);
    for (bool seekable : {true, false}) {
      for (size_t block : {size_t{1}, size_t{7}, size_t{64}, size_t{200}, size_t{1} << 20}) {
        FakeLogFiles files;
        files.Add("/log", {text, block, seekable});
        ASSERT_EQ(expected, FromFile("/log", files))
            << "seed " << seed << (seekable ? " file" : " stream") << ", block " << block;
      }
    }
  }
}

// A file large enough to be scanned in two parts: the limit of 40001 kept
// lines counts across them (the first ones in file order are kept, whichever
// part found them), and the line numbers of the second go on from the first.
TEST(LogReading, LargeFileInTwoPartsGivesTheTextResult) {
  std::string text;
  for (int i = 0; text.size() < (33u << 20); ++i) {
    text += i % 10 == 0 ? CallLine(i / 3000, i) : MixedLog(static_cast<uint32_t>(i), 1);
    text += '\n';
  }
  const Loaded expected = FromText(text);
  ASSERT_EQ(2u, expected.warnings.size());
  TempDir dir;
  WriteFile(dir.Path("big.log"), text);
  EXPECT_EQ(expected, FromFile(dir.Path("big.log")));
  FakeLogFiles files;
  files.Add("/log", {text, 4096, true});
  EXPECT_EQ(expected, FromFile("/log", files));
}

// Truncates the log after it was opened: the load finds the file shorter and
// fails with a message, keeping nothing.
TEST(LogReading, FileThatShrinksWhileReadFails) {
  TempDir dir;
  const std::string path = dir.Path("router.log");
  std::string text;
  while (text.size() < (33u << 20)) text += MixedLog(static_cast<uint32_t>(text.size()), 3000);
  for (size_t new_size : {size_t{0}, size_t{10}, size_t{300000}, text.size() - 100}) {
    WriteFile(path, text);
    AfterOpen files([&] { std::filesystem::resize_file(path, new_size); });
    const LoadResult r = LoadLog(path, "isdnrouter", {}, files);
    EXPECT_EQ("log file: cannot read '" + path + "': it became shorter while it was read",
              r.status.message())
        << new_size;
    EXPECT_TRUE(r.log.LogFilePaths.empty()) << new_size;
    EXPECT_EQ(0, r.log.LineCount()) << new_size;
  }
}

// Bytes written after the file was opened are not read: the result is the
// one of the file as it was.
TEST(LogReading, FileThatGrowsWhileReadGivesTheOpenedBytes) {
  TempDir dir;
  const std::string path = dir.Path("router.log");
  const std::string text = MixedLog(4, 500);
  WriteFile(path, text);
  AfterOpen files([&] {
    std::ofstream(path, std::ios::binary | std::ios::app) << "\n" << CallLine(5, 5) << "\n";
  });
  EXPECT_EQ(FromText(text), FromFile(path, files));
}

// The scanner, fed a text in blocks of any sizes, keeps what the reference
// loader keeps from the whole text, long lines compacted alike, each with its
// line number, and counts the text's lines.
TEST(LineScanner, LongLinesInBlocksOfAnySizeGiveTheWholeTextsResult) {
  const size_t n = kLongLineBytes;
  const std::string call = CallLine(0, 75);
  const std::string texts[] = {
      // The keywords first, then a long run.
      call + std::string(n, 'x') + "\n" + call + "\n",
      // The keywords last, in capitals.
      std::string(n, 'y') + " ISDNROUTER DISCONNECTED FROM 01234123450 LASTED 42 s\n\n",
      // "from" cut short by blanks, "lasted" at the text's very end, no line feed.
      "Dec  8" + std::string(n / 2, ' ') + "from 0123" + std::string(n, 'q') +
          " isdnrouter disconnected lasted",
      // Exactly at the limit (kept whole) and one byte over (compacted).
      std::string(n - call.size(), 'w') + call + "\r\n" + std::string(n + 1 - call.size(), 'w') +
          call + "\n",
      // Neither long line holds both words.
      std::string(3 * n, 'v') + " isdnrouter\n" + "disconnected " + std::string(2 * n, 'u') + "\n",
      // The four keywords back to back after a run of zero bytes.
      std::string(n, '\0') + "isdnrouterdisconnectedfromlastedfrom",
  };
  for (const std::string& text : texts) {
    const Loaded expected = FromText(text);
    for (size_t block : {size_t{1}, size_t{5}, size_t{17}, size_t{4096}, n + 1, text.size()}) {
      const KeptLines kept = ScanInBlocks(text, block);
      std::vector<std::string> lines;
      std::vector<std::pair<uint32_t, uint32_t>> origins;
      for (const KeptLine& line : kept.lines) {
        lines.push_back(line.text);
        origins.emplace_back(0, line.feeds_before + 1);
      }
      EXPECT_EQ(expected.lines, lines) << "block " << block;
      EXPECT_EQ(expected.origins, origins) << "block " << block;
      EXPECT_EQ(expected.file_lines, std::vector<uint64_t>{kept.text_lines}) << "block " << block;
    }
  }
}

// A kept line of exactly kLongLineBytes is kept whole, one byte more is
// compacted: found whole inside a block, and held across a block's end.
TEST(LineScanner, CompactsOnlyPastTheThreshold) {
  const std::string call = CallLine(0, 75);
  const std::string before = "noise\n";
  for (const size_t length : {kLongLineBytes, kLongLineBytes + 1}) {
    const std::string line = std::string(length - call.size(), 'w') + call;
    const std::string text = before + line + "\n";
    // The whole text at once; then a block end inside the line.
    for (const size_t block : {text.size(), before.size() + length / 2}) {
      const KeptLines kept = ScanInBlocks(text, block);
      ASSERT_EQ(1u, kept.lines.size()) << length << " " << block;
      if (length == kLongLineBytes) {
        EXPECT_EQ(line, kept.lines[0].text) << block;
      } else {
        char compact[kCompactLineMaxBytes];
        EXPECT_EQ(std::string(compact, CompactLineInto(line, compact)), kept.lines[0].text)
            << block;
      }
    }
  }
}

// A long line keeps its stamp whole, so that it is read and mended as in a
// short line: found whole inside a block, and held across a block's end.
TEST(LineScanner, LongLinesKeepTheirStamp) {
  const std::string call = " isdnrouter isdn: call from 0123412345 disconnected, lasted 9 s";
  for (const std::string stamp : {"Dec  7 10:00:01", "2026-12-07T10:00:01.123456789+01:00",
                                  "2026-12-07 10:00:01Z", "2026-12-07T10:00:01+0100"}) {
    const std::string line = stamp + std::string(kLongLineBytes, ' ') + call;
    const std::string text = "noise\n" + line + "\n";
    for (const size_t block : {text.size(), size_t{40}}) {
      const KeptLines kept = ScanInBlocks(text, block);
      ASSERT_EQ(1u, kept.lines.size()) << stamp;
      const LineStamp whole = ReadLineStamp(line);
      EXPECT_EQ(whole.form, kept.lines[0].stamp.form) << stamp << " " << block;
      EXPECT_EQ(whole.year, kept.lines[0].stamp.year) << stamp << " " << block;
      EXPECT_EQ(whole.offset_minutes, kept.lines[0].stamp.offset_minutes) << stamp;
      EXPECT_EQ("Dec  7 10:00:01  from 0123412345  lasted 9 s", kept.lines[0].text) << stamp;
    }
  }
}

// What is kept of a long line reads the same time stamp, number and
// duration as the whole line.
TEST(CompactLineInto, ReadsTheSameFieldsAsTheWholeLine) {
  const std::string gap(kLongLineBytes, '.');
  const std::string lines[] = {
      "Dec  7 10:00:01 no keywords at all" + gap,
      "Dec  7 from 0123412345 lasted 9" + gap,
      "Dec  7 10:00:01 " + gap + "FROM 01234123451 and " + gap + "Lasted 75 seconds" + gap,
      "Dec  7 10:00:01 " + gap + "lasted 12.5 then from 01234123452" + gap,
      "Dec  7 10:00:01 " + gap + "from 0lasted 99 seconds" + gap,
      "Dec  7 10:00:01 " + gap + "lasted 1e3" + gap + "from 0123",
      "Dec  7 10:00:0" + gap + "fro" + gap + "m from",
  };
  for (const std::string& line : lines) {
    char bytes[kCompactLineMaxBytes];
    const std::string compact(bytes, CompactLineInto(line, bytes));
    EXPECT_LE(compact.size(), kCompactLineMaxBytes);
    const CallFields whole = ReadCallFields(line);
    const CallFields kept = ReadCallFields(compact);
    EXPECT_EQ(whole.stamp, kept.stamp) << compact;
    EXPECT_EQ(whole.number, kept.number) << compact;
    EXPECT_EQ(whole.seconds, kept.seconds) << compact;
    EXPECT_EQ(whole.seconds_fit, kept.seconds_fit) << compact;
  }
}

// A progress callback that says no stops the load, which fails as cancelled
// and keeps nothing, even when it says so only at the last report, after
// every byte was read; one that says yes sees the bytes grow to the file's
// size.
TEST(LogReading, ProgressCallbackCancelsOrFollowsTheLoad) {
  TempDir dir;
  const std::string path = dir.Path("router.log");
  std::string text;
  while (text.size() < (9u << 20)) text += MixedLog(static_cast<uint32_t>(text.size()), 200);
  WriteFile(path, text);
  const Loaded expected = FromText(text);
  enum Answer { kNoAtOnce, kYes, kNoAtTheEnd };
  for (Answer answer : {kNoAtOnce, kYes, kNoAtTheEnd}) {
    std::vector<uint64_t> seen;
    LoadOptions options;
    options.progress = [&](uint64_t done, uint64_t total) {
      EXPECT_EQ(text.size(), total);
      seen.push_back(done);
      return answer == kYes || (answer == kNoAtTheEnd && done < total);
    };
    const LoadResult r = LoadLog(path, "isdnrouter", options);
    ASSERT_GE(seen.size(), 1u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_LE(seen.back(), text.size());
    if (answer == kYes) {
      EXPECT_EQ(expected, Snapshot(r));
      EXPECT_EQ(text.size(), seen.back());
    } else {
      EXPECT_TRUE(r.status.cancelled());
      EXPECT_EQ(kLoadCancelled, r.status.message());
      if (answer == kNoAtOnce) {
        EXPECT_EQ(1u, seen.size());
      }
      EXPECT_TRUE(r.log.LogFilePaths.empty());
      EXPECT_EQ(0, r.log.LineCount());
    }
  }
}

}  // namespace
}  // namespace tallix
