#pragma once
// The shape of every tab's reader:  Result ReadX(inputs..., const RowSink<Row>& sink, const Pump& pump).
// The reader walks the system, calls `pump` so a window stays painted, and hands each row to the
// sink; the tab's sink adds it to the list, a test's sink collects it, a benchmark's counts it.
// Pure: no windows.h.
#include <cstddef>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>

namespace kv {

// Lets pending window messages run; may be empty.
using Pump = std::function<void()>;

// What a reading tells besides its rows.
struct ReadResult {
  size_t rows = 0;       // rows handed to the sink
  bool complete = true;  // false when the system's list could not be read at all
};

template <typename Row>
class RowSink {
 public:
  using Take = std::function<void(Row&)>;               // may move what it keeps out of the row
  using Wants = std::function<bool(const std::string&)>;  // empty: every row

  RowSink(std::nullptr_t = nullptr) {}  // takes nothing
  template <typename F, typename = std::enable_if_t<std::is_invocable_v<F&, Row&>>>
  RowSink(F take) : take_(std::move(take)) {}
  RowSink(Take take, Wants wants) : take_(std::move(take)), wants_(std::move(wants)) {}

  // False when the sink has all it would learn from the row named `key`, so the reader may skip
  // the work of reading it (the process tab knows the processes it listed before).
  bool Wanted(const std::string& key) const { return !wants_ || wants_(key); }
  void operator()(Row& row) const {
    if (take_) take_(row);
  }

 private:
  Take take_;
  Wants wants_;
};

}  // namespace kv
