// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A simulated Zavorin SID and Zavorin FM behind one MIDI port pair: bytes
// from the host go in, the devices' answers come out. No threads and no
// clocks: transport, timing and pacing belong to the port code, which also
// keeps the calls to one at a time.

#include "patch/stream.h"
#include "sim/sim_options.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace zpm {

class TSimSynth {
public:
  // Seeds the memory from options.seed, then loads options.loadFiles in
  // order; a file that cannot be read or is refused raises ZpmError.
  explicit TSimSynth(const TSimOptions &options);
  ~TSimSynth();
  TSimSynth(const TSimSynth &) = delete;
  TSimSynth &operator=(const TSimSynth &) = delete;

  // Bytes from the host in wire order, split anywhere (a message may arrive
  // across several calls, real-time bytes may be interleaved). Returns what
  // the devices send back, in order, as raw bytes: whole messages, or with a
  // fault on request shortened or garbage bytes.
  Bytes Receive(const uint8_t *bytes, size_t count);
  Bytes Receive(const Bytes &bytes) { return Receive(bytes.data(), bytes.size()); }

  // Loads a SID or FM .syx file into memory (by its first five bytes): SID
  // patches go to their Bank and patch number, a whole-bank dump to bank A,
  // FM patches to their type, bank and patch number. Raises ZpmError.
  void LoadFile(const std::string &path);

  // Writes DIR/sid-bank-A.syx .. DIR/sid-bank-H.syx, one per present SID
  // bank (Bank Select + 128 Patch Dumps with the SID device ID), and
  // DIR/fm.syx with every patch of every present FM bank (voices, drumsets,
  // ensembles; bank by bank, patch by patch) with the FM device ID. Files of
  // absent banks are not written. Raises ZpmError when a file cannot be written.
  void SaveMemory(const std::string &dir) const;

  // The memory, for tests. Banks 0..7, SID patches 0..127, FM patches below
  // the type's bank size (type 00h, 10h or 70h); absent banks keep memory
  // too. An address out of range, or data that are not 256 bytes below 80h,
  // raise ZpmError.
  Bytes SidPatchData(uint8_t bank, uint8_t patch) const;
  void SetSidPatchData(uint8_t bank, uint8_t patch, const Bytes &data256);
  Bytes FmPatchData(uint8_t type, uint8_t bank, uint8_t patch) const;
  void SetFmPatchData(uint8_t type, uint8_t bank, uint8_t patch, const Bytes &data256);

  bool SidBankPresent(uint8_t bank) const;
  bool FmBankPresent(uint8_t type, uint8_t bank) const;
  // The bank SID requests and writes act on; -1 when no PatchCart is there.
  int SelectedSidBank() const;
  // Dump replies produced so far (the count a fault's `at` refers to).
  int DumpReplies() const;
  // True once a vanish fault has struck.
  bool Vanished() const;

  const TSimOptions &Options() const;

private:
  struct TState;
  std::unique_ptr<TState> m_state;
};

} // namespace zpm
