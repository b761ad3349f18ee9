#include "link/DeviceModel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "link/Bytes.h"
#include "link/Dynamics.h"

namespace nr {
namespace {

template <size_t N>
void CopyString(std::array<char, N>& field, const char* text) {
  field.fill(0);
  const size_t n = std::min(std::strlen(text), N - 1);
  std::memcpy(field.data(), text, n);
}

template <size_t N>
std::string FieldString(const std::array<char, N>& field) {
  return std::string(field.data(), strnlen(field.data(), N));
}

const uint8_t* RecordWords(const DeviceState& s, int module, int index) {
  const int row = FindParamRow(module, index);
  return &s.image[static_cast<size_t>(ParamRows()[static_cast<size_t>(row)].WordOffset())];
}

void SetValue(DeviceState& s, int module, int index, ParamValue v) {
  const int row = FindParamRow(module, index);
  if (row >= 0) s.values[static_cast<size_t>(row)] = v;
}

int32_t TruncFloat(float f) {
  if (!(f > -2147483648.0f && f < 2147483648.0f)) return 0;  // NaN, infinities, out of range
  return static_cast<int32_t>(f);
}

// Shift in whole hertz from the canceller's frequency word, or 1 when the canceller is bypassed.
int FbcShift(const DeviceState& s, int shiftIndex, int bypassIndex) {
  if (s.IntValue(1, bypassIndex) != 0) return 1;
  const double omega = BitsFloat(GetBE32(RecordWords(s, 1, shiftIndex)));
  return TruncFloat(static_cast<float>(omega * 48000.0 * 0.5 / 3.14159265358979323846 + 0.001));
}

}  // namespace

DeviceInfo DeviceInfo::StartupValues() {
  DeviceInfo info;
  info.version = 17;
  CopyString(info.module, "Unknown");
  CopyString(info.mcuVersion, "2016-10-03");
  CopyString(info.dspVersion, "2016-11-30");
  return info;
}

std::array<uint8_t, DeviceInfo::kSize> DeviceInfo::Serialize() const {
  std::array<uint8_t, kSize> out{};
  const uint32_t v = static_cast<uint32_t>(version);
  for (int i = 0; i < 4; ++i) out[static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
  std::memcpy(&out[4], module.data(), kModuleSize);
  std::memcpy(&out[36], mcuVersion.data(), kVersionSize);
  std::memcpy(&out[47], dspVersion.data(), kVersionSize);
  return out;
}

DeviceInfo DeviceInfo::Parse(const uint8_t* bytes) {
  DeviceInfo info;
  info.version = static_cast<int32_t>(uint32_t{bytes[0]} | (uint32_t{bytes[1]} << 8) |
                                      (uint32_t{bytes[2]} << 16) | (uint32_t{bytes[3]} << 24));
  std::memcpy(info.module.data(), bytes + 4, kModuleSize);
  std::memcpy(info.mcuVersion.data(), bytes + 36, kVersionSize);
  std::memcpy(info.dspVersion.data(), bytes + 47, kVersionSize);
  info.module.back() = 0;
  info.mcuVersion.back() = 0;
  info.dspVersion.back() = 0;
  return info;
}

std::string DeviceInfo::ModuleName() const { return FieldString(module); }
std::string DeviceInfo::McuVersion() const { return FieldString(mcuVersion); }
std::string DeviceInfo::DspVersion() const { return FieldString(dspVersion); }

ParamValue DeviceState::Value(int module, int index) const {
  const int row = FindParamRow(module, index);
  return row < 0 ? ParamValue() : values[static_cast<size_t>(row)];
}

EqBand DeviceState::Band(int set, int band) const {
  if (set == kRecordEqSet) {
    if (band < 0 || band >= kRecordEqBands) return DefaultEqBand(set, 0);
    return DecodeEqBand(recordEq[static_cast<size_t>(band)]);
  }
  const int offset = EqBandOffset(set, band);
  if (offset < 0 || offset + kEqBandBytes > kEqAreaSize) return DefaultEqBand(set, band);
  return DecodeEqBand(&eqTable[static_cast<size_t>(offset)]);
}

void LoadDefaultImage(ParamImage& image) {
  image.fill(0);
  for (int set = 0; set < kEqSetCount; ++set) {
    const EqSetLayout layout = EqSetInfo(set);
    for (int band = 0; band < layout.slotCount; ++band) {
      const EqBandBytes record = EncodeEqBand(DefaultEqBand(set, band));
      std::memcpy(&image[static_cast<size_t>(EqBandOffset(set, band))], record.data(), record.size());
    }
  }
  std::memcpy(&image[kRoomRecordOffset], kDefaultRoomRecord.data(), kRoomRecordSize);
  image[kLocatedSpeakerOffset] = 8;
  for (const ParamRow& row : ParamRows()) {
    uint8_t* p = &image[row.offset];
    p[0] = row.module;
    p[1] = row.index;
    p[2] = row.words;
    for (int w = 0; w < row.words; ++w) PutBE32(p + 3 + 4 * w, row.defaults[static_cast<size_t>(w)]);
  }
}

void ApplyImage(DeviceState& s) {
  std::memcpy(s.eqTable.data(), s.image.data(), kEqTableRefreshEnd);
  DerivedValues& d = s.derived;
  d.room = DecodeRoomRecord(&s.eqTable[kRoomRecordOffset]);
  for (int unit = 0; unit < kDynamicsUnits; ++unit)
    d.compressors[static_cast<size_t>(unit)] = DecodeDynamics(RecordWords(s, DynamicsModule(unit), DynamicsIndex(unit)));
  for (int out = 0; out < kOutputCount; ++out) {
    const float split = BitsFloat(GetBE32(RecordWords(s, 5 + out, 0x11) + 4));
    d.channelDelay[static_cast<size_t>(out)] = split * 100.0f == 0.0f;
  }
  d.musicDynamics = DecodeDynamics(RecordWords(s, 4, 0x0E));
  d.pitch = static_cast<int>(RecordWords(s, 4, 0x10)[3]) - 5;
  d.levelFeature = TruncFloat(BitsFloat(GetBE32(&s.image[kLevelFeatureOffset])));

  const auto& rows = ParamRows();
  for (size_t r = 0; r < rows.size(); ++r) {
    if (rows[r].type == ValueType::kBlock) continue;
    s.values[r] = DecodeParamWord(rows[r].type, GetBE32(&s.image[static_cast<size_t>(rows[r].WordOffset())]));
  }

  d.fbcShift[0] = FbcShift(s, 0x26, 0x28);
  d.fbcShift[1] = FbcShift(s, 0x3D, 0x3F);
  // The echo page writes its right-channel percentages as plain signed bytes (-50..+50) despite
  // their percent type.
  for (int index : {0x0B, 0x1C, 0x0C, 0x1D})
    SetValue(s, 2, index, ParamValue::Int(static_cast<int8_t>(RecordWords(s, 2, index)[3])));
}

void InitDeviceModel(DeviceState& s) {
  s.info = DeviceInfo::StartupValues();
  s.machine.fill(0);
  s.machineEdit.fill(0);
  s.machine[5] = 99;  // volume limits until the device reports its own
  s.machine[6] = 99;
  for (int band = 0; band < kRecordEqBands; ++band)
    s.recordEq[static_cast<size_t>(band)] = EncodeEqBand(DefaultEqBand(kRecordEqSet, band));
  LoadDefaultImage(s.image);
  ApplyImage(s);
  MarkKept(s);
}

ParamImage ScreenImage(const DeviceState& s) {
  ParamImage image = s.image;
  std::memcpy(image.data(), s.eqTable.data(), kEqTableSize);
  return image;
}

void MarkKept(DeviceState& s) { s.keptImage = ScreenImage(s); }

bool HasUnkeptEdits(const DeviceState& s) { return ScreenImage(s) != s.keptImage; }

bool ReadReplacesEdits(const DeviceState& s, const ParamImage& read) {
  const ParamImage screen = ScreenImage(s);
  return screen != s.keptImage && screen != read;
}

}  // namespace nr
