// How LoadLog reads a file: mapped or read in chunks, in one part or several,
// it must give exactly what LoadLogText gives for the same bytes; and a file
// that changes while it is read must give an error or the right result,
// never a crash.

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "engine/log/log_loader.h"
#include "engine/log/reference_loader.h"
#include "engine/util/bus_error_guard.h"
#include "engine/util/text_file.h"
#include "support/test_util.h"

namespace tallix {
namespace {

using testing_util::TempDir;
using testing_util::WriteFile;

std::unique_ptr<TallixData> NewData() {
  auto data = std::make_unique<TallixData>();
  data->RouterIdentifier = "isdnrouter";
  return data;
}

// Everything a load leaves for the rest of the program.
struct Loaded {
  bool ok = false;
  std::string error;
  std::vector<std::string> warnings;
  int32_t size = 0;
  std::vector<std::string> lines;
  std::vector<std::string> days;

  bool operator==(const Loaded&) const = default;
};

Loaded Snapshot(const LoadResult& r, const TallixData& data) {
  return {r.ok,
          r.error,
          r.warnings,
          data.LogFileSize,
          testing_util::KeptLines(data),
          {data.LogDates.begin(), data.LogDates.begin() + data.DateCount}};
}

Loaded FromText(const std::string& text) {
  auto data = NewData();
  const LoadResult r = LoadLogText(*data, text, "/log");
  return Snapshot(r, *data);
}

Loaded FromFile(const std::string& path, const LoadOptions& options) {
  auto data = NewData();
  const LoadResult r = LoadLog(*data, path, options);
  return Snapshot(r, *data);
}

// Loads `path` mapped and read, in each number of parts, and expects
// `expected` every time.
void ExpectMappedAndReadGive(const Loaded& expected, const std::string& path,
                             std::initializer_list<int> part_counts, size_t chunk_bytes) {
  for (bool map_file : {true, false}) {
    for (int threads : part_counts) {
      LoadOptions options;
      options.map_file = map_file;
      options.threads = threads;
      options.chunk_bytes = chunk_bytes;
      ASSERT_EQ(expected, FromFile(path, options))
          << (map_file ? "mapped, " : "read, ") << threads << " parts";
    }
  }
}

std::string KeptLine(int day, int n) {
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
        text += KeptLine(static_cast<int>(random() % 3), i);
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
        text += KeptLine(1, i) + "\r";
        break;
      case 6:
        text += std::string(random() % 90, '.');
        break;
    }
    if (i + 1 < lines || random() % 2 == 0) text += '\n';
  }
  return text;
}

TEST(LogReading, EveryWayOfReadingGivesTheTextResult) {
  TempDir dir;
  const std::string path = dir.Path("router.log");
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    const std::string text = MixedLog(seed, static_cast<int>(seed * 37 % 200));
    WriteFile(path, text);
    const Loaded expected = FromText(text);
    for (bool map_file : {true, false}) {
      for (int threads : {1, 2, 3, 4}) {
        for (size_t chunk : {size_t{1}, size_t{7}, size_t{64}, size_t{200}, size_t{0}}) {
          LoadOptions options;
          options.map_file = map_file;
          options.threads = threads;
          options.chunk_bytes = chunk;
          LoadOptions::Trace trace;
          options.trace = &trace;
          ASSERT_EQ(expected, FromFile(path, options))
              << "seed " << seed << (map_file ? " mapped" : " read") << ", " << threads
              << " parts, chunk " << chunk;
          EXPECT_EQ(map_file, trace.mapped);
          EXPECT_EQ(threads, trace.parts);
        }
      }
    }
  }
}

// The limit of 40001 kept lines counts across parts: the first ones in file
// order are kept, whichever part found them.
TEST(LogReading, KeptLineLimitAcrossParts) {
  TempDir dir;
  const std::string path = dir.Path("big.log");
  std::string text;
  for (int i = 0; i < 40010; ++i) text += KeptLine(i / 300, i) + "\n";
  WriteFile(path, text);
  const Loaded expected = FromText(text);
  ASSERT_EQ(2u, expected.warnings.size());
  ExpectMappedAndReadGive(expected, path, {1, 3}, 4096);
}

// Kept lines longer than the blocks the loader copies them into, among
// short ones: each gets a block of its own and the short ones go on after it.
TEST(LogReading, KeptLinesLongerThanACopyBlock) {
  TempDir dir;
  const std::string path = dir.Path("long.log");
  std::string text;
  for (size_t length :
       {size_t{10}, size_t{70000}, size_t{5}, size_t{300000}, size_t{0}, size_t{140000}}) {
    text += KeptLine(0, static_cast<int>(length)) + std::string(length, 'z') + "\n";
    text += KeptLine(1, 7) + "\n";
  }
  WriteFile(path, text);
  const Loaded expected = FromText(text);
  ASSERT_EQ(12u, expected.lines.size());
  ExpectMappedAndReadGive(expected, path, {1, 2}, 0);
}

// Truncates the log after it was opened: the mapped read meets pages past the
// new end (a bus error) or zeros within its last page, and must give up the
// mapping; the read that follows finds the file shorter. Either way the load
// fails with a message and the loaded log stays as it was.
TEST(LogReading, FileThatShrinksWhileReadLeavesDataAsItWas) {
  TempDir dir;
  const std::string good = dir.Path("good.log");
  const std::string path = dir.Path("router.log");
  WriteFile(good, KeptLine(0, 1) + "\n");
  const std::string text = MixedLog(3, 3000);
  ASSERT_GT(text.size(), 3u * 4096);
  for (size_t new_size : {size_t{0}, size_t{10}, size_t{4096}, text.size() - 100}) {
    for (bool map_file : {true, false}) {
      WriteFile(path, text);
      auto data = NewData();
      ASSERT_TRUE(LoadLog(*data, good).ok);
      LoadOptions options;
      options.map_file = map_file;
      options.threads = 2;
      options.after_open = [&] { std::filesystem::resize_file(path, new_size); };
      LoadOptions::Trace trace;
      options.trace = &trace;
      const LoadResult r = LoadLog(*data, path, options);
      EXPECT_FALSE(r.ok) << new_size;
      EXPECT_EQ("log file: cannot read '" + path + "': it became shorter while it was read",
                r.error);
      EXPECT_FALSE(trace.mapped);
      EXPECT_TRUE(trace.read);
      EXPECT_EQ(good, data->LogFilePath);
      EXPECT_EQ(std::vector<std::string>{KeptLine(0, 1)}, testing_util::KeptLines(*data));
    }
  }
}

// Bytes written after the file was opened are not read: the result is the
// one of the file as it was.
TEST(LogReading, FileThatGrowsWhileReadGivesTheOpenedBytes) {
  TempDir dir;
  const std::string path = dir.Path("router.log");
  const std::string text = MixedLog(4, 500);
  const Loaded expected = FromText(text);
  for (bool map_file : {true, false}) {
    WriteFile(path, text);
    LoadOptions options;
    options.map_file = map_file;
    options.after_open = [&] {
      std::ofstream(path, std::ios::binary | std::ios::app) << "\n" << KeptLine(5, 5) << "\n";
    };
    EXPECT_EQ(expected, FromFile(path, options));
  }
}

struct TouchPage {
  const char* page;
  char seen;
};

void ReadByte(void* context) {
  auto* touch = static_cast<TouchPage*>(context);
  touch->seen = *static_cast<const volatile char*>(touch->page);
}

TEST(BusErrors, CaughtOnlyInsideAndTheOldHandlerComesBack) {
  TempDir dir;
  const std::string path = dir.Path("mapped");
  WriteFile(path, std::string(3 * 4096, 'z'));
  ReadOnlyFile file;
  ASSERT_TRUE(file.Open(path, 1 << 20).ok);
  FileMapping mapping;
  ASSERT_TRUE(mapping.Map(file));
  struct sigaction before {};
  ASSERT_EQ(0, ::sigaction(SIGBUS, nullptr, &before));

  TouchPage touch{mapping.text().data() + 2 * 4096, 0};
  EXPECT_TRUE(CatchBusErrors(ReadByte, &touch));
  EXPECT_EQ('z', touch.seen);
  std::filesystem::resize_file(path, 4096);
  EXPECT_FALSE(file.SizeUnchanged());
  touch.seen = 0;
  EXPECT_FALSE(CatchBusErrors(ReadByte, &touch));
  EXPECT_EQ(0, touch.seen);
  // The first page is still there.
  touch.page = mapping.text().data();
  EXPECT_TRUE(CatchBusErrors(ReadByte, &touch));
  EXPECT_EQ('z', touch.seen);

  struct sigaction after {};
  ASSERT_EQ(0, ::sigaction(SIGBUS, nullptr, &after));
  EXPECT_EQ(before.sa_handler, after.sa_handler);
}

}  // namespace
}  // namespace tallix
