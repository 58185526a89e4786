// For ZSTD_getFrameHeader, to tell how much memory a refused frame asks for.
#define ZSTD_STATIC_LINKING_ONLY
#include <zstd.h>
#include <zstd_errors.h>

#include <algorithm>
#include <string>

#include "engine/log/log_decoder.h"

namespace tallix {
namespace {

// zstd through libzstd; concatenated and skippable frames as zstd allows.
class ZstdDecoder final : public LogDecoder {
 public:
  ZstdDecoder(LogSource& source, const std::string& path, std::string_view first)
      : LogDecoder(source, path, Compression::kZstd, first), stream_(ZSTD_createDStream()) {}
  ~ZstdDecoder() override { ZSTD_freeDStream(stream_); }

  Status Decode(uint8_t* out, size_t length, size_t* got) override {
    *got = 0;
    if (stream_ == nullptr) return Damaged("out of memory");
    ZSTD_outBuffer output{out, length, 0};
    while (output.pos == 0) {
      if (input_.pos == input_.size && !file_done()) {
        if (Status read = Refill(&input_.src, &input_.size); !read.ok()) return read;
        input_.pos = 0;
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

}  // namespace

std::unique_ptr<LogDecoder> MakeZstdDecoder(LogSource& source, const std::string& path,
                                            std::string_view first_bytes) {
  return std::make_unique<ZstdDecoder>(source, path, first_bytes);
}

}  // namespace tallix
