#include "log_generator.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>

namespace tallix::bench {
namespace {

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Noise as a busy syslog holds it: mostly other programs, some of which
// write "Disconnected" or "disconnect" (about 3% of lines), and lines of the
// router that are not call ends, so that its name is on about 3% of all
// lines with the call ends; the filter has work to do.
const char* const kRouterNoise[] = {
    "isdnrouter ntpd[%d]: synchronized to 192.0.2.1, stratum %d",
    "isdnrouter isdn: call to 0123412%04d connected, channel B%d",
};
const char* const kDisconnectNoise[] = {
    "mailhost postfix/smtpd[%d]: disconnect from unknown[192.0.2.%d] ehlo=1 mail=1 rcpt=1 quit=1",
    "fileserver sshd[%d]: Disconnected from user backup 198.51.100.%d port 52144",
    "fileserver sshd[%d]: Received disconnect from 198.51.100.%d port 22:11: disconnected by user",
};
const char* const kOtherNoise[] = {
    "mailhost postfix/smtpd[%d]: connect from unknown[192.0.2.%d]",
    "fileserver kernel: [%d.%03d] eth0: link up, 100 Mbps full duplex, flow control rx/tx",
    "fileserver CRON[%d]: (root) CMD (run-parts --report /etc/cron.hourly) session %d",
    "webhost nginx[%d]: 192.0.2.%d - - \"GET /index.html HTTP/1.1\" 200 5120 \"-\" \"Mozilla/5.0\"",
    "fileserver systemd[1]: Started Session %d of user backup (uid %d).",
    "mailhost dovecot[%d]: imap-login: Login: user=<mail>, method=PLAIN, rip=192.0.2.%d, TLS",
};

// A noise line's format: about 2.6% the router's, 3.3% disconnects, the rest others.
const char* NoiseFormat(std::mt19937& random) {
  const auto pick = random() % 1000;
  if (pick < 26) return kRouterNoise[pick % 2];
  if (pick < 59) return kDisconnectNoise[pick % 3];
  return kOtherNoise[pick % 6];
}

std::string Stamp(uint64_t second_of_year) {
  const auto day = static_cast<unsigned>(second_of_year / 86400 % 336);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%s %2u %02u:%02u:%02u", kMonths[day / 28], day % 28 + 1,
                static_cast<unsigned>(second_of_year / 3600 % 24),
                static_cast<unsigned>(second_of_year / 60 % 60),
                static_cast<unsigned>(second_of_year % 60));
  return buffer;
}

}  // namespace

std::vector<std::string> BenchSiteNumbers() {
  std::vector<std::string> numbers;
  for (int s = 0; s < 10; ++s) numbers.push_back("0123412345" + std::to_string(s));
  return numbers;
}

void GenerateLog(const LogShape& shape, const std::function<void(std::string_view)>& sink) {
  constexpr size_t kPiece = 1 << 20;
  std::mt19937 random(shape.seed);
  const std::vector<std::string> numbers = BenchSiteNumbers();
  std::string text;
  text.reserve(kPiece + 256);
  uint64_t written = 0;
  // About 100 bytes a line: spread the kept lines evenly over the whole size.
  const uint64_t total_lines = std::max<uint64_t>(shape.size_bytes / 100, 1);
  const uint64_t every =
      std::max<uint64_t>(total_lines / static_cast<uint64_t>(std::max(shape.kept_lines, 1)), 1);
  int kept = 0;
  uint64_t clock = 0;
  char line[256];
  for (uint64_t i = 0; written + text.size() < shape.size_bytes || kept < shape.kept_lines; ++i) {
    clock += random() % 7;
    const std::string stamp = Stamp(clock);
    if (kept < shape.kept_lines && i % every == every - 1) {
      const size_t site = kept < 10001 ? 0 : 1 + static_cast<size_t>(kept) % 9;
      std::snprintf(line, sizeof line,
                    "%s isdnrouter isdn: call from %s disconnected, lasted %u seconds\n",
                    stamp.c_str(), numbers[site].c_str(), static_cast<unsigned>(random() % 3600));
      ++kept;
    } else {
      const char* format = NoiseFormat(random);
      const int n = std::snprintf(line, sizeof line, "%s ", stamp.c_str());
      std::snprintf(line + n, sizeof line - static_cast<size_t>(n), format,
                    static_cast<int>(random() % 30000), static_cast<int>(random() % 250));
      std::strcat(line, "\n");
    }
    text += line;
    if (text.size() >= kPiece) {
      sink(text);
      written += text.size();
      text.clear();
    }
  }
  if (!text.empty()) sink(text);
}

std::string GenerateLog(const LogShape& shape) {
  std::string text;
  text.reserve(shape.size_bytes + 256);
  GenerateLog(shape, [&text](std::string_view piece) { text.append(piece); });
  return text;
}

}  // namespace tallix::bench
