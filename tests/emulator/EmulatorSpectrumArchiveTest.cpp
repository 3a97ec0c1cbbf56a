#include "EmulatorTestSupport.h"
#include "TextUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

using OpenProtocolFrame::TPacket;

TInstallationEmulator MakeEmulator(const TManualClock& clock, int records = 500) {
  TEmulatorConfig config;
  config.Clock = clock.Clock();
  config.Records = records;
  return TInstallationEmulator(config);
}

// Fetches a spectrum as the program's driver does: the block count, then
// every block in turn; empty when any answer is not what the driver accepts.
QByteArray FetchBlocks(TInstallationEmulator& emulator, const QByteArray& name) {
  TOPVarListItem item;
  item.Name = name;
  const auto count = OpenProtocolText::ParseBlockCountAnswer(Ask(emulator, name + "=??##;"), item);
  if (!count) return {};
  QByteArray content;
  for (int j = 1; j <= *count; ++j) {
    const auto answer = Decode(emulator.HandleFrame(RequestFrame(OpenProtocolText::BlockRequest(item, j))).Bytes);
    if (!answer.Ok) return {};
    const auto block = OpenProtocolText::AcceptBlockAnswer(answer.Packet, j);
    if (!block) return {};
    content += *block;
  }
  return content;
}

std::vector<int32_t> Counts(const QByteArray& bytes) {
  std::vector<int32_t> counts(static_cast<size_t>(bytes.size() / 4));
  for (size_t i = 0; i < counts.size(); ++i) {
    uint32_t value = 0;
    for (int k = 3; k >= 0; --k) value = (value << 8) | static_cast<uint8_t>(bytes[static_cast<int>(i * 4) + k]);
    counts[i] = static_cast<int32_t>(value);
  }
  return counts;
}

// Channels of the highest peaks, each found after masking the ones before.
std::vector<int> HighestPeaks(std::vector<int32_t> counts, int peaks) {
  std::vector<int> found;
  for (int p = 0; p < peaks; ++p) {
    const auto top = std::max_element(counts.begin(), counts.end());
    const int channel = static_cast<int>(top - counts.begin());
    found.push_back(channel);
    for (int c = std::max(0, channel - 60); c < std::min<int>(static_cast<int>(counts.size()), channel + 60); ++c)
      counts[static_cast<size_t>(c)] = 0;
  }
  std::sort(found.begin(), found.end());
  return found;
}

double Decimal(const QByteArray& text) { return static_cast<double>(TextUtils::ParseDecimal(text, '.').value_or(0)); }

}  // namespace

TEST(EmulatorSpectrum, BlocksReassembleToAFullSpectrumWithPeaksWhereTheCalibrationSays) {
  TManualClock clock;
  TInstallationEmulator emulator = MakeEmulator(clock);
  EXPECT_EQ(Ask(emulator, "SPECTRUM1=??##;"), "SPECTRUM1=##17;");

  const QByteArray main = FetchBlocks(emulator, "SPECTRUM1");
  ASSERT_EQ(main.size(), 4096);
  EXPECT_EQ(main, emulator.MainSpectrum().Bytes());

  const double a = Decimal(AskValue(emulator, "MAINENERGYA=??;"));
  const double b = Decimal(AskValue(emulator, "MAINENERGYB=??;"));
  const std::vector<int> peaks = HighestPeaks(Counts(main), 3);
  // The progeny in keV: Po-218, Po-214, Po-212.
  const double expected[] = {6002, 7687, 8785};
  for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(a * peaks[i] + b, expected[i], 30) << "peak " << i;

  // The low-energy tail: below a peak there are more counts than above it.
  const auto counts = Counts(main);
  EXPECT_GT(counts[static_cast<size_t>(peaks[1] - 40)], 3 * counts[static_cast<size_t>(peaks[1] + 40)]);

  const QByteArray background = FetchBlocks(emulator, "SPECTRUM2");
  ASSERT_EQ(background.size(), 4096);
  const auto backgroundCounts = Counts(background);
  const double bgA = Decimal(AskValue(emulator, "BGENERGYA=??;"));
  const double bgB = Decimal(AskValue(emulator, "BGENERGYB=??;"));
  const int bgPeak = HighestPeaks(backgroundCounts, 1).front();
  // The shielded detector's own Po-210, in its own calibration.
  EXPECT_NE(bgA, a);
  EXPECT_NEAR(bgA * bgPeak + bgB, 5304, 50);
  const auto sum = [](const std::vector<int32_t>& c) { return std::accumulate(c.begin(), c.end(), 0LL); };
  EXPECT_LT(sum(backgroundCounts) * 10, sum(counts));

  // The progeny grow with the measuring time (minutes); an emitter's counts
  // are its own.
  EXPECT_EQ(Ask(emulator, "DURATIONTIME=120;"), "DURATIONTIME=120;");
  const QByteArray longer = FetchBlocks(emulator, "SPECTRUM1");
  EXPECT_NEAR(static_cast<double>(sum(Counts(longer))) / sum(counts), 2.0, 0.05);
  const auto am = TEmulatedSpectrum::ParseEmitter("am-241:5000");
  ASSERT_TRUE(am);
  const TEmulatedSpectrum with = TEmulatedSpectrum::Main(60, {*am});
  const TEmulatedSpectrum without = TEmulatedSpectrum::Main(60);
  int64_t added = 0;
  for (int c = 0; c < TEmulatedSpectrum::kChannels; ++c) added += with.Count(c) - without.Count(c);
  // Within the Poisson noise of two spectra of some 80 000 counts each.
  EXPECT_NEAR(static_cast<double>(added), 5000, 1200);
  for (const char* wrong : {"Am-241", "Xx-1:5", "Am-241:-3", "Am-241:x"})
    EXPECT_FALSE(TEmulatedSpectrum::ParseEmitter(wrong)) << wrong;
}

TEST(EmulatorSpectrum, BlockSizeIsConfigurableAndStrayBlocksHaveNoValue) {
  TManualClock clock;
  TInstallationEmulator emulator = MakeEmulator(clock);
  const QByteArray full = emulator.MainSpectrum().Bytes();
  emulator.SetBlockSize(100);
  EXPECT_EQ(Ask(emulator, "SPECTRUM1=??##;"), "SPECTRUM1=##41;");
  EXPECT_EQ(FetchBlocks(emulator, "SPECTRUM1"), full);
  emulator.SetBlockSize(1000);
  EXPECT_EQ(emulator.BlockSize(), 253);
  emulator.SetBlockSize(1);
  EXPECT_EQ(emulator.BlockSize(), TInstallationEmulator::kMinBlockSize);
  EXPECT_EQ(FetchBlocks(emulator, "SPECTRUM1"), full);

  emulator.SetBlockSize(253);
  for (const char* stray :
       {"SPECTRUM1=??#0;", "SPECTRUM1=??#18;", "SPECTRUM1=??#x;", "SPECTRUM3=??#1;", "MODE=??#1;"}) {
    const auto answer = Decode(emulator.HandleFrame(RequestFrame(stray)).Bytes);
    ASSERT_TRUE(answer.Ok) << stray;
    EXPECT_NE(answer.Packet.Data[1], OpenProtocolText::kBlockPayload) << stray;
    EXPECT_TRUE(OpenProtocolText::PacketText(answer.Packet).endsWith("=@@;")) << stray;
  }
  EXPECT_EQ(Ask(emulator, "SPECTRUM2=??;MODE=??##;"), "SPECTRUM2=@@;MODE=@@;");
}

TEST(EmulatorArchive, AnswersRecordsByIndexGoingBackInTime) {
  TManualClock clock;
  TInstallationEmulator emulator = MakeEmulator(clock, 20);
  EXPECT_EQ(Ask(emulator, "NUMOFRECORDS=??;"), "NUMOFRECORDS=20;");

  // The newest record is the last whole hour before the start.
  EXPECT_EQ(AskValue(emulator, "DATETIME:A020=??;"), "11/06/2024 09.00.00");
  EXPECT_EQ(AskValue(emulator, "DATETIME:A019=??;"), "11/06/2024 08.00.00");
  EXPECT_EQ(AskValue(emulator, "datetime:a001=??;"), "10/06/2024 14.00.00");
  EXPECT_EQ(AskValue(emulator, "DATETIME:A0019=??;"), "11/06/2024 08.00.00");
  for (const char* outside : {"DATETIME:A000=??;", "DATETIME:A021=??;", "DATETIME:A5=??;", "DATETIME:B005=??;",
                              "DATETIME:A00x=??;", "TEST:A005=??;", "DATETIME:A005=??##;"})
    EXPECT_EQ(AskValue(emulator, outside), "@@") << outside;

  const QByteArrayList variables = {"MODE",          "DATETIME",      "SERIALN",      "DRYCONTACTIN", "DRYCONTACTOUT",
                                    "STATUS",        "ALPHAALARM1",   "ALPHAALARM2",  "BETAALARM1",   "BETAALARM2",
                                    "ALPHAALARM1ON", "ALPHAALARM2ON", "BETAALARM1ON", "BETAALARM2ON", "SUMALPHA",
                                    "SUMBETA",       "RADON",         "FLOW",         "VOLUME"};
  QByteArray request;
  for (const QByteArray& name : variables.mid(0, 10)) request += name + ":A007=??;";
  const auto first = OpenProtocolText::ParseAnswerText(Ask(emulator, request));
  request.clear();
  for (const QByteArray& name : variables.mid(10)) request += name + ":A007=??;";
  auto items = OpenProtocolText::ParseAnswerText(Ask(emulator, request));
  items.insert(items.begin(), first.begin(), first.end());
  ASSERT_EQ(items.size(), 19u);
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].Name, variables[static_cast<int>(i)]);
    EXPECT_EQ(items[i].Index, "A007");
    EXPECT_NE(items[i].Value, "@@") << items[i].Name.constData();
  }
  EXPECT_EQ(items[2].Value, "00107");
  EXPECT_EQ(items[6].Value, "12");

  // A record stays what it was while the clock runs on; values vary from
  // record to record.
  const QByteArray radon = AskValue(emulator, "RADON:A007=??;");
  clock.Advance(7200);
  EXPECT_EQ(AskValue(emulator, "RADON:A007=??;"), radon);
  EXPECT_NE(AskValue(emulator, "RADON:A019=??;"), radon);

  TInstallationEmulator large = MakeEmulator(clock, 1000);
  EXPECT_NE(AskValue(large, "DATETIME:A1000=??;"), "@@");
  EXPECT_EQ(AskValue(large, "DATETIME:A1001=??;"), "@@");
}
