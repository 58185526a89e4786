#pragma once
// The program-wide tables that every command shares: the kept lines of the
// loaded log, the day list, the site configuration and the results of the last
// tally. One instance lives for the whole run of a program; every table is
// allocated once, at its full size, by the constructor and never grows.
//
// Entries beyond a valid count keep whatever earlier work left in them and are
// never read: every reader stops at the matching count.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tallix {

// A call table indexed (call, site), as the tally fills it. Stored site by site
// so that one site's calls are contiguous.
template <typename T>
class CallTable {
 public:
  static constexpr int kCalls = 10001;  // calls 0..10000 per site
  static constexpr int kSites = 11;     // sites 0..10

  CallTable() : cells_(static_cast<size_t>(kCalls) * kSites) {}

  // REQUIRES: 0 <= call < kCalls, 0 <= site < kSites.
  T& operator()(int call, int site) { return cells_[Index(call, site)]; }
  const T& operator()(int call, int site) const { return cells_[Index(call, site)]; }

 private:
  static size_t Index(int call, int site) {
    return static_cast<size_t>(site) * kCalls + static_cast<size_t>(call);
  }
  std::vector<T> cells_;
};

struct TallixData {
  static constexpr int32_t kLogLineEntries = 40001;  // LogLines 0..40000
  static constexpr int16_t kLogDateEntries = 101;    // LogDates 0..100
  static constexpr int16_t kSiteEntries = 11;        // site tables 0..10
  static constexpr int16_t kMaxSiteCount = 10;       // the main window has ten rows
  static constexpr int16_t kMaxCallsPerSite = CallTable<int>::kCalls;

  TallixData();
  TallixData(const TallixData&) = delete;
  TallixData& operator=(const TallixData&) = delete;

  // Log data, written only by the loader.
  std::string LogFilePath;
  int32_t LogFileSize = 0;
  std::vector<std::string> LogLines;  // kLogLineEntries entries
  int32_t LineCount = 0;
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
  CallTable<std::string> CallStamps;
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
