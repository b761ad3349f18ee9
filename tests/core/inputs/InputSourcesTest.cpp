// The sources each form offers, the capability caption rules, and the source writes.
#include <gtest/gtest.h>

#include "inputs/InputSources.h"
#include "support/RecordingSink.h"

namespace nr {
namespace {

SourceCapability Capability(std::array<uint8_t, 5> bytes) {
  SourceCapability c;
  std::copy(bytes.begin(), bytes.end(), c.bytes.begin());
  return c;
}

std::vector<int> Sources(const std::vector<SourceRow>& rows) {
  std::vector<int> out;
  for (const SourceRow& r : rows) out.push_back(r.source);
  return out;
}

TEST(InputSources, CapabilityRowsAndTheirCaptions) {
  const SourceCapability c = Capability({0x55, 0x0F, 0x00, 0x01, 0x00});
  const auto present = CapabilitySourcesPresent(c);
  EXPECT_EQ(std::count(present.begin(), present.end(), true), 4);
  const auto captions = CapabilityCaptions(c);
  EXPECT_EQ(captions[0], "Android");
  EXPECT_EQ(captions[1], "HDMI1");
  EXPECT_EQ(captions[2], "HDMI2");
  EXPECT_EQ(captions[3], "HDMI3");
  EXPECT_EQ(captions[5], "SPDIF");  // renamed although the device has no source 5
  EXPECT_EQ(captions[11], "AUX");
  EXPECT_EQ(captions[12], "AUX2");  // untouched rows keep the full form's captions

  // A Bluetooth mark on source 11 loses to the AUX rule unless bit 5 of mask D is set.
  EXPECT_EQ(CapabilityCaptions(Capability({0x55, 0, 0x3F, 0, 0x08}))[11], "AUX");
  const auto bt = CapabilityCaptions(Capability({0x55, 0, 0x3F, 0, 0x28}));
  EXPECT_EQ(bt[11], "Bluetooth");
  EXPECT_EQ(bt[13], "Bluetooth");
  // Both top bits of mask C keep the numbered SPDIF caption (and make 6 and 7 Android boards).
  const auto spdif = CapabilityCaptions(Capability({0x55, 0xFF, 0, 0xC0, 0}));
  EXPECT_EQ(spdif[5], "SPDIF1");
  EXPECT_EQ(spdif[6], "Android");
  EXPECT_EQ(CapabilityCaptions(Capability({0x55, 0xFF, 0, 0x40, 0}))[5], "SPDIF");

  DeviceState s;
  s.capability = Capability({0x55, 0x22, 0x09, 0, 0});
  EXPECT_EQ(Sources(OfferedSources(s)), (std::vector<int>{1, 5, 8, 11}));
}

TEST(InputSources, FixedFormsByTemplate) {
  EXPECT_EQ(Sources(FixedFormSources(527, 24)), (std::vector<int>{0, 1, 2, 3}));
  const auto nr35v20 = FixedFormSources(527, 20);
  EXPECT_EQ(Sources(nr35v20), (std::vector<int>{0, 1, 2, 3, 5}));
  EXPECT_EQ(nr35v20[4].caption, "SPDIF1");
  EXPECT_EQ(FixedFormSources(527, 24)[3], (SourceRow{3, "Android"}));
  EXPECT_EQ(FixedFormSources(532, 24)[0], (SourceRow{0, "Android"}));
  EXPECT_EQ(Sources(FixedFormSources(541, 24)), (std::vector<int>{5, 11, 12, 13}));
  EXPECT_EQ(FixedFormSources(512, 24).size(), 14u);

  DeviceState s;
  const std::string name = "KD490";
  s.info.module.fill(0);
  std::copy(name.begin(), name.end(), s.info.module.begin());
  EXPECT_EQ(Sources(OfferedSources(s)), (std::vector<int>{0, 1, 2, 3, 5, 6, 11}));
}

TEST(InputSources, SelectionAndLevels) {
  DeviceModel model;
  test::RecordingSink sink;
  DeviceSession session(model, sink);
  SelectSource(session, 3);
  SelectSource(session, 14);  // no such source
  SetSourceLevel(session, 13, 150);
  SetSourceLevel(session, 0, -5);
  EXPECT_EQ(test::HexPayloads(sink), (std::vector<std::string>{"09 00 04 12 01 00 00 00 03", "09 00 04 20 01 3F 80 00 01",
                                                               "09 00 04 13 01 00 00 00 00"}));
  const DeviceState s = model.Snapshot();
  EXPECT_EQ(SelectedSource(s), 3);
  EXPECT_EQ(SourceLevel(s, 13), 100);
  EXPECT_EQ(SourceLevel(s, 0), 0);
}

}  // namespace
}  // namespace nr
