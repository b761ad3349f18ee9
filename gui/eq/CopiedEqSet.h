#pragma once
// Copy and paste of a whole EQ set between pages: which set was copied, the record copy itself,
// and sending a set's stored bands to the device again.
namespace nr {
class DeviceSession;
}

namespace nr::gui {

// The set last copied from any page's panel (-1: nothing copied yet). One per application,
// shared by every page; tests make their own.
class CopiedEqSet {
 public:
  static CopiedEqSet& Application();

  int Get() const { return set_; }
  bool Empty() const { return set_ < 0; }
  void Set(int set) { set_ = set; }
  void Clear() { set_ = -1; }

 private:
  int set_ = -1;
};

// Copies the band records of set src over those of set dst and sends every band of dst to the
// device again. Moves no more records than the destination owns, so a copy never spills into the
// next set. Returns 1, or 0 (changing nothing) when a set number is outside 0..23.
int GQ_CopyEQ(DeviceSession& session, int src, int dst);

// Decodes each band record of the set and writes it with SetEqBand (coefficients and record).
void ReapplyEqSet(DeviceSession& session, int set);

}  // namespace nr::gui
