// State chunks and presets: byte layouts, round trips, damaged and random input.
#include "TestEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

// Twelve parameters: even ones on [-10, 10] with step 0.5, odd ones on [0, 100] with step 1.
void DefineTwelve(IEffectBase& effect)
{
  for (int i = 0; i < effect.ParamCount(); ++i) {
    if (i % 2 == 0)
      effect.GetParam(i)->DefineDouble("Even", 0.0, -10.0, 10.0, 0.5, "dB");
    else
      effect.GetParam(i)->DefineDouble("Odd", 50.0, 0.0, 100.0, 1.0, "%");
  }
}

StateChunk ChunkOf(const std::vector<uint8_t>& bytes, size_t length)
{
  StateChunk chunk;
  EXPECT_TRUE(chunk.PutBytes(bytes.data(), static_cast<int32_t>(length)));
  return chunk;
}

std::vector<uint8_t> BytesOf(const StateChunk& chunk)
{
  return std::vector<uint8_t>(chunk.Data(), chunk.Data() + chunk.Size());
}

std::vector<double> Values(const TestEffect& effect)
{
  std::vector<double> values;
  for (int i = 0; i < effect.ParamCount(); ++i) values.push_back(effect.Value(i));
  return values;
}

// What the wrappers do with a host's chunk: header, then a bank or a state.
int32_t LoadHostChunk(IEffectBase& effect, const StateChunk& chunk, bool isBank)
{
  int32_t position = 0;
  const int32_t version = ReadChunkHeader(chunk, position);
  if (isBank && version >= kChunkVersion) return effect.UnserializePresets(chunk, position);
  position = effect.LoadState(chunk, position);
  effect.ModifyCurrentPreset();
  return position;
}

const uint8_t kHeader[] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
// Doubles as their little-endian IEEE bytes.
const uint8_t kZero[] = {0, 0, 0, 0, 0, 0, 0, 0};
const uint8_t kOne[] = {0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
const uint8_t kMinusTwo[] = {0, 0, 0, 0, 0, 0, 0, 0xC0};
const uint8_t kHalf[] = {0, 0, 0, 0, 0, 0, 0xE0, 0x3F};
const uint8_t kHundred[] = {0, 0, 0, 0, 0, 0, 0x59, 0x40};
const uint8_t kFifty[] = {0, 0, 0, 0, 0, 0, 0x49, 0x40};

void Append(std::vector<uint8_t>& bytes, const uint8_t* data, size_t size)
{
  bytes.insert(bytes.end(), data, data + size);
}

// The effect with values 0, 1, -2, 0.5, 0, 100, then 0 / 50 (the defaults).
void SetKnownValues(TestEffect& effect)
{
  const double values[] = {0.0, 1.0, -2.0, 0.5, 0.0, 100.0};
  for (int i = 0; i < 6; ++i) effect.GetParam(i)->SetClamped(values[i]);
}

std::vector<uint8_t> KnownState()
{
  std::vector<uint8_t> bytes;
  for (const uint8_t* value : {kZero, kOne, kMinusTwo, kHalf, kZero, kHundred, kZero, kFifty, kZero, kFifty, kZero, kFifty})
    Append(bytes, value, 8);
  return bytes;
}

} // namespace

TEST(StateChunk, ReadsFailAtTheEdgesAndNeverMoveBackwards)
{
  StateChunk chunk;
  ASSERT_TRUE(chunk.PutInt(-2));
  ASSERT_TRUE(chunk.PutBool(true));
  ASSERT_TRUE(chunk.PutText("abc"));
  EXPECT_EQ(BytesOf(chunk), (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF, 0x01, 0x03, 0, 0, 0, 'a', 'b', 'c'}));

  int32_t value = 7;
  struct IntCase {
    int32_t position;
    int32_t next;
  };
  for (const IntCase& c : {IntCase{0, 4}, IntCase{8, 12}, IntCase{9, -1}, IntCase{12, -1}, IntCase{-1, -1},
                           IntCase{std::numeric_limits<int32_t>::max(), -1}}) {
    EXPECT_EQ(chunk.GetInt(&value, c.position), c.next) << c.position;
  }
  EXPECT_EQ(chunk.GetInt(&value, 0), 4);
  EXPECT_EQ(value, -2);

  bool flag = false;
  StateChunk byte;
  const uint8_t raw = 0x80;  // any non-zero byte is true
  ASSERT_TRUE(byte.PutBytes(&raw, 1));
  EXPECT_EQ(byte.GetBool(&flag, 0), 1);
  EXPECT_TRUE(flag);

  char text[8] = "";
  EXPECT_EQ(chunk.GetText(text, sizeof text, 5), 12);
  EXPECT_STREQ(text, "abc");
  char shortText[3] = "";
  EXPECT_EQ(chunk.GetText(shortText, sizeof shortText, 5), 12);  // cut to fit
  EXPECT_STREQ(shortText, "ab");

  // Text lengths: past the end moves on without taking the text; negative or
  // 32-bit-overflowing lengths fail the read.
  struct TextCase {
    int32_t length;
    int32_t next;
  };
  for (const TextCase& c : {TextCase{0, 4}, TextCase{2, 6}, TextCase{10, 14}, TextCase{-1, -1},
                            TextCase{-4, -1}, TextCase{std::numeric_limits<int32_t>::max(), -1},
                            TextCase{std::numeric_limits<int32_t>::max() - 4, std::numeric_limits<int32_t>::max()}}) {
    StateChunk damaged;
    ASSERT_TRUE(damaged.PutInt(c.length));
    ASSERT_TRUE(damaged.PutBytes("xy", 2));
    char taken[8] = "old";
    EXPECT_EQ(damaged.GetText(taken, sizeof taken, 0), c.next) << c.length;
    EXPECT_STREQ(taken, c.length == 2 ? "xy" : "old") << c.length;
  }
}

TEST(StateChunk, HeaderIsOptionalButMustBeWhole)
{
  struct Case {
    std::vector<uint8_t> bytes;
    int32_t version;
    int32_t position;
  };
  const std::vector<uint8_t> header(kHeader, kHeader + 8);
  const Case cases[] = {
    {header, 0x00010000, 8},
    {std::vector<uint8_t>(100, 0), 0, 0},                    // no header: read from the start
    {{0x74, 0x66, 0x66, 0x70}, 0, -1},                       // magic without version
    {{0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01}, 0, -1},
    {{0x74, 0x66, 0x66}, 0, 0},
    {{}, 0, 0},
    {{0x70, 0x66, 0x66, 0x74, 0x00, 0x00, 0x01, 0x00}, 0, 0},  // wrong byte order
  };
  for (const Case& c : cases) {
    const StateChunk chunk = ChunkOf(c.bytes, c.bytes.size());
    int32_t position = 0;
    EXPECT_EQ(ReadChunkHeader(chunk, position), c.version) << c.bytes.size();
    EXPECT_EQ(position, c.position) << c.bytes.size();
  }
  StateChunk stamped;
  stamped.PutInt(99);
  ASSERT_TRUE(StampChunkHeader(stamped));
  EXPECT_EQ(BytesOf(stamped), header);
}

TEST(State, ProgramAndBankChunksHaveTheirByteLayouts)
{
  TestEffect effect;
  DefineTwelve(effect);
  SetKnownValues(effect);

  StateChunk program;
  ASSERT_TRUE(StampChunkHeader(program));
  ASSERT_TRUE(effect.SaveState(program));
  std::vector<uint8_t> expected(kHeader, kHeader + 8);
  const std::vector<uint8_t> state = KnownState();
  expected.insert(expected.end(), state.begin(), state.end());
  ASSERT_EQ(program.Size(), 104);
  EXPECT_EQ(BytesOf(program), expected);

  effect.FillUnsetPresets(1);
  StateChunk bank;
  ASSERT_TRUE(StampChunkHeader(bank));
  effect.ModifyCurrentPreset();
  ASSERT_TRUE(effect.SerializePresets(bank));
  std::vector<uint8_t> expectedBank(kHeader, kHeader + 8);
  for (uint8_t b : std::initializer_list<uint8_t>{0x05, 0x00, 0x00, 0x00, 'E', 'm', 'p', 't', 'y', 0x01}) expectedBank.push_back(b);
  expectedBank.insert(expectedBank.end(), state.begin(), state.end());
  ASSERT_EQ(bank.Size(), 114);
  EXPECT_EQ(BytesOf(bank), expectedBank);

  // A slot that was never set writes only its name and a 0 byte.
  TestEffect fresh(12, "2-2", 2);
  StateChunk slots;
  ASSERT_TRUE(fresh.SerializePresets(slots));
  EXPECT_EQ(BytesOf(slots), (std::vector<uint8_t>{5, 0, 0, 0, 'e', 'm', 'p', 't', 'y', 0, 5, 0, 0, 0, 'e', 'm', 'p', 't', 'y', 0}));
}

TEST(State, SavedStateRestoresEveryBit)
{
  TestEffect source;
  DefineTwelve(source);
  std::mt19937 random(1234);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int i = 0; i < 12; ++i) source.GetParam(i)->SetClamped(source.GetParam(i)->Min() + unit(random) * 10.0);
  source.GetParam(0)->SetClamped(-0.0);
  source.GetParam(2)->SetClamped(std::numeric_limits<double>::denorm_min());
  source.GetParam(4)->SetClamped(std::nextafter(10.0, 0.0));

  StateChunk chunk;
  ASSERT_TRUE(StampChunkHeader(chunk));
  ASSERT_TRUE(source.SaveState(chunk));

  for (bool isBank : {false, true}) {
    TestEffect target;
    DefineTwelve(target);
    StateChunk hostChunk = chunk;
    if (isBank) {
      source.FillUnsetPresets(1);
      ASSERT_TRUE(StampChunkHeader(hostChunk));
      source.ModifyCurrentPreset();
      ASSERT_TRUE(source.SerializePresets(hostChunk));
    }
    EXPECT_EQ(LoadHostChunk(target, hostChunk, isBank), hostChunk.Size());
    for (int i = 0; i < 12; ++i) {
      const double a = source.Value(i);
      const double b = target.Value(i);
      EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << "parameter " << i << (isBank ? " from bank" : "");
    }
    EXPECT_EQ(target.CountOf("OnParamChanged"), isBank ? 24 : 12);  // a bank also reselects its preset
  }
}

TEST(State, ShortOrDamagedStatesLoadWhatTheyCan)
{
  // Five of twelve values: 0..4 set, 5 becomes 0.0 limited to [0, 100], the rest stay.
  TestEffect effect;
  DefineTwelve(effect);
  for (int i = 0; i < 12; ++i) effect.GetParam(i)->SetClamped(i % 2 ? 77.0 : 7.0);
  std::vector<uint8_t> bytes(kHeader, kHeader + 8);
  for (const uint8_t* value : {kOne, kHundred, kMinusTwo, kFifty, kHalf}) Append(bytes, value, 8);
  effect.calls.clear();
  EXPECT_EQ(LoadHostChunk(effect, ChunkOf(bytes, bytes.size()), false), -1);
  EXPECT_EQ(Values(effect), (std::vector<double>{1, 100, -2, 50, 0.5, 0, 7, 77, 7, 77, 7, 77}));
  EXPECT_EQ(effect.CountOf("OnParamChanged"), 12);

  // No header, 100 bytes starting with 0.0: twelve doubles from position 0.
  std::vector<uint8_t> plain;
  for (int i = 0; i < 12; ++i) Append(plain, i == 0 ? kZero : kOne, 8);
  plain.resize(100, 0xAB);
  int32_t position = 0;
  const StateChunk plainChunk = ChunkOf(plain, plain.size());
  EXPECT_EQ(ReadChunkHeader(plainChunk, position), 0);
  EXPECT_EQ(effect.LoadState(plainChunk, position), 96);
  EXPECT_EQ(Values(effect), (std::vector<double>{0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));

  // Above max loads as max without step rounding; below min as min; a NaN keeps
  // its parameter and the reading goes on; infinities are limited.
  const double stored[] = {3.3,  150.0, -20.0, std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                           0.25, 0.25, 0.25, 0.25, 0.25, 0.25};
  StateChunk odd;
  for (double v : stored) odd.PutDouble(v);
  EXPECT_EQ(effect.LoadState(odd, 0), 96);
  EXPECT_EQ(Values(effect), (std::vector<double>{3.3, 100, -10, 1, 10, 0, 0.25, 0.25, 0.25, 0.25, 0.25, 0.25}));
}

TEST(State, EveryTruncationLoadsSafely)
{
  TestEffect source;
  DefineTwelve(source);
  SetKnownValues(source);
  source.FillUnsetPresets(1);
  StateChunk program;
  StampChunkHeader(program);
  source.SaveState(program);
  StateChunk bank;
  StampChunkHeader(bank);
  source.SerializePresets(bank);
  const std::vector<uint8_t> programBytes = BytesOf(program);
  const std::vector<uint8_t> bankBytes = BytesOf(bank);
  const std::vector<double> known = Values(source);

  for (size_t length = 0; length < programBytes.size(); ++length) {
    TestEffect target;
    DefineTwelve(target);
    for (int i = 0; i < 12; ++i) target.GetParam(i)->SetClamped(i % 2 ? 33.0 : 3.0);
    std::vector<double> expected = Values(target);
    // Without a whole header the bytes are read as a state; a cut header loads nothing.
    const size_t start = length >= 8 ? 8 : 0;
    if (length < 4 || length >= 8) {
      const size_t whole = (length - start) / 8;
      for (size_t i = 0; i < whole; ++i) expected[i] = known[i];
      if (whole < 12) expected[whole] = 0.0;  // 0.0 lies inside both ranges
    }
    EXPECT_EQ(LoadHostChunk(target, ChunkOf(programBytes, length), false), -1) << length;
    EXPECT_EQ(Values(target), expected) << length;
  }
  for (size_t length = 0; length <= bankBytes.size(); ++length) {
    TestEffect target(12, "2-2", 1);
    DefineTwelve(target);
    target.FillUnsetPresets(1);
    const int32_t position = LoadHostChunk(target, ChunkOf(bankBytes, length), true);
    EXPECT_EQ(position, length == bankBytes.size() ? 114 : -1) << length;
    for (int i = 0; i < 12; ++i) {
      EXPECT_GE(target.Value(i), target.GetParam(i)->Min());
      EXPECT_LE(target.Value(i), target.GetParam(i)->Max());
    }
  }
}

TEST(State, RandomBytesNeverBreakLoading)
{
  std::mt19937 random(20261208);
  const std::vector<uint8_t> header(kHeader, kHeader + 8);
  int failures = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> bytes;
    if (round % 2) bytes = header;  // half of them get past the header
    const size_t length = random() % 300;
    for (size_t i = 0; i < length; ++i) bytes.push_back(static_cast<uint8_t>(random()));
    // Small text lengths now and then, so the bank reader gets further.
    if (round % 3 == 0 && bytes.size() >= 12) {
      bytes[8] = static_cast<uint8_t>(random() % 16);
      bytes[9] = bytes[10] = bytes[11] = 0;
    }
    const StateChunk chunk = ChunkOf(bytes, bytes.size());
    TestEffect target(12, "2-2", 3);
    DefineTwelve(target);
    const bool isBank = round % 4 < 2;
    const int32_t position = LoadHostChunk(target, chunk, isBank);
    failures += position < 0;
    EXPECT_LE(position, chunk.Size());
    for (int i = 0; i < 12; ++i) {
      const double v = target.Value(i);
      ASSERT_TRUE(v >= target.GetParam(i)->Min() && v <= target.GetParam(i)->Max()) << round << " " << i;
    }
    for (int slot = 0; slot < 3; ++slot) ASSERT_LT(std::strlen(target.PresetName(slot)), 256u);
  }
  EXPECT_GT(failures, 0);
}

TEST(Presets, SelectingSlotsNamesAndRestoresThem)
{
  TestEffect effect(12, "2-2", 4);
  DefineTwelve(effect);
  auto* editor = new FakeEditor(&effect);
  editor->AddControl(new RecordingControl(&effect, 1, nullptr));
  effect.AttachEditor(editor);

  for (int bad : {-1, 4}) {
    effect.calls.clear();
    EXPECT_FALSE(effect.SelectPreset(bad));
    EXPECT_TRUE(effect.calls.empty());
    EXPECT_EQ(effect.CurrentPreset(), 0);
  }

  // Two slots already carry "user preset" in their names, one after other words.
  effect.ModifyCurrentPreset("user preset 1");
  ASSERT_TRUE(effect.SelectPreset(1));
  effect.ModifyCurrentPreset("my user preset");
  EXPECT_STREQ(effect.PresetName(1), "my user preset");
  effect.GetParam(1)->SetClamped(25.0);
  effect.calls.clear();
  ASSERT_TRUE(effect.SelectPreset(3));
  EXPECT_STREQ(effect.PresetName(3), "user preset 3");
  EXPECT_EQ(effect.CurrentPreset(), 3);
  EXPECT_EQ(effect.CountOf("OnPresetsChanged"), 1);
  EXPECT_DOUBLE_EQ(editor->Control(0)->Value(), 0.25);

  // Going back to slot 1 restores what it stored, and the editor follows.
  effect.GetParam(1)->SetClamped(90.0);
  ASSERT_TRUE(effect.SelectPreset(1));
  EXPECT_DOUBLE_EQ(effect.Value(1), 50.0);
  EXPECT_DOUBLE_EQ(editor->Control(0)->Value(), 0.5);
  EXPECT_STREQ(effect.PresetName(4), "");
  EXPECT_STREQ(effect.PresetName(-1), "");
}

TEST(Presets, SelectingAnUnsetSlotStoresOnlyTheLiveState)
{
  // An unset current slot that was modified holds bytes already; selecting it
  // must store the live state alone, not append it to those bytes.
  TestEffect effect(12, "2-2", 2);
  DefineTwelve(effect);
  effect.GetParam(1)->SetClamped(10.0);
  effect.ModifyCurrentPreset();
  effect.GetParam(1)->SetClamped(20.0);
  ASSERT_TRUE(effect.SelectPreset(0));
  EXPECT_EQ(effect.GetPreset(0)->state.Size(), 96);
  effect.GetParam(1)->SetClamped(30.0);
  ASSERT_TRUE(effect.SelectPreset(0));
  EXPECT_DOUBLE_EQ(effect.Value(1), 20.0);
}

TEST(Presets, FillingAndNamingKeepToTheSlots)
{
  TestEffect effect(12, "2-2", 3);
  DefineTwelve(effect);
  effect.FillUnsetPresets(2);
  EXPECT_STREQ(effect.PresetName(0), "Empty");
  EXPECT_STREQ(effect.PresetName(1), "Empty");
  EXPECT_STREQ(effect.PresetName(2), "empty");
  EXPECT_FALSE(effect.GetPreset(2)->initialized);
  effect.FillUnsetPresets(10);
  EXPECT_TRUE(effect.GetPreset(2)->initialized);
  EXPECT_EQ(effect.GetPreset(2)->state.Size(), 96);

  const std::string longName(300, 'L');
  effect.ModifyCurrentPreset(longName.c_str());
  EXPECT_EQ(std::string(effect.PresetName(0)), std::string(255, 'L'));
  effect.ModifyCurrentPreset("");
  EXPECT_EQ(std::string(effect.PresetName(0)), std::string(255, 'L'));

  // A bank: first name empty, second 300 characters long (cut), both unset but the first.
  StateChunk bank;
  bank.PutText("");
  bank.PutBool(true);
  for (int i = 0; i < 12; ++i) bank.PutDouble(5.0);
  bank.PutText(longName.c_str());
  bank.PutBool(false);
  bank.PutText("Third");
  bank.PutBool(false);
  EXPECT_EQ(effect.UnserializePresets(bank, 0), bank.Size());
  EXPECT_STREQ(effect.PresetName(0), "");
  EXPECT_EQ(std::string(effect.PresetName(1)), std::string(255, 'L'));
  EXPECT_STREQ(effect.PresetName(2), "Third");
  EXPECT_TRUE(effect.GetPreset(0)->initialized);
  EXPECT_FALSE(effect.GetPreset(1)->initialized);
  EXPECT_EQ(Values(effect), std::vector<double>(12, 5.0));
}
