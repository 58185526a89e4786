#include "engine/util/log_text_reader.h"

#include <isa-l/igzip_lib.h>
#include <lzma.h>
#include <zstd.h>

#include <algorithm>
#include <vector>

namespace tallix {
namespace {

// Compressed bytes read from the file at a time.
constexpr size_t kInputBytes = 256u << 10;
// An xz stream asking for more memory than this to decode is refused.
constexpr uint64_t kXzMemoryLimit = 256u << 20;

bool StartsWith(std::string_view bytes, std::string_view magic) {
  return bytes.substr(0, magic.size()) == magic;
}

}  // namespace

Compression CompressionOf(std::string_view first_bytes) {
  using namespace std::string_view_literals;
  if (StartsWith(first_bytes, "\x1f\x8b"sv)) return Compression::kGzip;
  if (StartsWith(first_bytes, "\xfd\x37\x7a\x58\x5a\x00"sv)) return Compression::kXz;
  if (StartsWith(first_bytes, "\x28\xb5\x2f\xfd"sv)) return Compression::kZstd;
  return Compression::kNone;
}

FileResult CompressionOfFile(const ReadOnlyFile& file, Compression* kind) {
  char first[kCompressionMagicBytes];
  const size_t length = std::min(sizeof first, file.size());
  if (FileResult read = file.ReadAt(0, first, length); !read.ok) return read;
  *kind = CompressionOf({first, length});
  return {};
}

// The compressed bytes come from the file a block at a time; a decoder turns
// them into text.
class LogTextReader::Decoder {
 public:
  Decoder(const ReadOnlyFile& file, std::string_view format)
      : file_(file), format_(format), input_(kInputBytes) {}
  virtual ~Decoder() = default;

  // Writes at most `length` bytes of text at `out`; *got 0 at its end.
  virtual FileResult Decode(uint8_t* out, size_t length, size_t* got) = 0;

  uint64_t file_bytes_read() const { return offset_; }

 protected:
  // The next block of the file into the input buffer; an empty one at the end.
  FileResult Refill(const uint8_t** next, size_t* available) {
    const size_t length = std::min<uint64_t>(input_.size(), file_.size() - offset_);
    if (FileResult read = file_.ReadAt(offset_, reinterpret_cast<char*>(input_.data()), length);
        !read.ok) {
      return read;
    }
    offset_ += length;
    *next = input_.data();
    *available = length;
    return {};
  }
  bool file_done() const { return offset_ >= file_.size(); }

  FileResult Damaged(std::string_view reason) const {
    return FileResult::Fail("cannot read '" + file_.path() + "': the " + std::string(format_) +
                            " data is damaged (" + std::string(reason) + ")");
  }
  FileResult Refused(std::string_view reason) const {
    return FileResult::Fail("cannot read '" + file_.path() + "': " + std::string(reason));
  }
  FileResult CutShort() const {
    return FileResult::Fail("cannot read '" + file_.path() + "': the " + std::string(format_) +
                            " data is cut short");
  }

 private:
  const ReadOnlyFile& file_;
  std::string_view format_;
  std::vector<uint8_t> input_;
  uint64_t offset_ = 0;
};

namespace {

using Decoder = LogTextReader::Decoder;

// gzip through ISA-L's inflate, which measured several times faster than
// zlib and libdeflate here. A member's end is followed by the file's end or
// by another member.
class GzipDecoder final : public Decoder {
 public:
  explicit GzipDecoder(const ReadOnlyFile& file) : Decoder(file, "gzip") {
    isal_inflate_init(&state_);
    state_.crc_flag = ISAL_GZIP;
  }

  FileResult Decode(uint8_t* out, size_t length, size_t* got) override {
    *got = 0;
    const auto room = static_cast<uint32_t>(std::min<size_t>(length, UINT32_MAX));
    state_.next_out = out;
    state_.avail_out = room;
    while (state_.avail_out == room && !finished_) {
      if (state_.avail_in == 0) {
        if (FileResult refilled = RefillState(); !refilled.ok) return refilled;
      }
      if (state_.block_state == ISAL_BLOCK_FINISH) {
        if (state_.avail_in == 0) {
          finished_ = true;
          break;
        }
        // Another member: a fresh state, the input where the last one ended.
        uint8_t* next = state_.next_in;
        const uint32_t available = state_.avail_in;
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
  FileResult RefillState() {
    const uint8_t* next = nullptr;
    size_t available = 0;
    if (FileResult read = Refill(&next, &available); !read.ok) return read;
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

// xz through liblzma; concatenated streams and padding as xz allows.
class XzDecoder final : public Decoder {
 public:
  explicit XzDecoder(const ReadOnlyFile& file) : Decoder(file, "xz") {
    ready_ = lzma_stream_decoder(&stream_, kXzMemoryLimit, LZMA_CONCATENATED) == LZMA_OK;
  }
  ~XzDecoder() override { lzma_end(&stream_); }

  FileResult Decode(uint8_t* out, size_t length, size_t* got) override {
    *got = 0;
    if (!ready_) return Damaged("out of memory");
    stream_.next_out = out;
    stream_.avail_out = length;
    while (stream_.avail_out == length && !finished_) {
      if (stream_.avail_in == 0 && !file_done()) {
        if (FileResult read = Refill(&stream_.next_in, &stream_.avail_in); !read.ok) return read;
      }
      const lzma_ret status = lzma_code(&stream_, file_done() ? LZMA_FINISH : LZMA_RUN);
      if (status == LZMA_STREAM_END) {
        finished_ = true;
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
  bool finished_ = false;
};

// zstd through libzstd; concatenated and skippable frames as zstd allows.
class ZstdDecoder final : public Decoder {
 public:
  explicit ZstdDecoder(const ReadOnlyFile& file)
      : Decoder(file, "zstd"), stream_(ZSTD_createDStream()) {}
  ~ZstdDecoder() override { ZSTD_freeDStream(stream_); }

  FileResult Decode(uint8_t* out, size_t length, size_t* got) override {
    *got = 0;
    if (stream_ == nullptr) return Damaged("out of memory");
    ZSTD_outBuffer output{out, length, 0};
    while (output.pos == 0) {
      if (input_.pos == input_.size && !file_done()) {
        const uint8_t* next = nullptr;
        size_t available = 0;
        if (FileResult read = Refill(&next, &available); !read.ok) return read;
        input_ = {next, available, 0};
      }
      const bool no_input = input_.pos == input_.size;
      if (no_input && !frame_open_) break;  // the end, at a frame's end
      const size_t hint = ZSTD_decompressStream(stream_, &output, &input_);
      if (ZSTD_isError(hint)) return Damaged(ZSTD_getErrorName(hint));
      frame_open_ = hint != 0;
      if (no_input && output.pos == 0 && frame_open_) return CutShort();
    }
    *got = output.pos;
    return {};
  }

 private:
  ZSTD_DStream* stream_;
  ZSTD_inBuffer input_{nullptr, 0, 0};
  bool frame_open_ = false;
};

}  // namespace

LogTextReader::LogTextReader(const ReadOnlyFile& file, Compression kind, uint64_t max_text_bytes)
    : file_(file), max_text_bytes_(max_text_bytes) {
  switch (kind) {
    case Compression::kGzip:
      decoder_ = std::make_unique<GzipDecoder>(file);
      break;
    case Compression::kXz:
      decoder_ = std::make_unique<XzDecoder>(file);
      break;
    case Compression::kZstd:
      decoder_ = std::make_unique<ZstdDecoder>(file);
      break;
    case Compression::kNone:
      break;
  }
}

LogTextReader::~LogTextReader() = default;

FileResult LogTextReader::TooLarge() const {
  return FileResult::Fail("cannot read '" + file_.path() + "': its text is larger than " +
                          std::to_string(max_text_bytes_) + " bytes");
}

uint64_t LogTextReader::file_bytes_read() const {
  return decoder_ == nullptr ? plain_offset_ : decoder_->file_bytes_read();
}

FileResult LogTextReader::Read(char* buffer, size_t length, size_t* got) {
  *got = 0;
  if (decoder_ == nullptr) {
    const size_t take = std::min<uint64_t>(length, file_.size() - plain_offset_);
    if (FileResult read = file_.ReadAt(plain_offset_, buffer, take); !read.ok) return read;
    plain_offset_ += take;
    *got = take;
    text_bytes_ += take;
    return text_bytes_ > max_text_bytes_ ? TooLarge() : FileResult{};
  }
  // One byte past the limit is decoded at most: enough to know it is passed.
  const uint64_t allowed = max_text_bytes_ - std::min(text_bytes_, max_text_bytes_) + 1;
  const size_t room = static_cast<size_t>(std::min<uint64_t>(length, allowed));
  if (FileResult decoded = decoder_->Decode(reinterpret_cast<uint8_t*>(buffer), room, got);
      !decoded.ok) {
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

}  // namespace tallix
