#pragma once
// The program-wide tables that every command shares: the kept lines of the
// loaded log, the day list, the site configuration and the results of the last
// tally. One instance lives for the whole run of a program; every table is
// allocated once, at its full size, by the constructor and never grows. Only
// the bytes of the kept lines come with each load.
//
// Entries beyond a valid count keep whatever earlier work left in them and are
// never read: every reader stops at the matching count.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "engine/app/line_fields.h"
#include "engine/app/line_table.h"
#include "engine/app/zeroed_array.h"

namespace tallix {

// A call's time stamp as the tally stores it: the first kMaxLength bytes of
// its kept line, or the whole line when that is shorter. Held in place, so
// that a table of them needs no allocation per entry; all zero bytes are the
// empty stamp.
class CallStamp {
 public:
  static constexpr size_t kMaxLength = kStampWidth;

  // Keeps the first kMaxLength bytes of `text`.
  CallStamp& operator=(std::string_view text) {
    size_ = static_cast<uint8_t>(std::min(text.size(), kMaxLength));
    // A whole stamp, the usual case, is one copy of a fixed size.
    if (size_ == kMaxLength) {
      std::memcpy(bytes_, text.data(), kMaxLength);
    } else if (size_ > 0) {
      std::memcpy(bytes_, text.data(), size_);
    }
    return *this;
  }
  operator std::string_view() const { return {bytes_, size_}; }
  std::string_view view() const { return {bytes_, size_}; }
  friend bool operator==(const CallStamp& a, std::string_view b) { return a.view() == b; }

 private:
  char bytes_[kMaxLength];
  uint8_t size_;
};

// A call table indexed (call, site), as the tally fills it. Stored site by site
// so that one site's calls are contiguous. The cells start as zero bytes, and
// the pages that no tally reaches are never touched: a small log costs no more
// than it fills.
template <typename T>
class CallTable {
 public:
  static constexpr int kCalls = 10001;  // calls 0..10000 per site
  static constexpr int kSites = 11;     // sites 0..10

  // REQUIRES: 0 <= call < kCalls, 0 <= site < kSites.
  T& operator()(int call, int site) { return cells_[Index(call, site)]; }
  const T& operator()(int call, int site) const { return cells_[Index(call, site)]; }

 private:
  static size_t Index(int call, int site) {
    return static_cast<size_t>(site) * kCalls + static_cast<size_t>(call);
  }
  ZeroedArray<T> cells_{static_cast<size_t>(kCalls) * kSites};
};

// Where a kept line came from: the file (an index into LogFilePaths) and its
// 1-based line number in that file's text, counted after decompression.
struct LineOrigin {
  uint32_t file;
  uint32_t line;
};

struct TallixData {
  static constexpr int32_t kLogLineEntries = LineTable::kEntries;  // 40001: LogLines 0..40000
  static constexpr int16_t kLogDateEntries = 101;                  // LogDates 0..100
  static constexpr int16_t kSiteEntries = 11;                      // site tables 0..10
  static constexpr int16_t kMaxSiteCount = 10;                     // the main window has ten rows
  static constexpr int16_t kMaxCallsPerSite = CallTable<int>::kCalls;

  TallixData();
  TallixData(const TallixData&) = delete;
  TallixData& operator=(const TallixData&) = delete;

  // Log data, written only by the loader.
  std::string LogFilePath;
  // Every file of the loaded log, in the order loaded: LogFilePath alone, or
  // the several files of one load (LogFilePath is then the first).
  std::vector<std::string> LogFilePaths;
  int32_t LogFileSize = 0;
  LineTable LogLines;  // kLogLineEntries entries
  int32_t LineCount = 0;
  ZeroedArray<LineOrigin> LogLineOrigins{static_cast<size_t>(kLogLineEntries)};  // as LogLines
  // The lines of each file of LogFilePaths: its line feeds, plus one when a
  // non-empty file does not end with one.
  std::vector<uint64_t> LogFileLines;
  // Call-end lines found past the kLogLineEntries that LogLines keeps.
  uint64_t LinesBeyondKept = 0;
  std::vector<std::string> LogDates;  // kLogDateEntries entries
  int16_t DateCount = 0;

  // Site configuration, written by the configuration reader and the Options dialog.
  int16_t SiteCount = 0;
  std::string RouterIdentifier;
  std::array<std::string, kSiteEntries> SiteNames;
  std::array<std::string, kSiteEntries> SiteNumbers;

  // Results of the last tally.
  std::array<int16_t, kSiteEntries> SiteCallCounts{};
  std::array<int32_t, kSiteEntries> SiteSeconds{};
  CallTable<CallStamp> CallStamps;
  CallTable<int32_t> CallSeconds;

  // The value last given to EnableResultCommands.
  bool ResultCommandsEnabled = false;
};

// SiteCount brought into 0..kMaxSiteCount. Every reader of the site tables
// loops to this, so a count that escaped every check still reads nothing
// outside the tables.
int SitesInUse(const TallixData& data);

// LineCount brought into 0..kLogLineEntries, for the same reason.
int LinesInUse(const TallixData& data);

// A site's call count brought into 0..kMaxCallsPerSite.
int CallsInUse(const TallixData& data, int site);

}  // namespace tallix
