#include <lzma.h>

#include <algorithm>

#include "engine/log/log_decoder.h"

namespace tallix {
namespace {

// An xz stream asking for more memory than this to decode is refused.
constexpr uint64_t kXzMemoryLimit = 256u << 20;

// xz through liblzma; concatenated streams and padding as xz allows. Each
// stream is decoded on its own, so that bytes after a stream's end which do
// not start another are told apart from a stream cut short.
class XzDecoder final : public LogDecoder {
 public:
  XzDecoder(LogSource& source, const std::string& path, std::string_view first)
      : LogDecoder(source, path, Compression::kXz, first) {
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

}  // namespace

std::unique_ptr<LogDecoder> MakeXzDecoder(LogSource& source, const std::string& path,
                                          std::string_view first_bytes) {
  return std::make_unique<XzDecoder>(source, path, first_bytes);
}

}  // namespace tallix
