#pragma once
// BusyFlag: whether a reading or an action is running. The main window owns the one flag; every
// tab selection, enter routine, timer pass, action and close asks it first. Readings let messages
// through, so without it a click or a timer tick could start a second reading inside the first
// (clearing the shared image list under it) or close the window under it: such a click or tick
// is dropped instead:
//
//   const BusyFlag::Hold hold = host_.Busy().Take();
//   if (!hold) return;  // no hold: something else is running
namespace kv {

class BusyFlag {
 public:
  // The flag set for as long as it lives; an empty hold when the flag was set already.
  class Hold {
   public:
    Hold() = default;
    Hold(Hold&& other) noexcept : flag_(other.flag_) { other.flag_ = nullptr; }
    Hold& operator=(Hold&&) = delete;
    ~Hold() {
      if (flag_) *flag_ = false;
    }
    explicit operator bool() const { return flag_ != nullptr; }

   private:
    friend class BusyFlag;
    explicit Hold(bool* flag) : flag_(flag) { *flag_ = true; }
    bool* flag_ = nullptr;
  };

  bool IsSet() const { return set_; }
  [[nodiscard]] Hold Take() { return set_ ? Hold() : Hold(&set_); }

 private:
  bool set_ = false;
};

}  // namespace kv
