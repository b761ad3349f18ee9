#include "inputs/InputSources.h"

#include <algorithm>

#include "inputs/InputSourceTemplate.h"

namespace nr {
namespace {

struct FixedForm {
  int templateNumber;
  std::vector<SourceRow> rows;
};

const std::vector<FixedForm>& FixedForms() {
  static const std::vector<FixedForm> kForms = {
      {527, {{0, "HDMI1"}, {1, "HDMI2"}, {2, "HDMI3"}, {3, "Android"}}},
      {528, {{5, "SPDIF"}, {8, "COAX"}, {11, "AUX"}}},
      {538, {{5, "SPDIF1"}, {11, "AUX1"}}},
      {529, {{5, "SPDIF1"}, {11, "AUX"}}},
      {530, {{0, "HDMI1"}, {1, "HDMI2"}, {2, "HDMI3"}, {3, "HDMI4"}, {5, "SPDIF1"}, {11, "AUX1"}}},
      {532, {{0, "Android"}, {1, "HDMI1"}, {2, "HDMI2"}, {3, "HDMI3"}, {5, "SPDIF1"}, {6, "SPDIF2"}, {11, "AUX1"}}},
      {534,
       {{0, "HDMI1"}, {1, "HDMI2"}, {2, "HDMI3"}, {3, "HDMI4"}, {5, "SPDIF1"}, {6, "SPDIF2"}, {11, "AUX1"},
        {12, "Bluetooth"}}},
      {537,
       {{0, "HDMI1"}, {1, "HDMI2"}, {2, "HDMI3"}, {3, "HDMI4"}, {4, "HDMI5"}, {5, "SPDIF1"}, {6, "SPDIF2"},
        {11, "AUX"}, {12, "Bluetooth"}}},
      {535, {{5, "SPDIF1"}, {6, "SPDIF2"}, {8, "COAX1"}, {9, "COAX2"}, {11, "AUX1"}}},
      {536, {{0, "Android"}, {1, "HDMI1"}, {2, "HDMI2"}, {5, "SPDIF1"}}},
      {539, {{5, "SPDIF1"}, {11, "AUX1"}}},
      {540, {{0, "HDMI1"}, {1, "HDMI2"}, {2, "HDMI3"}, {3, "HDMI4"}, {5, "SPDIF1"}, {11, "AUX1"}}},
      {541, {{5, "Digital"}, {11, "RCA"}, {12, "SC-USB"}, {13, "Bluetooth"}}},
  };
  return kForms;
}

constexpr int kNr35Template = 527;
constexpr int kNr35ExtraSource = 5;
constexpr int kNr35ExtraVersion = 20;

bool Bit(uint8_t mask, int bit) { return (mask >> bit) & 1; }

}  // namespace

const std::array<const char*, kSourceCount>& GenericSourceCaptions() {
  static constexpr std::array<const char*, kSourceCount> kCaptions = {
      "HDMI1", "HDMI2", "HDMI3", "HDMI4", "HDMI5", "SPDIF1", "SPDIF2", "SPDIF3", "COAX1", "COAX2", "COAX3",
      "AUX1",  "AUX2",  "AUX3"};
  return kCaptions;
}

std::vector<SourceRow> FixedFormSources(int templateNumber, int protocolVersion) {
  const auto& forms = FixedForms();
  const auto form = std::find_if(forms.begin(), forms.end(), [&](const FixedForm& f) { return f.templateNumber == templateNumber; });
  if (form == forms.end()) {
    std::vector<SourceRow> all;
    for (int k = 0; k < kSourceCount; ++k) all.push_back({k, GenericSourceCaptions()[static_cast<size_t>(k)]});
    return all;
  }
  std::vector<SourceRow> rows = form->rows;
  if (templateNumber == kNr35Template && protocolVersion == kNr35ExtraVersion) {
    rows.push_back({kNr35ExtraSource, "SPDIF1"});
    std::sort(rows.begin(), rows.end(), [](const SourceRow& a, const SourceRow& b) { return a.source < b.source; });
  }
  return rows;
}

std::array<std::string, kSourceCount> CapabilityCaptions(const SourceCapability& capability) {
  std::array<std::string, kSourceCount> captions;
  for (int k = 0; k < kSourceCount; ++k) captions[static_cast<size_t>(k)] = GenericSourceCaptions()[static_cast<size_t>(k)];
  const uint8_t maskC = capability.MaskC();
  const uint8_t maskD = capability.MaskD();
  for (int i = 0; i < 8; ++i)
    if (Bit(maskC, i)) captions[static_cast<size_t>(i)] = "Android";
  if (Bit(maskC, 0))
    for (int i = 1; i <= 4; ++i) captions[static_cast<size_t>(i)] = "HDMI" + std::to_string(i);
  for (int i = 0; i < 6; ++i)
    if (Bit(maskD, i)) captions[static_cast<size_t>(8 + i)] = "Bluetooth";
  // These two win over the rules above.
  if (!Bit(maskD, 5)) captions[11] = "AUX";
  if (!(Bit(maskC, 6) && Bit(maskC, 7))) captions[5] = "SPDIF";
  return captions;
}

std::array<bool, kSourceCount> CapabilitySourcesPresent(const SourceCapability& capability) {
  std::array<bool, kSourceCount> present{};
  for (int i = 0; i < 8; ++i) present[static_cast<size_t>(i)] = Bit(capability.MaskA(), i);
  for (int i = 0; i < 6; ++i) present[static_cast<size_t>(8 + i)] = Bit(capability.MaskB(), i);
  return present;
}

std::vector<SourceRow> OfferedSources(const DeviceState& state) {
  const int form = InputSourceTemplate(state.capability, state.info.ModuleName());
  if (form != kCapabilityInputDialog) return FixedFormSources(form, state.info.version);
  const auto captions = CapabilityCaptions(state.capability);
  const auto present = CapabilitySourcesPresent(state.capability);
  std::vector<SourceRow> rows;
  for (int k = 0; k < kSourceCount; ++k)
    if (present[static_cast<size_t>(k)]) rows.push_back({k, captions[static_cast<size_t>(k)]});
  return rows;
}

int SelectedSource(const DeviceState& state) { return state.IntValue(kSourceModule, kSelectedSourceIndex); }

int SourceLevel(const DeviceState& state, int source) {
  return std::clamp(state.IntValue(kSourceModule, kFirstSourceLevelIndex + source), 0, kSourceLevelMax);
}

void SelectSource(DeviceSession& session, int source) {
  if (source < 0 || source >= kSourceCount) return;
  session.SetParam(kSourceModule, kSelectedSourceIndex, source);
}

void SetSourceLevel(DeviceSession& session, int source, int level) {
  if (source < 0 || source >= kSourceCount) return;
  session.SetParam(kSourceModule, kFirstSourceLevelIndex + source, std::clamp(level, 0, kSourceLevelMax));
}

}  // namespace nr
