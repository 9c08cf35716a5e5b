// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a simulated synthesizer pair is set up with: the zavorin-sim program
// parses it from its command line, tests and the built-in port fill it in.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zpm {

// Which MIDI service the zavorin-sim program opens its ports on. Auto is
// ALSA when the sequencer exists, else JACK (the port code decides).
enum class TSimApi { Auto, Jack, Alsa };

enum class TSimFaultKind {
  None,
  Silence, // the dump reply is not sent at all
  Short,   // the dump reply is cut to `count` bytes
  Garbage, // the dump reply is replaced by `count` data bytes drawn from the seed
  Vanish,  // `count` bytes of the dump reply go out, then the device is silent for good
  Spliced  // the reply's first `count` - 1 bytes and its F7: a message that lost its middle
};

// A fault applied to dump replies (SID Patch Dump and Bank Dump, FM Patch
// Dump), never to acknowledgements, refusals or Bank Select answers.
struct TSimFault {
  TSimFaultKind kind = TSimFaultKind::None;
  size_t count = 0; // N of short:N, garbage:N, vanish:N
  // 0: every dump reply; k >= 1: only the k-th dump reply since start,
  // counted from 1 over both devices.
  int at = 0;
};

// A set of present banks: bit b set = bank b ("A" + b) is there.
using TBankMask = uint8_t;
constexpr TBankMask kAllBanks = 0xFF;

struct TSimOptions {
  // Read by the port code of the zavorin-sim program.
  TSimApi api = TSimApi::Auto;
  std::string name = "zavorin-sim"; // client name
  bool pace = false;                // DIN speed, 3125 bytes/s, applied by the port code

  uint8_t sidId = 0; // device IDs 0..127; messages for another ID are ignored
  uint8_t fmId = 0;

  TBankMask sidBanks = kAllBanks; // PatchCarts plugged in
  // Firmware 1.6: a single PatchCart in bank A, whatever sidBanks says; Bank
  // Select gets no answer, or a 7-byte one with firmware16SevenByteAnswer.
  bool firmware16 = false;
  bool firmware16SevenByteAnswer = false;

  TBankMask fmVoiceBanks = kAllBanks;
  TBankMask fmDrumBanks = kAllBanks;
  TBankMask fmEnsembleBanks = kAllBanks;

  TSimFault fault;
  // k >= 1: the k-th SID Patch Dump written since start is dropped and its
  // slot keeps the patch it had, as when a write is lost on the way; 0: none.
  int dropWrite = 0;
  // Before each FM write's answer, a voice dump nobody asked for goes out,
  // as when another program fetches from the same synthesizer.
  bool unaskedDump = false;

  uint32_t seed = 1;                  // initial memory and garbage bytes
  std::vector<std::string> loadFiles; // .syx files loaded over the seeded memory, in order
  std::string saveDir;                // memory written there on exit (empty: not saved)

  bool help = false; // --help was given: print SimUsageText() and exit
};

// Parses the zavorin-sim arguments (without the program name) into options,
// starting from the defaults above. Values may follow as the next argument
// or after "=". False with a one-line reason in error on bad usage.
bool ParseSimOptions(const std::vector<std::string> &args, TSimOptions &options,
                     std::string &error);

const char *SimUsageText();

} // namespace zpm
