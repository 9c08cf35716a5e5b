// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The parameter view of a patch: rows of a label and the value of one byte of
// the dump image, chosen by what the image says it is.

#include "patch/stream.h"

#include <cstddef>
#include <string>
#include <vector>

namespace zpm {

// One row of a map: the byte is a position in the whole dump image, the same
// position the hex view shows. A size above 1 marks the name, shown as text.
struct ParameterEntry {
  const char *label;
  size_t dumpByte;
  size_t size = 1;
};

struct ParameterRow {
  std::string label;
  std::string value; // Latin-1
};

enum class PatchKind { Unknown, Sid, FmVoice, FmDrumset, FmEnsemble };

// Dump byte 4 46h is a SID patch; 49h an FM patch whose kind is dump byte 7
// (00h voice, 10h drumset, 70h ensemble). An image too short to hold every
// byte its map reads counts as unknown.
PatchKind RecognisePatchKind(const Bytes &image);

// "Patchtype: SID", "Patchtype: FM / Voice" ...; empty for an unknown kind.
std::string PatchTypeText(PatchKind kind);

// "a SID patch", "an FM voice", "an FM drumset", "an FM ensemble", for
// sentences.
std::string KindPhrase(PatchKind kind);

// The rows of a kind in list order; empty for an unknown kind.
const std::vector<ParameterEntry> &ParameterMap(PatchKind kind);

// The rows the parameter view shows for an image: every byte as unsigned
// decimal, the name as its bytes up to the first zero; no rows when the image
// is not recognised.
std::vector<ParameterRow> ParameterRows(const Bytes &image);

} // namespace zpm
