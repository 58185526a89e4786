// Keyword search, the line finder and the line feed count, each against a
// plain byte-by-byte reference: the vector routines must find exactly what a
// byte loop finds, wherever a vector's edge falls.

#include "engine/log/text_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <vector>

namespace tallix {
namespace {

size_t ReferenceFind(std::string_view hay, std::string_view needle) {
  if (needle.size() > hay.size()) return std::string_view::npos;
  for (size_t i = 0; i + needle.size() <= hay.size(); ++i) {
    size_t k = 0;
    while (k < needle.size() && FoldCase(hay[i + k]) == FoldCase(needle[k])) ++k;
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}

std::vector<LineSpan> ReferenceLines(std::string_view text, std::string_view a,
                                     std::string_view b) {
  std::vector<LineSpan> lines;
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    if (ReferenceFind(line, a) != std::string_view::npos &&
        ReferenceFind(line, b) != std::string_view::npos) {
      lines.push_back({pos, end});
    }
    pos = end + 1;
  }
  return lines;
}

std::vector<LineSpan> FoundLines(std::string_view text, std::string_view a, std::string_view b) {
  const NoCaseFinder anchor(a);
  const NoCaseFinder other(b);
  std::vector<LineSpan> lines;
  LineSpan line;
  for (size_t from = 0; from < text.size() && FindLineWithBoth(text, from, anchor, other, &line);
       from = line.end + 1) {
    lines.push_back(line);
  }
  return lines;
}

std::string Describe(const std::vector<LineSpan>& lines) {
  std::string out;
  for (const LineSpan& l : lines)
    out += std::to_string(l.begin) + "-" + std::to_string(l.end) + " ";
  return out;
}

TEST(TextSearch, WorkedExamples) {
  const struct {
    std::string hay;
    std::string needle;
    size_t expected;
  } cases[] = {
      {"DISCONNECTED", "disconnected", 0},
      {"xx Disconnected", "disconnected", 3},
      {"disconnecte", "disconnected", std::string_view::npos},
      {"", "a", std::string_view::npos},
      {"abc", "", 0},
      {"", "", 0},
      // Only letters have a case: '@' (0x40) and '`' (0x60) differ by the
      // case bit, as do '[' and '{', and 0xc4 and 0xe4.
      {"`x", "@x", std::string_view::npos},
      {"a{b", "a[b", std::string_view::npos},
      {"\xe4z", "\xc4z", std::string_view::npos},
      {"\xc4Z", "\xc4z", 0},
      {"call from 0123", "FROM", 5},
      {"fromfrom", "from", 0},
      {"lasted lasted", "LASTED", 0},
      {"ab\r\n", "b\r", 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, NoCaseFinder(c.needle).Find(c.hay))
        << "'" << c.needle << "' in '" << c.hay << "'";
  }
}

// The needle at every offset of haystacks around the 16-, 32- and 64-byte
// block sizes, in mixed case, with near misses before it.
TEST(TextSearch, EveryOffsetAcrossBlockEdges) {
  for (const std::string needle :
       {"d", "dd", "isdnrouter", "disconnected", "sixteen-bytes-xx", "seventeen-bytes-x",
        "a 40-byte keyword, longer than one block"}) {
    for (size_t size : {needle.size(), size_t{15}, size_t{16}, size_t{17}, size_t{31}, size_t{32},
                        size_t{33}, size_t{63}, size_t{64}, size_t{65}, size_t{100}, size_t{130}}) {
      if (size < needle.size()) continue;
      for (size_t at = 0; at + needle.size() <= size; ++at) {
        std::string hay(size, '.');
        // A near miss: right first and last byte, wrong middle.
        if (needle.size() >= 3 && at >= needle.size()) {
          std::string miss = needle;
          miss[needle.size() / 2] = '#';
          hay.replace(0, miss.size(), miss);
        }
        std::string placed = needle;
        for (size_t k = 0; k < placed.size(); k += 2) {
          placed[k] = static_cast<char>(std::toupper(static_cast<unsigned char>(placed[k])));
        }
        hay.replace(at, placed.size(), placed);
        ASSERT_EQ(ReferenceFind(hay, needle), NoCaseFinder(needle).Find(hay))
            << "'" << needle << "' at " << at << " of " << size;
      }
      ASSERT_EQ(std::string_view::npos, NoCaseFinder(needle).Find(std::string(size, '.')));
    }
  }
}

TEST(TextSearch, RandomTextMatchesReference) {
  std::mt19937 random(11);
  const std::string alphabet = "dDiIsSnNrRcCoOeEtT \n\r@`\xc4\xe4";
  for (int round = 0; round < 3000; ++round) {
    std::string hay(random() % 300, ' ');
    for (char& c : hay) c = alphabet[random() % alphabet.size()];
    const std::string needle = round % 3 == 0 ? "dis" : (round % 3 == 1 ? "Sn" : "disconnected");
    if (round % 5 == 0 && !hay.empty()) hay.replace(random() % hay.size(), 0, "DiScOnNeCtEd");
    ASSERT_EQ(ReferenceFind(hay, needle), NoCaseFinder(needle).Find(hay)) << hay;
  }
}

TEST(TextSearch, LinesWithBothWorkedExamples) {
  const struct {
    std::string text;
    std::string a;
    std::string b;
    std::string expected;  // begin-end of each line found
  } cases[] = {
      {"isdnrouter: x disconnected\n", "disconnected", "isdnrouter", "0-26 "},
      {"DISCONNECTED ISDNROUTER", "disconnected", "isdnrouter", "0-23 "},
      {"isdnrouter\ndisconnected\n", "disconnected", "isdnrouter", ""},
      {"a disconnected\r\nb isdnrouter disconnected\r\n", "disconnected", "isdnrouter", "16-42 "},
      {"\n\nx disconnected isdnrouter", "disconnected", "isdnrouter", "2-27 "},
      {"disconnected\nisdnrouter disconnected", "disconnected", "", "0-12 13-36 "},
      {"one\ntwo\n", "", "", "0-3 4-7 "},
      {"disconnected isdn\nrouter", "disconnected", "isdn\nrouter", ""},
      {"disconnected isdnrouter\n", "disconnected\n", "isdnrouter", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, Describe(FoundLines(c.text, c.a, c.b))) << c.text;
  }
}

// Lines of every length up to a few blocks, the two words at both ends of a
// line and of the text, with and without carriage returns and a final feed.
TEST(TextSearch, LinesWithBothAcrossBlockEdges) {
  const std::string word = "disconnected";
  const std::string name = "IsdnRouter";
  for (size_t pad = 0; pad < 140; pad += 3) {
    for (int layout = 0; layout < 6; ++layout) {
      std::string line;
      const std::string filler(pad, 'x');
      switch (layout) {
        case 0:
          line = name + filler + word;
          break;
        case 1:
          line = word + filler + name;
          break;
        case 2:
          line = filler + name + " " + word;
          break;
        case 3:
          line = filler + word;
          break;  // the word alone
        case 4:
          line = name + filler + "disconnecte";
          break;
        case 5:
          line = "DISCONNECTED" + filler + "isdnrouteR\r";
          break;
      }
      for (const std::string& before : {std::string(), std::string(pad % 70, 'y') + "\n"}) {
        for (const std::string& after : {std::string(), std::string("\n"), "\nxx " + word}) {
          const std::string text = before + line + after;
          ASSERT_EQ(Describe(ReferenceLines(text, word, "isdnrouter")),
                    Describe(FoundLines(text, word, "isdnrouter")))
              << "layout " << layout << " pad " << pad << ": " << text;
        }
      }
    }
  }
}

TEST(TextSearch, LinesWithBothRandomText) {
  std::mt19937 random(5);
  // The last two make lines longer than the bytes looked at around a match.
  const std::vector<std::string> pieces = {"disconnected",
                                           "DISConnected",
                                           " by uSer",
                                           " by uper",
                                           "isdnrouter",
                                           "ISDN",
                                           "\n",
                                           "\r\n",
                                           " ",
                                           "d",
                                           "r",
                                           "isdnrouteR ntpd",
                                           "x",
                                           std::string(61, '.'),
                                           std::string(127, '-')};
  for (int round = 0; round < 4000; ++round) {
    std::string text;
    // Now and then longer than many vectors.
    const size_t count = round % 400 == 0 ? 3000 : random() % 120;
    for (size_t i = 0; i < count; ++i) text += pieces[random() % pieces.size()];
    const std::string other = round % 4 == 0 ? "r" : "isdnrouter";
    // Also a keyword longer than the 16 bytes a match is first compared on.
    const std::string word = round % 3 == 0 ? "disconnected by user" : "disconnected";
    ASSERT_EQ(Describe(ReferenceLines(text, word, other)), Describe(FoundLines(text, word, other)))
        << text;
    // Counting as it goes, the search gives each line the line feeds before
    // it, and all of them at the end.
    const NoCaseFinder anchor(word);
    const NoCaseFinder router(other);
    uint64_t feeds = 0;
    LineSpan line;
    for (size_t from = 0;
         from < text.size() && FindLineWithBoth(text, from, anchor, router, &line, &feeds);
         from = line.end + 1) {
      ASSERT_EQ(std::count(text.begin(), text.begin() + line.begin, '\n'), feeds) << text;
      if (line.end < text.size()) ++feeds;
    }
    ASSERT_EQ(std::count(text.begin(), text.end(), '\n'), feeds) << text;
  }
}

// Line feeds counted, and the first byte that could begin one of several
// keywords found, at every length and start around the vector widths, and
// past the point where a vector of byte counts would overflow.
TEST(TextSearch, LineFeedsAndFirstBytesMatchPlainLoops) {
  std::mt19937 random(5);
  const NoCaseFinder from("from");
  const NoCaseFinder lasted("Lasted");
  const NoCaseFinder* const finders[] = {&from, &lasted};
  std::vector<std::string> texts = {std::string(70000, '\n'), std::string(70000, '.'),
                                    std::string(70000, '\n') + "lasted"};
  for (int round = 0; round < 400; ++round) {
    std::string text(random() % 300, ' ');
    for (char& c : text) c = "\n.xfFlLm"[random() % 8];
    if (round % 3 == 0) text.insert(random() % (text.size() + 1), "LASTED");
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    for (size_t start = 0; start < std::min<size_t>(text.size(), 40); start += 7) {
      const std::string_view view = std::string_view(text).substr(start);
      ASSERT_EQ(static_cast<size_t>(std::count(view.begin(), view.end(), '\n')),
                CountLineFeeds(view))
          << view.size() << " bytes";
      ASSERT_EQ(view.find_first_of("fFlL"), FindAnyFirstByte(view, finders, 2)) << view;
    }
  }
}

}  // namespace
}  // namespace tallix
