// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/parameter_map.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace zpm {
namespace {

// A dump image whose every byte from 8 on holds its own position (mod 256), so
// a row's value names the byte it was read from.
Bytes NumberedImage(uint8_t family, uint8_t type, size_t size) {
  Bytes image(size);
  for (size_t i = 0; i < size; ++i)
    image[i] = static_cast<uint8_t>(i);
  image[0] = 0xF0;
  image[4] = family;
  image[7] = type;
  return image;
}

// Dump bytes the rows read, in row order, skipping the name row.
std::vector<int> BytesRead(const std::vector<ParameterRow> &rows, size_t first) {
  std::vector<int> read;
  for (size_t i = first; i < rows.size(); ++i)
    read.push_back(std::stoi(rows[i].value));
  return read;
}

std::set<int> Range(int from, int to, std::set<int> except = {}) {
  std::set<int> set;
  for (int i = from; i <= to; ++i)
    if (!except.count(i))
      set.insert(i);
  return set;
}

void ExpectRow(const std::vector<ParameterRow> &rows, size_t row, const std::string &label,
               const std::string &value) {
  ASSERT_LT(row - 1, rows.size());
  EXPECT_EQ(rows[row - 1].label, label) << "row " << row;
  EXPECT_EQ(rows[row - 1].value, value) << "row " << row;
}

void ExpectUniqueLabels(const std::vector<ParameterRow> &rows) {
  std::set<std::string> labels;
  for (const ParameterRow &row : rows)
    EXPECT_TRUE(labels.insert(row.label).second) << row.label;
}

TEST(SidParameterMap, RowsReadTheirBytesInListOrder) {
  const Bytes image = NumberedImage(0x46, 0x02, 266);
  ASSERT_EQ(RecognisePatchKind(image), PatchKind::Sid);
  const auto rows = ParameterRows(image);
  ASSERT_EQ(rows.size(), 107u);
  ExpectRow(rows, 1, "Patch Name", std::string(image.begin() + 8, image.begin() + 24));
  ExpectRow(rows, 2, "Volume", "24");
  ExpectRow(rows, 7, "ENV Curves", "29");
  ExpectRow(rows, 8, "Filter Channels", "32");
  ExpectRow(rows, 13, "Assigned Envelopes", "37");
  ExpectRow(rows, 14, "Voice1 Transpose", "40");
  ExpectRow(rows, 29, "Voice1 Split Low", "55");
  ExpectRow(rows, 30, "Voice1 Split High", "101");
  ExpectRow(rows, 31, "Voice2 Transpose", "56");
  ExpectRow(rows, 47, "Voice2 Split High", "102");
  ExpectRow(rows, 63, "Voice3 Split Low", "87");
  ExpectRow(rows, 64, "Voice3 Split High", "103");
  ExpectRow(rows, 65, "Velocity Assign", "88");
  ExpectRow(rows, 77, "Wavetable P3 Assign", "100");
  ExpectRow(rows, 78, "LFO 1 Mode", "104");
  ExpectRow(rows, 95, "LFO 6 Depth", "121");
  ExpectRow(rows, 100, "ENV 1 Release", "126");
  ExpectRow(rows, 101, "ENV 1 Curve", "38");
  ExpectRow(rows, 102, "ENV 2 Depth", "127");
  ExpectRow(rows, 107, "ENV 2 Curve", "39");

  // Every data byte up to dump byte 131 is shown once, except 30 and 31.
  const auto read = BytesRead(rows, 1);
  EXPECT_EQ(std::set<int>(read.begin(), read.end()), Range(24, 131, {30, 31}));
  EXPECT_EQ(read.size(), 106u);
  ExpectUniqueLabels(rows);
}

TEST(SidParameterMap, ValuesAreTheStoredBytes) {
  Bytes image = NumberedImage(0x46, 0x02, 266);
  image[24] = 200;
  image[131] = 255;
  image[39] = 0;
  const auto before = ParameterRows(image);
  ExpectRow(before, 2, "Volume", "200");
  ExpectRow(before, 106, "ENV 2 Release", "255");
  ExpectRow(before, 107, "ENV 2 Curve", "0");

  // Bytes no row shows leave the rows alone.
  image[30] = 1;
  image[31] = 2;
  image[132] = 3;
  image[264] = 4;
  const auto after = ParameterRows(image);
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i)
    EXPECT_EQ(after[i].value, before[i].value) << after[i].label;
}

TEST(SidParameterMap, NameEndsAtTheFirstZeroAndKeepsControlBytes) {
  Bytes image = NumberedImage(0x46, 0x02, 266);
  for (size_t i = 8; i < 24; ++i)
    image[i] = 0;
  EXPECT_EQ(ParameterRows(image)[0].value, "");

  const std::string name = "Ab\x01\xE9";
  std::copy(name.begin(), name.end(), image.begin() + 8);
  image[13] = 'x'; // after the zero at 12
  EXPECT_EQ(ParameterRows(image)[0].value, name);

  // A full name stops at 16 bytes, not at the next zero.
  for (size_t i = 8; i < 24; ++i)
    image[i] = 'N';
  image[24] = 'V';
  EXPECT_EQ(ParameterRows(image)[0].value, std::string(16, 'N'));
}

TEST(FmParameterMaps, VoiceRowsReadTheirBytesUpward) {
  const auto rows = ParameterRows(NumberedImage(0x49, 0x00, 268));
  ASSERT_EQ(rows.size(), 94u);
  ExpectRow(rows, 1, "Patch Name",
            std::string("\x0A\x0B\x0C\x0D\x0E\x0F", 6) + "\x10\x11\x12\x13" +
                "\x14\x15\x16\x17\x18\x19");
  ExpectRow(rows, 2, "OP1 Flags", "26");
  ExpectRow(rows, 10, "OP1 KSL (Key Scale Level)", "34");
  ExpectRow(rows, 11, "OP2 KSL", "35");
  ExpectRow(rows, 12, "OP3 KSL", "36");
  ExpectRow(rows, 13, "OP4 KSL", "37");
  ExpectRow(rows, 37, "OP4 Waveform", "61");
  ExpectRow(rows, 38, "OP1 Feedback", "66");
  ExpectRow(rows, 39, "OP Connections (\"Algorithm\")", "70");
  ExpectRow(rows, 41, "LFO1 Phase (works only with Sync enabled)", "75");
  ExpectRow(rows, 48, "LFO1->LFO2 Depth (modulates the LFO2 Rate)", "82");
  ExpectRow(rows, 50, "Assign Velocity to Controller", "86");
  ExpectRow(rows, 53, "LFO2 Mode", "90");
  ExpectRow(rows, 66, "EG5 Mode", "106");
  ExpectRow(rows, 82, "Play Mode", "122");
  ExpectRow(rows, 83, "MIDI Sync", "124");
  ExpectRow(rows, 91, "Assign Wavetable Parameter #3 to Controller", "132");
  ExpectRow(rows, 92, "Assign Modwheel to Controller", "134");
  ExpectRow(rows, 94, "Modwheel Depth", "136");

  const auto read = BytesRead(rows, 1);
  EXPECT_TRUE(std::is_sorted(read.begin(), read.end()));
  EXPECT_EQ(std::set<int>(read.begin(), read.end()),
            Range(26, 136,
                  {62, 63, 64, 65, 67, 68, 69, 71, 72, 73, 84, 85, 89, 100, 101, 105, 123, 133}));
  EXPECT_EQ(read.size(), 93u);
  ExpectUniqueLabels(rows);
}

TEST(FmParameterMaps, DrumsetRowsReadTheirBytesUpward) {
  const auto rows = ParameterRows(NumberedImage(0x49, 0x10, 268));
  ASSERT_EQ(rows.size(), 74u);
  ExpectRow(rows, 1, "BD Modulator Frequency Multiplicator", "10");
  ExpectRow(rows, 5, "SD   Frequency Multiplicator", "14");
  ExpectRow(rows, 6, "TOM  Frequency Multiplicator", "15");
  ExpectRow(rows, 7, "CYM  Frequency Multiplicator", "16");
  ExpectRow(rows, 8, "BD Modulator Modulation Level", "18");
  ExpectRow(rows, 36, "BD Modulator Sustain Rate", "50");
  ExpectRow(rows, 51, "BD FM/AM (0=FM, 1=AM)", "67");
  ExpectRow(rows, 53, "CYM/TOM Feedback", "70");
  ExpectRow(rows, 54, "BD Lower Keyboard Split Point", "75");
  ExpectRow(rows, 60, "BD Upper Keyboard Split Point", "83");
  ExpectRow(rows, 71, "TOM Frequency Decrementer", "95");
  ExpectRow(rows, 72, "BD Audio Channels", "98");
  ExpectRow(rows, 73, "HH/SD Audio Channels", "100");
  ExpectRow(rows, 74, "CYM/TOM Audio Channels", "102");

  const auto read = BytesRead(rows, 0);
  EXPECT_TRUE(std::is_sorted(read.begin(), read.end()));
  EXPECT_EQ(std::set<int>(read.begin(), read.end()),
            Range(10, 102,
                  {17, 25, 33, 41, 49, 57, 65, 69, 71, 72, 73, 74, 81, 82, 89, 96, 97, 99, 101}));
  EXPECT_EQ(read.size(), 74u);
  ExpectUniqueLabels(rows);
}

TEST(FmParameterMaps, EnsembleRowsRepeatPerInstrument) {
  const auto rows = ParameterRows(NumberedImage(0x49, 0x70, 268));
  ASSERT_EQ(rows.size(), 44u);
  const char *const fields[] = {"Bank",
                                "Patch",
                                "MIDI Ch.",
                                "Keyb. Split Lower",
                                "Keyb. Split Upper",
                                "Velocity Mode",
                                "Volume",
                                "Transpose",
                                "Unisono",
                                "OP12 Audio Ch. Assignment",
                                "OP34 Audio Ch. Assignment"};
  for (size_t inst = 0; inst < 4; ++inst)
    for (size_t field = 0; field < 11; ++field)
      ExpectRow(rows, inst * 11 + field + 1,
                "Inst. " + std::to_string(inst + 1) + " " + fields[field],
                std::to_string(10 + inst * 16 + field));
  ExpectUniqueLabels(rows);
}

TEST(ParameterRows, UnrecognisedOrShortImagesGiveNoRows) {
  EXPECT_TRUE(ParameterRows(Bytes()).empty());
  EXPECT_TRUE(ParameterRows(NumberedImage(0x47, 0x00, 266)).empty());
  const Bytes otherType = NumberedImage(0x49, 0x20, 268);
  EXPECT_EQ(RecognisePatchKind(otherType), PatchKind::Unknown);
  EXPECT_TRUE(ParameterRows(otherType).empty());
  EXPECT_EQ(PatchTypeText(PatchKind::Unknown), "");

  // Byte 7 is not read from an image that ends before it.
  EXPECT_EQ(RecognisePatchKind(Bytes{0xF0, 0, 0, 0x7E, 0x49}), PatchKind::Unknown);

  // An image must hold the last byte its map reads: SID 131, voice 136,
  // drumset 102, ensemble 68.
  const std::pair<Bytes, size_t> cases[] = {{NumberedImage(0x46, 0x02, 132), 107},
                                            {NumberedImage(0x49, 0x00, 137), 94},
                                            {NumberedImage(0x49, 0x10, 103), 74},
                                            {NumberedImage(0x49, 0x70, 69), 44}};
  for (const auto &[image, count] : cases) {
    EXPECT_EQ(ParameterRows(image).size(), count);
    const Bytes shorter(image.begin(), image.end() - 1);
    EXPECT_EQ(RecognisePatchKind(shorter), PatchKind::Unknown) << count;
    EXPECT_TRUE(ParameterRows(shorter).empty()) << count;
  }
}

} // namespace
} // namespace zpm
