// Fuzz target: the log text reader on compressed logs. A text taken from the
// input is written plain and compressed (gzip, xz or zstd, in one to three
// members), then perhaps cut short, damaged or followed by stray bytes, and
// read back through a buffer of a chosen size under a small text limit. The
// plain reader's bytes of the plain file are the reference: an intact file
// must give exactly them, or the limit's refusal when they are longer; a file
// cut inside a member, or followed by stray bytes, must be refused. Raw input
// bytes are also read as a file of their own, so the decoders meet anything.
//
// Input layout: byte 0 the kind (bits 0-1: raw, gzip, xz, zstd) and the member
// count (bits 2-3), byte 1 the text limit (255: the loader's own), byte 2 the
// change (bits 0-1: none, cut, flip, stray bytes) and the repeat of the text
// (bits 2-3), byte 3 the read buffer's size and where to cut or flip, then
// the text.

#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/log/log_loader.h"
#include "engine/log/log_source.h"
#include "engine/log/log_text_reader.h"
#include "engine/output/output_file.h"
#include "engine/util/text_file.h"
#include "fuzz_check.h"

namespace tallix::fuzz {
namespace {

std::string Gzip(std::string_view text, int level) {
  z_stream z{};
  Require(deflateInit2(&z, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) == Z_OK, "deflate");
  std::string out(deflateBound(&z, static_cast<uLong>(text.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  Require(deflate(&z, Z_FINISH) == Z_STREAM_END, "deflate finish");
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::string Xz(std::string_view text) {
  std::string out(lzma_stream_buffer_bound(text.size()), '\0');
  size_t used = 0;
  Require(lzma_easy_buffer_encode(
              0, LZMA_CHECK_CRC32, nullptr, reinterpret_cast<const uint8_t*>(text.data()),
              text.size(), reinterpret_cast<uint8_t*>(out.data()), &used, out.size()) == LZMA_OK,
          "xz encode");
  out.resize(used);
  return out;
}

std::string Zstd(std::string_view text) {
  static ZSTD_CCtx* context = [] {
    ZSTD_CCtx* made = ZSTD_createCCtx();
    ZSTD_CCtx_setParameter(made, ZSTD_c_checksumFlag, 1);
    return made;
  }();
  std::string out(ZSTD_compressBound(text.size()), '\0');
  const size_t used = ZSTD_compress2(context, out.data(), out.size(), text.data(), text.size());
  Require(!ZSTD_isError(used), "zstd encode");
  out.resize(used);
  return out;
}

// Reads `path` through a buffer of `buffer_size` bytes, its first bytes
// read before the reader starts, as the loader does; sets *plain, and reads
// nothing more, when they mark no compression.
Status ReadThrough(const std::string& path, uint64_t limit, size_t buffer_size, std::string& text,
                   bool* plain) {
  text.clear();
  std::unique_ptr<LogSource> source;
  if (Status opened = SystemLogFiles().Open(path, UINT64_MAX, &source); !opened.ok()) {
    return opened;
  }
  std::vector<char> first(kCompressionMagicBytes + buffer_size % 5);
  size_t first_size = 0;
  for (size_t got = 1; got > 0 && first_size < first.size(); first_size += got) {
    if (Status read = source->Read(first.data() + first_size, first.size() - first_size, &got);
        !read.ok()) {
      return read;
    }
  }
  const Compression kind = CompressionOf({first.data(), first_size});
  *plain = kind == Compression::kNone;
  if (*plain) return {};
  LogTextReader reader(*source, path, kind, {first.data(), first_size}, limit);
  std::vector<char> buffer(buffer_size);
  for (size_t got = 1; got > 0;) {
    if (Status read = reader.Read(buffer.data(), buffer.size(), &got); !read.ok()) return read;
    Require(got <= buffer.size(), "more bytes than the buffer holds");
    text.append(buffer.data(), got);
    Require(text.size() <= limit, "text past the limit given out");
    Require(reader.text_bytes() == text.size(), "text_bytes differs");
  }
  return {};
}

bool Mentions(const Status& result, std::string_view what) {
  return result.message().find(what) != std::string::npos;
}

void Check(std::string_view bytes) {
  if (bytes.size() < 4) return;
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  static constexpr size_t kBuffers[] = {1, 2, 3, 7, 64, 4096, 65536, 1000};
  const unsigned kind = byte(0) & 3;
  const size_t members = 1 + (byte(0) >> 2 & 3) % 3;
  const uint64_t limit = byte(1) == 255 ? kMaxLogFileSize : uint64_t{byte(1)} * 61;
  const unsigned change = byte(2) & 3;
  static constexpr size_t kRepeats[] = {1, 1, 16, 4000};
  const size_t repeat = kRepeats[byte(2) >> 2 & 3];
  const size_t buffer_size = kBuffers[byte(3) % std::size(kBuffers)];
  const unsigned where = byte(3);
  bytes.remove_prefix(4);

  const std::string& dir = WorkDir();
  const std::string plain_path = dir + "/plain.log";
  const std::string packed_path = dir + "/packed.log";
  if (kind == 0) {
    // Any bytes: compressed ones never crash the reader.
    Require(WriteWholeFile(packed_path, bytes).ok(), "cannot write the file");
    std::string text;
    bool plain = false;
    const Status read = ReadThrough(packed_path, limit, buffer_size, text, &plain);
    Require(plain == (CompressionOf(bytes) == Compression::kNone), "the kind differs");
    return;
  }

  std::string plain;
  const size_t times = bytes.size() > 4096 ? 1 : repeat;
  for (size_t i = 0; i < times && plain.size() < (256u << 10); ++i) plain += bytes;
  Require(WriteWholeFile(plain_path, plain).ok(), "cannot write the plain file");
  std::string reference;
  Require(ReadWholeFile(plain_path, SIZE_MAX, reference).ok(), "the plain reader failed");

  // The members, and where each ends in the compressed file.
  std::string packed;
  std::vector<size_t> member_ends;
  std::vector<size_t> text_ends;
  for (size_t m = 0; m < members; ++m) {
    const size_t from = reference.size() * m / members;
    const size_t to = reference.size() * (m + 1) / members;
    const std::string_view piece = std::string_view(reference).substr(from, to - from);
    packed += kind == 1   ? Gzip(piece, static_cast<int>(where % 10))
              : kind == 2 ? Xz(piece)
                          : Zstd(piece);
    member_ends.push_back(packed.size());
    text_ends.push_back(to);
  }
  size_t cut = packed.size();
  if (change == 1) {
    cut = packed.size() * where / 256;
    packed.resize(cut);
  } else if (change == 2) {
    packed[packed.size() * where / 256] ^= static_cast<char>(1 + (where & 0x7f));
  } else if (change == 3) {
    packed += std::string_view("\0\0stray", 7);
  }
  Require(WriteWholeFile(packed_path, packed).ok(), "cannot write the compressed file");
  std::string text;
  bool not_compressed = false;
  const Status read = ReadThrough(packed_path, limit, buffer_size, text, &not_compressed);
  if (!read.ok()) {
    Require(text.size() <= limit, "more text than the limit before the failure");
    Require(read.message().find(packed_path) != std::string::npos, "the message names no file",
            read.message());
  }

  // The text the file holds when it is intact up to `cut`.
  size_t whole_text = 0;
  bool at_boundary = cut == 0;
  for (size_t m = 0; m < members; ++m) {
    if (member_ends[m] <= cut) whole_text = text_ends[m];
    if (member_ends[m] == cut) at_boundary = true;
  }
  switch (change) {
    case 0:
      Require(read.ok() == (reference.size() <= limit), "an intact file's outcome", read.message());
      if (read.ok()) Require(text == reference, "an intact file's text differs");
      if (!read.ok()) {
        Require(Mentions(read, "larger than"), "an intact file refused", read.message());
      }
      break;
    case 1:
      // Cut between members: the members before the cut; cut inside one (and
      // past its magic): refused.
      if (read.ok() && !not_compressed) {
        Require(at_boundary, "a file cut inside a member was read", read.message());
        Require(text == reference.substr(0, whole_text), "a file cut between members differs");
      }
      break;
    case 2:
      break;  // a damaged file may or may not be noticed; it must not crash
    case 3:
      Require(!read.ok(), "stray bytes after the last member were read");
      break;
  }
}

}  // namespace
}  // namespace tallix::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  tallix::fuzz::Check(std::string_view(reinterpret_cast<const char*>(bytes), size));
  return 0;
}
