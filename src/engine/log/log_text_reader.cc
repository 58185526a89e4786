#include "engine/log/log_text_reader.h"

#include <bzlib.h>
#include <isa-l/igzip_lib.h>
#include <lzma.h>
// For ZSTD_getFrameHeader, to tell how much memory a refused frame asks for.
#define ZSTD_STATIC_LINKING_ONLY
#include <zstd.h>
#include <zstd_errors.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace tallix {
namespace {

// Compressed bytes read from the file at a time.
constexpr size_t kInputBytes = 256u << 10;
// An xz stream asking for more memory than this to decode is refused.
constexpr uint64_t kXzMemoryLimit = 256u << 20;

constexpr std::string_view kXzMagic("\xfd\x37\x7a\x58\x5a\x00", 6);

bool StartsWith(std::string_view bytes, std::string_view magic) {
  return bytes.substr(0, magic.size()) == magic;
}

}  // namespace

Compression CompressionOf(std::string_view first_bytes) {
  using namespace std::string_view_literals;
  if (StartsWith(first_bytes, "\x1f\x8b"sv)) return Compression::kGzip;
  if (StartsWith(first_bytes, kXzMagic)) return Compression::kXz;
  if (StartsWith(first_bytes, "\x28\xb5\x2f\xfd"sv)) return Compression::kZstd;
  // pzstd and others begin with a skippable frame: 0x184D2A50 to 5F.
  if (first_bytes.size() >= 4 && (first_bytes[0] & 0xf0) == 0x50 &&
      first_bytes.substr(1, 3) == "\x2a\x4d\x18"sv) {
    return Compression::kZstd;
  }
  // "BZh", the block size 1 to 9, and a block's or the end's first byte.
  if (first_bytes.size() >= 5 && StartsWith(first_bytes, "BZh"sv) && first_bytes[3] >= '1' &&
      first_bytes[3] <= '9' && (first_bytes[4] == '\x31' || first_bytes[4] == '\x17')) {
    return Compression::kBzip2;
  }
  if (StartsWith(first_bytes, "\x04\x22\x4d\x18"sv) ||
      StartsWith(first_bytes, "\x02\x21\x4c\x18"sv)) {
    return Compression::kLz4;
  }
  if (StartsWith(first_bytes, "LZIP"sv)) return Compression::kLzip;
  // The legacy header: the properties byte lzma writes (lc=3, lp=0, pb=2),
  // then a dictionary size that is a few MiB at most.
  if (first_bytes.size() >= 5 && first_bytes[0] == '\x5d' && first_bytes[1] == '\0' &&
      static_cast<unsigned char>(first_bytes[4]) < 0x10) {
    return Compression::kLzma;
  }
  return Compression::kNone;
}

// The compressed bytes come from the file a block at a time; a decoder turns
// them into text.
class LogTextReader::Decoder {
 public:
  Decoder(LogSource& source, const std::string& path, std::string_view format,
          std::string_view first_bytes)
      : source_(source),
        path_(path),
        format_(format),
        input_(std::max(kInputBytes, first_bytes.size())),
        first_size_(first_bytes.size()) {
    std::copy(first_bytes.begin(), first_bytes.end(), input_.begin());
  }
  virtual ~Decoder() = default;

  // Writes at most `length` bytes of text at `out`; *got 0 at its end.
  virtual Status Decode(uint8_t* out, size_t length, size_t* got) = 0;

  uint64_t file_bytes_read() const { return read_; }

 protected:
  // The next block of the file into the input buffer (the first bytes, the
  // first time); an empty one at the end.
  Status Refill(const uint8_t** next, size_t* available) {
    *next = input_.data();
    *available = 0;
    if (first_size_ > 0) {
      *available = std::exchange(first_size_, 0);
    } else if (!file_done()) {
      if (Status read =
              source_.Read(reinterpret_cast<char*>(input_.data()), input_.size(), available);
          !read.ok()) {
        return read;
      }
      ended_ = *available == 0;
    }
    read_ += *available;
    return {};
  }
  // Every byte was read: a file's bytes as it was opened, a stream's up to
  // its end.
  bool file_done() const {
    return first_size_ == 0 && (ended_ || (source_.size() && read_ == *source_.size()));
  }

  Status Damaged(std::string_view reason) const {
    return Status::Error("cannot read '" + path_ + "': the " + std::string(format_) +
                         " data is damaged (" + std::string(reason) + ")");
  }
  Status Refused(std::string_view reason) const {
    return Status::Error("cannot read '" + path_ + "': " + std::string(reason));
  }
  Status CutShort() const {
    return Status::Error("cannot read '" + path_ + "': the " + std::string(format_) +
                         " data is cut short");
  }
  Status StrayBytes() const {
    return Status::Error("cannot read '" + path_ + "': stray bytes after the compressed data");
  }

 private:
  LogSource& source_;
  const std::string& path_;
  std::string_view format_;
  std::vector<uint8_t> input_;
  size_t first_size_;  // bytes of input_ read before the decoder began
  uint64_t read_ = 0;
  bool ended_ = false;
};

namespace {

using Decoder = LogTextReader::Decoder;

// gzip through ISA-L's inflate, which measured several times faster than
// zlib and libdeflate here. A member's end is followed by the file's end or
// by another member.
class GzipDecoder final : public Decoder {
 public:
  GzipDecoder(LogSource& source, const std::string& path, std::string_view first)
      : Decoder(source, path, "gzip", first) {
    isal_inflate_init(&state_);
    state_.crc_flag = ISAL_GZIP;
  }

  Status Decode(uint8_t* out, size_t length, size_t* got) override {
    *got = 0;
    const auto room = static_cast<uint32_t>(std::min<size_t>(length, UINT32_MAX));
    state_.next_out = out;
    state_.avail_out = room;
    while (state_.avail_out == room && !finished_) {
      if (state_.avail_in == 0) {
        if (Status refilled = RefillState(); !refilled.ok()) return refilled;
      }
      if (state_.block_state == ISAL_BLOCK_FINISH) {
        if (state_.avail_in == 0) {
          finished_ = true;
          break;
        }
        // Another member: a fresh state, the input where the last one ended.
        uint8_t* next = state_.next_in;
        const uint32_t available = state_.avail_in;
        if (next[0] != 0x1f || (available > 1 && next[1] != 0x8b)) return StrayBytes();
        isal_inflate_reset(&state_);
        state_.crc_flag = ISAL_GZIP;
        state_.next_in = next;
        state_.avail_in = available;
        state_.next_out = out;
        state_.avail_out = room;
      }
      // With no input left, a call may still give out text held back.
      const bool no_input = state_.avail_in == 0;
      if (const int status = isal_inflate(&state_); status < 0) return Damaged(Reason(status));
      if (no_input && state_.avail_out == room && state_.block_state != ISAL_BLOCK_FINISH) {
        return CutShort();
      }
    }
    *got = room - state_.avail_out;
    return {};
  }

 private:
  Status RefillState() {
    const uint8_t* next = nullptr;
    size_t available = 0;
    if (Status read = Refill(&next, &available); !read.ok()) return read;
    state_.next_in = const_cast<uint8_t*>(next);
    state_.avail_in = static_cast<uint32_t>(available);
    return {};
  }

  static std::string_view Reason(int status) {
    switch (status) {
      case ISAL_INVALID_BLOCK:
        return "invalid block";
      case ISAL_INVALID_SYMBOL:
        return "invalid code";
      case ISAL_INVALID_LOOKBACK:
        return "invalid distance";
      case ISAL_INVALID_WRAPPER:
        return "not a gzip member header";
      case ISAL_UNSUPPORTED_METHOD:
        return "unknown compression method";
      case ISAL_INCORRECT_CHECKSUM:
        return "checksum mismatch";
      default:
        return "unknown error";
    }
  }

  inflate_state state_;
  bool finished_ = false;
};

// xz through liblzma; concatenated streams and padding as xz allows. Each
// stream is decoded on its own, so that bytes after a stream's end which do
// not start another are told apart from a stream cut short.
class XzDecoder final : public Decoder {
 public:
  XzDecoder(LogSource& source, const std::string& path, std::string_view first)
      : Decoder(source, path, "xz", first) {
    ready_ = Start();
  }
  ~XzDecoder() override { lzma_end(&stream_); }

  Status Decode(uint8_t* out, size_t length, size_t* got) override {
    *got = 0;
    if (!ready_) return Damaged("out of memory");
    stream_.next_out = out;
    stream_.avail_out = length;
    while (stream_.avail_out == length && !finished_) {
      if (stream_.avail_in == 0 && !file_done()) {
        if (Status read = Refill(&stream_.next_in, &stream_.avail_in); !read.ok()) return read;
      }
      if (between_streams_ && !header_fed_) {
        // Stream padding: zero bytes, four at a time.
        while (stream_.avail_in > 0 && stream_.next_in[0] == 0) {
          ++stream_.next_in;
          --stream_.avail_in;
          ++padding_;
        }
        if (stream_.avail_in == 0) {
          if (!file_done()) continue;
          if (padding_ % 4 != 0) return StrayBytes();
          finished_ = true;
          break;
        }
        if (padding_ % 4 != 0) return StrayBytes();
        const size_t head = std::min<size_t>(stream_.avail_in, kXzMagic.size());
        next_starts_stream_ =
            kXzMagic.substr(0, head) ==
            std::string_view(reinterpret_cast<const char*>(stream_.next_in), head);
        header_fed_ = true;
      }
      const lzma_ret status = lzma_code(&stream_, file_done() ? LZMA_FINISH : LZMA_RUN);
      if (status == LZMA_GET_CHECK) {
        between_streams_ = false;  // a stream header was read
      } else if (status == LZMA_STREAM_END) {
        if (!Start()) return Damaged("out of memory");
        started_once_ = true;
        between_streams_ = true;
        header_fed_ = false;
        padding_ = 0;
      } else if (between_streams_ && started_once_ && status != LZMA_OK && !next_starts_stream_) {
        return StrayBytes();
      } else if (status == LZMA_BUF_ERROR) {
        return CutShort();
      } else if (status == LZMA_MEMLIMIT_ERROR) {
        return Refused("its xz data needs more than 256 MiB of memory to decompress");
      } else if (status != LZMA_OK) {
        return Damaged(Reason(status));
      }
    }
    *got = length - stream_.avail_out;
    return {};
  }

 private:
  // A decoder for the next stream; the input stays where it is.
  bool Start() {
    return lzma_stream_decoder(&stream_, kXzMemoryLimit, LZMA_TELL_ANY_CHECK) == LZMA_OK;
  }

  static std::string_view Reason(lzma_ret status) {
    switch (status) {
      case LZMA_MEM_ERROR:
        return "out of memory";
      case LZMA_FORMAT_ERROR:
        return "not an xz stream";
      case LZMA_OPTIONS_ERROR:
        return "unsupported options";
      case LZMA_DATA_ERROR:
        return "corrupt data";
      default:
        return "unknown error";
    }
  }

  lzma_stream stream_ = LZMA_STREAM_INIT;
  bool ready_ = false;
  bool started_once_ = false;       // a stream was read before the one now decoded
  bool between_streams_ = true;     // no header of the stream now decoded was read yet
  bool header_fed_ = false;         // bytes past the padding went to the decoder
  uint64_t padding_ = 0;            // zero bytes since the last stream's end
  bool next_starts_stream_ = true;  // the bytes after the padding begin as a stream does
  bool finished_ = false;
};

// zstd through libzstd; concatenated and skippable frames as zstd allows.
class ZstdDecoder final : public Decoder {
 public:
  ZstdDecoder(LogSource& source, const std::string& path, std::string_view first)
      : Decoder(source, path, "zstd", first), stream_(ZSTD_createDStream()) {}
  ~ZstdDecoder() override { ZSTD_freeDStream(stream_); }

  Status Decode(uint8_t* out, size_t length, size_t* got) override {
    *got = 0;
    if (stream_ == nullptr) return Damaged("out of memory");
    ZSTD_outBuffer output{out, length, 0};
    while (output.pos == 0) {
      if (input_.pos == input_.size && !file_done()) {
        const uint8_t* next = nullptr;
        size_t available = 0;
        if (Status read = Refill(&next, &available); !read.ok()) return read;
        input_ = {next, available, 0};
      }
      const bool no_input = input_.pos == input_.size;
      if (no_input && !frame_open_) break;  // the end, at a frame's end
      if (!frame_open_) {
        if (frames_done_ > 0 && !StartsFrame()) return StrayBytes();
        NoteWindowSize();
      }
      const size_t hint = ZSTD_decompressStream(stream_, &output, &input_);
      if (ZSTD_isError(hint) &&
          ZSTD_getErrorCode(hint) == ZSTD_error_frameParameter_windowTooLarge) {
        return Refused("its zstd data needs " +
                       (window_mib_ > kZstdWindowMib ? std::to_string(window_mib_) + " MiB"
                                                     : std::string("more memory")) +
                       " to decompress, more than the " + std::to_string(kZstdWindowMib) +
                       " MiB allowed");
      }
      if (ZSTD_isError(hint) && ZSTD_getErrorCode(hint) == ZSTD_error_dictionary_wrong) {
        return Refused("it needs a zstd dictionary, which Tallix does not have");
      }
      if (ZSTD_isError(hint)) return Damaged(ZSTD_getErrorName(hint));
      if (hint == 0) ++frames_done_;
      frame_open_ = hint != 0;
      if (no_input && output.pos == 0 && frame_open_) return CutShort();
    }
    *got = output.pos;
    return {};
  }

 private:
  // The window, in MiB rounded up, that the frame starting at the input
  // asks for; 0 when its header is not all there.
  void NoteWindowSize() {
    ZSTD_frameHeader header{};
    const auto* at = static_cast<const char*>(input_.src) + input_.pos;
    window_mib_ = ZSTD_getFrameHeader(&header, at, input_.size - input_.pos) == 0
                      ? (header.windowSize + (1u << 20) - 1) >> 20
                      : 0;
  }

  // Whether the input begins as a frame or a skippable frame does, as far
  // as it goes.
  bool StartsFrame() const {
    const auto* at = static_cast<const unsigned char*>(input_.src) + input_.pos;
    const size_t head = std::min<size_t>(input_.size - input_.pos, 4);
    static constexpr unsigned char kFrame[] = {0x28, 0xb5, 0x2f, 0xfd};
    static constexpr unsigned char kSkippable[] = {0x50, 0x2a, 0x4d, 0x18};  // low nibble free
    bool frame = true;
    bool skippable = true;
    for (size_t i = 0; i < head; ++i) {
      frame = frame && at[i] == kFrame[i];
      skippable = skippable && (i == 0 ? (at[i] & 0xf0) == 0x50 : at[i] == kSkippable[i]);
    }
    return frame || skippable;
  }

  // libzstd's default limit on a frame's window.
  static constexpr unsigned long long kZstdWindowMib = 1ull << (ZSTD_WINDOWLOG_LIMIT_DEFAULT - 20);

  ZSTD_DStream* stream_;
  unsigned long long window_mib_ = 0;
  uint64_t frames_done_ = 0;
  ZSTD_inBuffer input_{nullptr, 0, 0};
  bool frame_open_ = false;
};

// bzip2 through libbz2; concatenated streams, as pbzip2 and cat write them.
class Bzip2Decoder final : public Decoder {
 public:
  Bzip2Decoder(LogSource& source, const std::string& path, std::string_view first)
      : Decoder(source, path, "bzip2", first) {
    ready_ = BZ2_bzDecompressInit(&stream_, 0, 0) == BZ_OK;
  }
  ~Bzip2Decoder() override {
    if (ready_) BZ2_bzDecompressEnd(&stream_);
  }

  Status Decode(uint8_t* out, size_t length, size_t* got) override {
    *got = 0;
    if (!ready_) return Damaged("out of memory");
    stream_.next_out = reinterpret_cast<char*>(out);
    stream_.avail_out = static_cast<unsigned>(std::min<size_t>(length, UINT32_MAX));
    while (stream_.avail_out == length) {
      if (stream_.avail_in == 0 && !file_done()) {
        const uint8_t* next = nullptr;
        size_t available = 0;
        if (Status read = Refill(&next, &available); !read.ok()) return read;
        stream_.next_in = const_cast<char*>(reinterpret_cast<const char*>(next));
        stream_.avail_in = static_cast<unsigned>(available);
      }
      if (stream_.avail_in == 0) {
        if (stream_open_) return CutShort();
        break;
      }
      if (!stream_open_ && stream_.next_in[0] != 'B') return StrayBytes();
      stream_open_ = true;
      const int status = BZ2_bzDecompress(&stream_);
      if (status == BZ_STREAM_END) {
        // Another stream may follow.
        BZ2_bzDecompressEnd(&stream_);
        ready_ = BZ2_bzDecompressInit(&stream_, 0, 0) == BZ_OK;
        stream_open_ = false;
        if (!ready_) return Damaged("out of memory");
        if (stream_.avail_out < length) break;
        continue;
      }
      if (status != BZ_OK) return Damaged(status == BZ_MEM_ERROR ? "out of memory" : "bad data");
    }
    *got = length - stream_.avail_out;
    return {};
  }

 private:
  bz_stream stream_{};
  bool ready_ = false;
  bool stream_open_ = false;
};

// A format Tallix does not read: the first read says so, and how to read it.
class RefusedDecoder final : public Decoder {
 public:
  RefusedDecoder(LogSource& source, const std::string& path, std::string_view name,
                 std::string_view decompress)
      : Decoder(source, path, name, {}), path_(path), name_(name), decompress_(decompress) {}

  Status Decode(uint8_t*, size_t, size_t* got) override {
    *got = 0;
    return Refused("it is " + std::string(name_) +
                   "-compressed, which Tallix does not read; decompress it first (" +
                   std::string(decompress_) + " " + path_ + ")");
  }

 private:
  const std::string& path_;
  std::string_view name_;
  std::string_view decompress_;
};

}  // namespace

LogTextReader::LogTextReader(LogSource& source, const std::string& path, Compression kind,
                             std::string_view first_bytes, uint64_t max_text_bytes)
    : source_(source), path_(path), max_text_bytes_(max_text_bytes) {
  switch (kind) {
    case Compression::kGzip:
      decoder_ = std::make_unique<GzipDecoder>(source, path_, first_bytes);
      break;
    case Compression::kXz:
      decoder_ = std::make_unique<XzDecoder>(source, path_, first_bytes);
      break;
    case Compression::kZstd:
      decoder_ = std::make_unique<ZstdDecoder>(source, path_, first_bytes);
      break;
    case Compression::kBzip2:
      decoder_ = std::make_unique<Bzip2Decoder>(source, path_, first_bytes);
      break;
    case Compression::kLz4:
      decoder_ = std::make_unique<RefusedDecoder>(source, path_, "lz4", "lz4 -d");
      break;
    case Compression::kLzip:
      decoder_ = std::make_unique<RefusedDecoder>(source, path_, "lzip", "lzip -d");
      break;
    case Compression::kLzma:
      decoder_ = std::make_unique<RefusedDecoder>(source, path_, "lzma", "unlzma");
      break;
    case Compression::kNone:
      first_ = first_bytes;
      break;
  }
}

LogTextReader::~LogTextReader() = default;

Status LogTextReader::TooLarge() const {
  return Status::Error("cannot read '" + path_ + "': its text is larger than " +
                       std::to_string(max_text_bytes_) + " bytes");
}

uint64_t LogTextReader::file_bytes_read() const {
  return decoder_ ? decoder_->file_bytes_read() : text_bytes_;
}

Status LogTextReader::Read(char* buffer, size_t length, size_t* got) {
  *got = 0;
  if (decoder_ == nullptr) {
    if (first_.empty()) {
      if (Status read = source_.Read(buffer, length, got); !read.ok()) return read;
    } else {
      *got = first_.copy(buffer, length);
      first_.erase(0, *got);
    }
    text_bytes_ += *got;
    return text_bytes_ > max_text_bytes_ ? TooLarge() : Status::Ok();
  }
  // One byte past the limit is decoded at most: enough to know it is passed.
  const uint64_t allowed = max_text_bytes_ - std::min(text_bytes_, max_text_bytes_) + 1;
  const size_t room = static_cast<size_t>(std::min<uint64_t>(length, allowed));
  if (Status decoded = decoder_->Decode(reinterpret_cast<uint8_t*>(buffer), room, got);
      !decoded.ok()) {
    *got = 0;
    return decoded;
  }
  text_bytes_ += *got;
  if (text_bytes_ > max_text_bytes_) {
    *got = 0;
    return TooLarge();
  }
  return {};
}

Status LogTextFile::Open(const std::string& path, uint64_t max_text_bytes) {
  if (Status opened = SystemLogFiles().Open(path, UINT64_MAX, &source_); !opened.ok()) {
    return opened;
  }
  char first[kCompressionMagicBytes];
  size_t got = 0;
  if (Status read = source_->Read(first, sizeof first, &got); !read.ok()) return read;
  reader_ = std::make_unique<LogTextReader>(*source_, path, CompressionOf({first, got}),
                                            std::string_view(first, got), max_text_bytes);
  return {};
}

}  // namespace tallix
