#include "engine/log/log_follower.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include "engine/log/log_loader.h"

namespace tallix {
namespace {

// Files held in memory that grow, are renamed, truncated and removed as a
// router's log is, each name leading to a file with an inode of its own.
class GrowingFiles : public LogFileSystem {
 public:
  struct File {
    std::string bytes;
    unsigned long long inode = 0;
  };

  void Append(const std::string& path, const std::string& text) {
    if (!names_[path]) names_[path] = NewFile();
    names_[path]->bytes += text;
  }
  void Create(const std::string& path, const std::string& text) {
    names_[path] = NewFile();
    names_[path]->bytes = text;
  }
  void Rename(const std::string& from, const std::string& to) {
    names_[to] = names_[from];
    names_.erase(from);
  }
  void Truncate(const std::string& path, const std::string& text) { names_[path]->bytes = text; }
  void Remove(const std::string& path) { names_.erase(path); }

  Status Open(const std::string& path, uint64_t, std::unique_ptr<LogSource>* source) override {
    if (!names_.count(path)) return Status::NotFound("no " + path);
    *source = std::make_unique<Source>(names_[path]);
    return {};
  }
  uint64_t SizeOf(const std::string& path) const override {
    return names_.count(path) ? names_.at(path)->bytes.size() : 0;
  }
  Status OpenGrowing(const std::string& path, std::unique_ptr<GrowingFile>* file) override {
    if (!names_.count(path)) return Status::NotFound("no " + path);
    *file = std::make_unique<Growing>(names_[path]);
    return {};
  }
  std::optional<FileIdentity> IdentityAt(const std::string& path) const override {
    if (!names_.count(path)) return std::nullopt;
    return FileIdentity{1, names_.at(path)->inode};
  }

 private:
  class Source : public LogSource {
   public:
    explicit Source(std::shared_ptr<File> file) : file_(std::move(file)) {}
    Status Read(char* buffer, size_t length, size_t* got) override {
      *got = std::min(length, file_->bytes.size() - offset_);
      std::memcpy(buffer, file_->bytes.data() + offset_, *got);
      offset_ += *got;
      return {};
    }
    std::optional<uint64_t> size() const override { return std::nullopt; }
    Status ReadAt(uint64_t, char*, size_t) const override { return Status::Error("in order"); }

   private:
    std::shared_ptr<File> file_;
    size_t offset_ = 0;
  };

  class Growing : public GrowingFile {
   public:
    explicit Growing(std::shared_ptr<File> file) : file_(std::move(file)) {}
    Status ReadSome(uint64_t offset, char* buffer, size_t length, size_t* got) override {
      // A few bytes at a time: every block edge is met.
      const size_t size = file_->bytes.size();
      *got = offset >= size ? 0 : std::min({length, size - offset, size_t{7}});
      std::memcpy(buffer, file_->bytes.data() + offset, *got);
      return {};
    }
    uint64_t Size() const override { return file_->bytes.size(); }
    FileIdentity Identity() const override { return {1, file_->inode}; }

   private:
    std::shared_ptr<File> file_;
  };

  std::shared_ptr<File> NewFile() {
    auto file = std::make_shared<File>();
    file->inode = ++inodes_;
    return file;
  }

  std::map<std::string, std::shared_ptr<File>> names_;
  unsigned long long inodes_ = 0;
};

constexpr char kPath[] = "/var/log/router";

std::string Call(int day, int n) {
  return "Dec " + std::string(day < 10 ? " " : "") + std::to_string(day) +
         " 10:00:" + std::to_string(10 + n % 50) +
         " isdnrouter isdn: call from 01234123456 disconnected, " + "lasted " + std::to_string(n) +
         " seconds";
}

struct Step {
  enum Kind { kAppend, kRotate, kTruncate, kRemove, kCreate } kind;
  std::string text;
};

struct FollowCase {
  const char* name;
  std::string loaded;
  std::vector<Step> steps;
  std::vector<std::string> last_kept;  // "file:line text" of the last kept lines
  int32_t kept = 0;
  std::vector<std::string> days = {"Dec  7"};
  uint64_t beyond = 0;
  std::vector<std::string> warnings = {};
};

class FollowTest : public testing::TestWithParam<FollowCase> {};

// Loads the log, follows it through the steps (a look after each), and
// compares what the loaded log then holds: each line once, with its final
// text, whenever and in however many pieces its line feed came.
TEST_P(FollowTest, KeepsEveryLineOnce) {
  const FollowCase& c = GetParam();
  GrowingFiles files;
  files.Create(kPath, c.loaded);
  LoadResult load = LoadLog(kPath, "isdnrouter", {}, files);
  ASSERT_TRUE(load.status.ok()) << load.status.message();
  LoadedLog& log = load.log;
  log.ForgetUnterminatedTail();
  LogFollower follower(files);
  ASSERT_TRUE(follower.Start(kPath, log.resume, "isdnrouter").ok());
  FollowedLineKeeper keeper(log);
  std::vector<std::string> warnings = {};
  const auto keep = [&](std::span<const FollowedLine> lines) {
    for (const FollowedLine& line : lines) keeper.Keep(line);
  };
  for (const Step& step : c.steps) {
    switch (step.kind) {
      case Step::kAppend:
        files.Append(kPath, step.text);
        break;
      case Step::kRotate:
        files.Rename(kPath, std::string(kPath) + ".1");
        files.Create(kPath, step.text);
        break;
      case Step::kTruncate:
        files.Truncate(kPath, step.text);
        break;
      case Step::kRemove:
        files.Remove(kPath);
        break;
      case Step::kCreate:
        files.Create(kPath, step.text);
        break;
    }
    // A few bytes a look, as a caller does that looks at other things between.
    do {
      ASSERT_TRUE(follower.Poll(keep, 50).ok());
    } while (follower.behind());
    for (std::string& warning : follower.TakeWarnings()) warnings.push_back(std::move(warning));
  }
  std::vector<std::string> last;
  const std::vector<LogLine>& lines = log.LogLines();
  for (size_t i = lines.size() - std::min(lines.size(), c.last_kept.size()); i < lines.size();
       ++i) {
    last.push_back(std::to_string(lines[i].origin.file) + ":" +
                   std::to_string(lines[i].origin.line) + " " + lines[i].text);
  }
  EXPECT_EQ(c.last_kept, last);
  EXPECT_EQ(c.kept, log.LineCount());
  EXPECT_EQ(c.days, log.LogDates());
  EXPECT_EQ(c.beyond, log.LinesBeyondKept);
  EXPECT_EQ(log.LogFilePaths.size(), log.LogFileLines.size());
  EXPECT_EQ(c.warnings, warnings);
}

std::string Lines(int first, int count, int day = 7) {
  std::string text;
  for (int n = first; n < first + count; ++n) text += Call(day, n) + "\n";
  return text;
}

const std::string kB = Call(7, 2);

// A gzip member's header, then bytes that would pass for a call-end line.
const std::string kGzipMember = std::string("\x1f\x8b\x08\x00", 4) + "\n" + Call(7, 9) + "\n";
const std::string kGzipWarning = "'/var/log/router' holds gzip-compressed data from byte " +
                                 std::to_string(Lines(1, 2).size()) +
                                 " on; the rest of that file is not read as lines";

INSTANTIATE_TEST_SUITE_P(
    Cases, FollowTest,
    testing::Values(FollowCase{"Appends",
                               Lines(1, 1),
                               {{Step::kAppend, kB + "\n"}},
                               {"0:1 " + Call(7, 1), "0:2 " + kB},
                               2},
                    FollowCase{
                        "ALineInTwoPieces",
                        Lines(1, 1),
                        {{Step::kAppend, kB.substr(0, 30)}, {Step::kAppend, kB.substr(30) + "\n"}},
                        {"0:2 " + kB},
                        2},
                    FollowCase{"ALineInThreePieces",
                               Lines(1, 1),
                               {{Step::kAppend, kB.substr(0, 5)},
                                {Step::kAppend, kB.substr(5, 50)},
                                {Step::kAppend, kB.substr(55) + "\n"}},
                               {"0:2 " + kB},
                               2},
                    // Half written when the load ended: counted once, when it ends.
                    FollowCase{"APartialLineAtTheStart",
                               Lines(1, 1) + kB.substr(0, kB.size() - 5),
                               {{Step::kAppend, kB.substr(kB.size() - 5) + "\n"}},
                               {"0:1 " + Call(7, 1), "0:2 " + kB},
                               2},
                    FollowCase{"RotationByRename",
                               Lines(1, 1),
                               {{Step::kAppend, kB + "\n"}, {Step::kRotate, Lines(3, 1)}},
                               {"0:2 " + kB, "1:1 " + Call(7, 3)},
                               3},
                    // The old file's last line, without its line feed, is read all the same.
                    FollowCase{"RotationAfterAnUnendedLine",
                               Lines(1, 1),
                               {{Step::kAppend, kB}, {Step::kRotate, Lines(3, 1)}},
                               {"0:2 " + kB, "1:1 " + Call(7, 3)},
                               3},
                    FollowCase{"Truncation",
                               Lines(1, 2),
                               {{Step::kTruncate, Lines(3, 1)}},
                               {"0:2 " + kB, "1:1 " + Call(7, 3)},
                               3},
                    // Truncated, then written past the old offset before the look:
                    // the bytes before it tell, and the new text is read whole.
                    FollowCase{"TruncationGrownPastTheOffset",
                               Lines(1, 1),
                               {{Step::kTruncate, Lines(3, 2)}},
                               {"0:1 " + Call(7, 1), "1:1 " + Call(7, 3), "1:2 " + Call(7, 4)},
                               3},
                    // copytruncate's race: emptied and a line written, then
                    // rewritten longer.
                    FollowCase{"TruncationThenARewrite",
                               Lines(1, 2),
                               {{Step::kTruncate, Lines(3, 1)}, {Step::kTruncate, Lines(4, 2)}},
                               {"1:1 " + Call(7, 3), "2:1 " + Call(7, 4), "2:2 " + Call(7, 5)},
                               5},
                    // Appended gzip members are not lines; the file after a
                    // truncation is read again.
                    FollowCase{"CompressedBytesAppended",
                               Lines(1, 1),
                               {{Step::kAppend, Lines(2, 1) + kGzipMember},
                                {Step::kAppend, kGzipMember},
                                {Step::kTruncate, Lines(3, 1)}},
                               {"0:1 " + Call(7, 1), "0:2 " + Call(7, 2), "1:1 " + Call(7, 3)},
                               3,
                               {"Dec  7"},
                               0,
                               {kGzipWarning}},
                    FollowCase{"AFileThatVanishesAndReturns",
                               Lines(1, 1),
                               {{Step::kRemove, ""}, {Step::kCreate, Lines(3, 1)}},
                               {"0:1 " + Call(7, 1), "1:1 " + Call(7, 3)},
                               2},
                    FollowCase{"ANewDay",
                               Lines(1, 1),
                               {{Step::kAppend, Lines(2, 1, 8)}},
                               {"0:2 " + Call(8, 2)},
                               2,
                               {"Dec  7", "Dec  8"}},
                    FollowCase{"TheKeptLimitReachedExactly",
                               Lines(1, LoadedLog::kLogLineEntries - 1),
                               {{Step::kAppend, Lines(9, 1, 8)}},
                               {"0:40001 " + Call(8, 9)},
                               LoadedLog::kLogLineEntries,
                               {"Dec  7", "Dec  8"}},
                    FollowCase{"TheKeptLimitPassedByOne",
                               Lines(1, LoadedLog::kLogLineEntries - 1),
                               {{Step::kAppend, Lines(9, 1, 8)}, {Step::kAppend, Lines(10, 1, 9)}},
                               {"0:40001 " + Call(8, 9)},
                               LoadedLog::kLogLineEntries,
                               {"Dec  7", "Dec  8"},
                               1}),
    [](const testing::TestParamInfo<FollowCase>& row) { return row.param.name; });

}  // namespace
}  // namespace tallix
