#pragma once
// Where a report goes as it is made. A report appends its text to text() and
// calls RowEnd() after each row; once the text held passes a few tens of
// kilobytes it is passed on and dropped, so a report of any size takes about
// one row's memory. A sink made without a way to pass text on keeps it all,
// for the callers that want the whole text (Take()).

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace tallix {

class ReportSink {
 public:
  // Writes bytes on; false when they could not be written.
  using Emit = std::function<bool(std::string_view)>;

  ReportSink() = default;
  explicit ReportSink(Emit pass_on) : emit_(std::move(pass_on)) {}

  std::string& text() { return text_; }

  // Room for a text of `bytes`, when the sink keeps it all: it then grows
  // once rather than a dozen times.
  void Reserve(size_t bytes) {
    if (!emit_) text_.reserve(bytes);
  }

  void RowEnd() {
    if (emit_ && text_.size() >= kSpillBytes) Spill();
  }

  // Passes on what is left; false when any write failed. Once one failed,
  // the rest of the report is made but dropped.
  bool Finish() {
    if (emit_) Spill();
    return ok_;
  }

  std::string Take() { return std::move(text_); }

 private:
  static constexpr size_t kSpillBytes = size_t{64} << 10;

  void Spill() {
    if (ok_ && !text_.empty()) ok_ = emit_(text_);
    text_.clear();
  }

  Emit emit_;
  std::string text_;
  bool ok_ = true;
};

}  // namespace tallix
