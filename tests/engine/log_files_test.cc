// Logs as they are kept: several files loaded as one, and compressed files
// (gzip, xz, zstd, bzip2) read as their plain text; a damaged or cut-short one fails
// the whole load with its reason.

#include <bzlib.h>
#include <gtest/gtest.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

#include <memory>

#include "engine/log/log_loader.h"
#include "engine/log/log_text_reader.h"
#include "support/fake_log_files.h"
#include "support/test_util.h"

namespace tallix {
namespace {

using testing_util::FakeLogFiles;
using testing_util::KeptLines;
using testing_util::TempDir;
using testing_util::WriteFile;

std::string Line(int day, int n) {
  return "Dec " + std::to_string(day) + " 10:00:0" + std::to_string(n % 10) +
         " isdnrouter call from 01234123456 disconnected, lasted " + std::to_string(n) + " s";
}

std::string Gzip(const std::string& text) {
  z_stream z{};
  EXPECT_EQ(Z_OK, deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY));
  std::string out(deflateBound(&z, static_cast<uLong>(text.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(Z_STREAM_END, deflate(&z, Z_FINISH));
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::string Xz(const std::string& text) {
  std::string out(lzma_stream_buffer_bound(text.size()), '\0');
  size_t used = 0;
  EXPECT_EQ(LZMA_OK,
            lzma_easy_buffer_encode(6, LZMA_CHECK_CRC64, nullptr,
                                    reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                                    reinterpret_cast<uint8_t*>(out.data()), &used, out.size()));
  out.resize(used);
  return out;
}

std::string Zstd(const std::string& text) {
  std::string out(ZSTD_compressBound(text.size()), '\0');
  out.resize(ZSTD_compress(out.data(), out.size(), text.data(), text.size(), 3));
  return out;
}

std::string Bzip2(const std::string& text) {
  auto size = static_cast<unsigned>(text.size() + text.size() / 100 + 601);
  std::string out(size, '\0');
  EXPECT_EQ(BZ_OK, BZ2_bzBuffToBuffCompress(out.data(), &size, const_cast<char*>(text.data()),
                                            static_cast<unsigned>(text.size()), 9, 0, 0));
  out.resize(size);
  return out;
}

// As pzstd begins its files.
const std::string kZstdSkippableFrame("\x50\x2a\x4d\x18\x03\0\0\0abc", 11);

std::string Repeat(const std::string& bytes, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += bytes;
  return out;
}

TEST(LogFiles, SeveralFilesLoadAsOneLogInOrder) {
  const std::string a = Line(5, 1), b = Line(5, 2), c = Line(6, 3);
  using Origins = std::vector<std::pair<uint32_t, uint32_t>>;  // file, line
  const struct {
    const char* name;
    std::vector<std::string> files;
    std::vector<std::string> kept;
    std::vector<std::string> days;
    Origins origins;
    std::vector<uint64_t> file_lines;
  } rows[] = {
      // The last piece of a file ends its line: it never joins the next file's first.
      {"no final feed, then one",
       {a + "\n" + b, c + "\n"},
       {a, b, c},
       {"Dec 5 ", "Dec 6 "},
       {{0, 1}, {0, 2}, {1, 1}},
       {2, 1}},
      {"final feed, then none",
       {a + "\n", b + "\r\n" + c},
       {a, b + "\r", c},
       {"Dec 5 ", "Dec 6 "},
       {{0, 1}, {1, 1}, {1, 2}},
       {1, 2}},
      {"empty and one-byte files", {"", "x", a, "\n"}, {a}, {"Dec 5 "}, {{2, 1}}, {0, 1, 1, 1}},
      {"a day run across files", {c + "\n", c}, {c, c}, {"Dec 6 "}, {{0, 1}, {1, 1}}, {1, 1}},
      {"compressed members",
       {Gzip(a + "\n") + Gzip(b),
        Xz("\n\n" + c.substr(0, 5)) + std::string(4, '\0') + Xz(c.substr(5)),
        Zstd(a) + Zstd("\n\r\n" + b + "\n")},
       {a, b, c, a, b},
       {"Dec 5 ", "Dec 6 ", "Dec 5 "},
       {{0, 1}, {0, 2}, {1, 3}, {2, 1}, {2, 3}},
       {2, 3, 3}},
      {"bzip2 streams, zstd after a skippable frame",
       {Bzip2(a + "\n") + Bzip2(b), kZstdSkippableFrame + Zstd(c)},
       {a, b, c},
       {"Dec 5 ", "Dec 6 "},
       {{0, 1}, {0, 2}, {1, 1}},
       {2, 1}},
      // Each member gives the reader one byte: lines are still counted right.
      {"many one-byte members",
       {Repeat(Gzip("\n"), 20000) + Gzip(a), Repeat(Zstd("\n"), 20000) + Zstd(b + "\n")},
       {a, b},
       {"Dec 5 "},
       {{0, 20001}, {1, 20001}},
       {20001, 20001}},
  };
  for (const auto& row : rows) {
    TempDir dir;
    std::vector<std::string> paths;
    for (size_t i = 0; i < row.files.size(); ++i) {
      paths.push_back(dir.Path("router.log." + std::to_string(i)));
      WriteFile(paths.back(), row.files[i]);
    }
    const LoadResult r = LoadLogs(paths, "isdnrouter");
    EXPECT_TRUE(r.status.ok()) << row.name << ": " << r.status.message();
    EXPECT_EQ(row.kept, KeptLines(r.log)) << row.name;
    EXPECT_EQ(row.days, r.log.LogDates()) << row.name;
    EXPECT_EQ(paths, r.log.LogFilePaths) << row.name;
    EXPECT_EQ(paths[0], r.log.LogFilePath()) << row.name;
    Origins origins;
    for (const LogLine& line : r.log.LogLines()) {
      origins.emplace_back(line.origin.file, line.origin.line);
    }
    EXPECT_EQ(row.origins, origins) << row.name;
    EXPECT_EQ(row.file_lines, r.log.LogFileLines) << row.name;
  }
}

// A file whose size says 0 holds text all the same, read to its end.
TEST(LogFiles, SizeZeroIsReadToItsEnd) {
  const LoadResult r = LoadLog("/proc/self/status", "isdnrouter");
  ASSERT_TRUE(r.status.ok());
  ASSERT_EQ(1u, r.log.LogFileLines.size());
  EXPECT_LT(5u, r.log.LogFileLines[0]);
}

// The reader gives a text exactly as long as its limit, and refuses one byte
// more, whatever the compression and wherever a member ends.
TEST(LogTextReader, TextUpToItsLimitIsReadOneByteMoreIsRefused) {
  constexpr uint64_t kLimit = 100;
  const std::string half(kLimit / 2, 'x');
  using Compress = std::string (*)(const std::string&);
  for (const Compress compress : {Compress{Gzip}, Compress{Xz}, Compress{Zstd}}) {
    const struct {
      std::string bytes;
      bool within;
    } rows[] = {
        {compress(half + half), true},
        {compress(half) + compress(half), true},
        {compress(half + half + "x"), false},
        {compress(half) + compress(half) + compress("x"), false},
        {compress(half + half) + compress(""), true},
    };
    for (const auto& row : rows) {
      const std::string path = "/router.log";
      FakeLogFiles files;
      files.Add(path, {row.bytes, 3, false});
      std::unique_ptr<LogSource> source;
      ASSERT_TRUE(files.Open(path, 1 << 20, &source).ok());
      // The first bytes go to the reader as read already, the rest it reads.
      char first[4];
      size_t first_size = 0;
      ASSERT_TRUE(source->Read(first, sizeof first, &first_size).ok());
      LogTextReader reader(*source, path, CompressionOf(row.bytes), {first, first_size}, kLimit);
      std::string text;
      Status last;
      size_t got = 1;
      // A reader stuck at the limit would go on for ever: a few reads more
      // than the text needs are enough.
      for (int reads = 0; reads < 40 && last.ok() && got > 0; ++reads) {
        char block[7];
        last = reader.Read(block, sizeof block, &got);
        text.append(block, got);
      }
      if (row.within) {
        EXPECT_TRUE(last.ok()) << last.message();
        EXPECT_EQ(0u, got);
        EXPECT_EQ(half + half, text);
      } else {
        EXPECT_EQ("cannot read '" + path + "': its text is larger than 100 bytes", last.message());
      }
    }
  }
}

TEST(LogFiles, LimitsApplyToTheWholeLoad) {
  TempDir dir;
  std::string half;
  for (int n = 0; n < 20001; ++n) half += Line(5, n) + "\n";
  WriteFile(dir.Path("a.log"), half);
  WriteFile(dir.Path("b.log.gz"), Gzip(half));
  const LoadResult r = LoadLogs({dir.Path("a.log"), dir.Path("b.log.gz")}, "isdnrouter");
  EXPECT_TRUE(r.status.ok());
  EXPECT_EQ(40001, r.log.LineCount());
  EXPECT_EQ(std::vector<std::string>{"the log holds 1 more call-end lines than the 40001 that "
                                     "can be kept; they were not loaded"},
            r.log.LimitWarnings());
  EXPECT_EQ(static_cast<int32_t>(2 * half.size()), r.log.LogFileSize);
  EXPECT_EQ(1u, r.log.LinesBeyondKept);
}

TEST(LogFiles, DamagedCompressedFileFailsTheLoad) {
  const std::string text = Line(5, 1) + "\n" + Line(6, 2) + "\n";
  const std::string gz = Gzip(text);
  std::string bad_check = gz;
  bad_check[gz.size() - 6] ^= 1;  // the CRC-32 of the text
  std::string bad_method = gz;
  bad_method[2] = 7;  // not deflate
  const struct {
    const char* name;
    std::string bytes;
    std::string reason;
  } rows[] = {
      {"cut short", gz.substr(0, gz.size() - 5), "the gzip data is cut short"},
      {"cut in the header", gz.substr(0, 5), "the gzip data is cut short"},
      {"checksum", bad_check, "the gzip data is damaged (checksum mismatch)"},
      {"method", bad_method, "the gzip data is damaged (unknown compression method)"},
      {"stray bytes", gz + "stray bytes", "stray bytes after the compressed data"},
      {"second member cut short", gz + gz.substr(0, 4), "the gzip data is cut short"},
      {"xz cut short", Xz(text).substr(0, 30), "the xz data is cut short"},
      {"xz stray bytes", Xz(text) + "xy", "stray bytes after the compressed data"},
      {"xz bad padding", Xz(text) + std::string(3, '\0'), "stray bytes after the compressed data"},
      {"xz second stream cut short", Xz(text) + Xz(text).substr(0, 8), "the xz data is cut short"},
      {"zstd cut short", Zstd(text).substr(0, 12), "the zstd data is cut short"},
      {"zstd stray bytes", Zstd(text) + "xy", "stray bytes after the compressed data"},
      {"bzip2 cut short", Bzip2(text).substr(0, 30), "the bzip2 data is cut short"},
      {"bzip2 stray bytes", Bzip2(text) + "xy", "stray bytes after the compressed data"},
      {"lz4", "\x04\x22\x4d\x18\x64\x40\xa7",
       "it is lz4-compressed, which Tallix does not read; decompress it first (lz4 -d @)"},
      {"lzip", "LZIP\x01\x0c",
       "it is lzip-compressed, which Tallix does not read; "
       "decompress it first (lzip -d @)"},
      {"legacy lzma", std::string("\x5d\0\0\x80\0\xff", 6),
       "it is lzma-compressed, which Tallix does not read; decompress it first (unlzma @)"},
  };
  for (const auto& row : rows) {
    TempDir dir;
    WriteFile(dir.Path("good.log"), Line(7, 7));
    WriteFile(dir.Path("router.log.gz"), row.bytes);
    const LoadResult r = LoadLogs({dir.Path("good.log"), dir.Path("router.log.gz")}, "isdnrouter");
    EXPECT_FALSE(r.status.ok()) << row.name;
    std::string reason = row.reason;
    if (const size_t at = reason.find('@'); at != std::string::npos) {
      reason.replace(at, 1, dir.Path("router.log.gz"));
    }
    EXPECT_EQ("log file: cannot read '" + dir.Path("router.log.gz") + "': " + reason,
              r.status.message())
        << row.name;
    EXPECT_EQ(0, r.log.LineCount()) << row.name;
    EXPECT_TRUE(r.log.LogFilePaths.empty()) << row.name;
  }
}

}  // namespace
}  // namespace tallix
