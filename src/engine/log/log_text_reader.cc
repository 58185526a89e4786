#include "engine/log/log_text_reader.h"

#include "engine/log/log_decoder.h"

namespace tallix {
namespace {

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

std::string_view CompressionName(Compression kind) {
  switch (kind) {
    case Compression::kGzip:
      return "gzip";
    case Compression::kXz:
      return "xz";
    case Compression::kZstd:
      return "zstd";
    case Compression::kBzip2:
      return "bzip2";
    case Compression::kLz4:
      return "lz4";
    case Compression::kLzip:
      return "lzip";
    case Compression::kLzma:
      return "lzma";
    case Compression::kNone:
      break;
  }
  return "plain";
}

namespace {

// A format Tallix does not read: the first read says so, and how to read it.
class RefusedDecoder final : public LogDecoder {
 public:
  RefusedDecoder(LogSource& source, const std::string& path, Compression kind,
                 std::string_view decompress)
      : LogDecoder(source, path, kind, {}), path_(path), decompress_(decompress) {}

  Status Decode(uint8_t*, size_t, size_t* got) override {
    *got = 0;
    return Refused("it is " + std::string(format()) +
                   "-compressed, which Tallix does not read; decompress it first (" +
                   std::string(decompress_) + " " + path_ + ")");
  }

 private:
  const std::string& path_;
  std::string_view decompress_;
};

}  // namespace

LogTextReader::LogTextReader(LogSource& source, const std::string& path, Compression kind,
                             std::string_view first_bytes, uint64_t max_text_bytes)
    : source_(source), path_(path), max_text_bytes_(max_text_bytes) {
  switch (kind) {
    case Compression::kGzip:
      decoder_ = MakeGzipDecoder(source, path_, first_bytes);
      break;
    case Compression::kXz:
      decoder_ = MakeXzDecoder(source, path_, first_bytes);
      break;
    case Compression::kZstd:
      decoder_ = MakeZstdDecoder(source, path_, first_bytes);
      break;
    case Compression::kBzip2:
      decoder_ = MakeBzip2Decoder(source, path_, first_bytes);
      break;
    case Compression::kLz4:
      decoder_ = std::make_unique<RefusedDecoder>(source, path_, Compression::kLz4, "lz4 -d");
      break;
    case Compression::kLzip:
      decoder_ = std::make_unique<RefusedDecoder>(source, path_, Compression::kLzip, "lzip -d");
      break;
    case Compression::kLzma:
      decoder_ = std::make_unique<RefusedDecoder>(source, path_, Compression::kLzma, "unlzma");
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
