#include <bzlib.h>

#include <algorithm>

#include "engine/log/log_decoder.h"

namespace tallix {
namespace {

// bzip2 through libbz2; concatenated streams, as pbzip2 and cat write them.
class Bzip2Decoder final : public LogDecoder {
 public:
  Bzip2Decoder(LogSource& source, const std::string& path, std::string_view first)
      : LogDecoder(source, path, Compression::kBzip2, first) {
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
        if (Status read = Refill(&stream_.next_in, &stream_.avail_in); !read.ok()) return read;
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

}  // namespace

std::unique_ptr<LogDecoder> MakeBzip2Decoder(LogSource& source, const std::string& path,
                                             std::string_view first_bytes) {
  return std::make_unique<Bzip2Decoder>(source, path, first_bytes);
}

}  // namespace tallix
