// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/sim_options.h"

#include <cerrno>
#include <cstdlib>

namespace zpm {

namespace {

// A whole decimal number within [low, high]; no sign, no trailing text.
bool ParseNumber(const std::string &text, unsigned long long low, unsigned long long high,
                 unsigned long long &value) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  errno = 0;
  const unsigned long long parsed = std::strtoull(text.c_str(), nullptr, 10);
  if (errno == ERANGE || parsed < low || parsed > high)
    return false;
  value = parsed;
  return true;
}

// Bank letters A..H in either case, or "none" for no bank at all.
bool ParseBanks(const std::string &text, TBankMask &mask) {
  if (text == "none") {
    mask = 0;
    return true;
  }
  if (text.empty())
    return false;
  TBankMask parsed = 0;
  for (char c : text) {
    const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    if (upper < 'A' || upper > 'H')
      return false;
    parsed = static_cast<TBankMask>(parsed | 1u << (upper - 'A'));
  }
  mask = parsed;
  return true;
}

bool ParseFault(const std::string &text, TSimFault &fault) {
  if (text == "silence") {
    fault.kind = TSimFaultKind::Silence;
    fault.count = 0;
    return true;
  }
  const size_t colon = text.find(':');
  if (colon == std::string::npos)
    return false;
  const std::string kind = text.substr(0, colon);
  unsigned long long count = 0;
  if (!ParseNumber(text.substr(colon + 1), 0, 1u << 20, count))
    return false;
  if (kind == "short")
    fault.kind = TSimFaultKind::Short;
  else if (kind == "garbage")
    fault.kind = TSimFaultKind::Garbage;
  else if (kind == "vanish")
    fault.kind = TSimFaultKind::Vanish;
  else if (kind == "spliced")
    fault.kind = TSimFaultKind::Spliced;
  else
    return false;
  fault.count = static_cast<size_t>(count);
  return true;
}

bool TakesValue(const std::string &option) {
  static const char *const kWithValue[] = {
      "--api",       "--name",           "--sid-id",        "--fm-id",
      "--sid-banks", "--fm-voice-banks", "--fm-drum-banks", "--fm-ensemble-banks",
      "--fault",     "--fault-at",       "--seed",          "--load",
      "--save-dir",  "--drop-write"};
  for (const char *name : kWithValue)
    if (option == name)
      return true;
  return false;
}

// One option with its value; false with the reason in error.
bool Apply(const std::string &option, const std::string &value, TSimOptions &options,
           std::string &error) {
  unsigned long long number = 0;
  bool ok = true;
  if (option == "--api") {
    ok = value == "jack" || value == "alsa";
    if (ok)
      options.api = value == "jack" ? TSimApi::Jack : TSimApi::Alsa;
  } else if (option == "--name") {
    ok = !value.empty();
    options.name = value;
  } else if (option == "--sid-id" || option == "--fm-id") {
    ok = ParseNumber(value, 0, 127, number);
    (option == "--sid-id" ? options.sidId : options.fmId) = static_cast<uint8_t>(number);
  } else if (option == "--sid-banks") {
    ok = ParseBanks(value, options.sidBanks);
  } else if (option == "--fm-voice-banks") {
    ok = ParseBanks(value, options.fmVoiceBanks);
  } else if (option == "--fm-drum-banks") {
    ok = ParseBanks(value, options.fmDrumBanks);
  } else if (option == "--fm-ensemble-banks") {
    ok = ParseBanks(value, options.fmEnsembleBanks);
  } else if (option == "--fault") {
    ok = ParseFault(value, options.fault);
  } else if (option == "--fault-at") {
    ok = ParseNumber(value, 1, 1u << 30, number);
    options.fault.at = static_cast<int>(number);
  } else if (option == "--drop-write") {
    ok = ParseNumber(value, 1, 1u << 30, number);
    options.dropWrite = static_cast<int>(number);
  } else if (option == "--seed") {
    ok = ParseNumber(value, 0, UINT32_MAX, number);
    options.seed = static_cast<uint32_t>(number);
  } else if (option == "--load") {
    ok = !value.empty();
    options.loadFiles.push_back(value);
  } else if (option == "--save-dir") {
    ok = !value.empty();
    options.saveDir = value;
  }
  if (!ok)
    error = "invalid value for " + option + ": '" + value + "'";
  return ok;
}

} // namespace

bool ParseSimOptions(const std::vector<std::string> &args, TSimOptions &options,
                     std::string &error) {
  TSimOptions parsed;
  bool faultAtGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string option = args[i];
    std::string value;
    bool hasValue = false;
    const size_t equals = option.find('=');
    if (option.compare(0, 2, "--") == 0 && equals != std::string::npos) {
      value = option.substr(equals + 1);
      option.erase(equals);
      hasValue = true;
    }
    if (TakesValue(option)) {
      if (!hasValue) {
        if (i + 1 >= args.size()) {
          error = "missing value for " + option;
          return false;
        }
        value = args[++i];
      }
      if (!Apply(option, value, parsed, error))
        return false;
      faultAtGiven = faultAtGiven || option == "--fault-at";
      continue;
    }
    if (hasValue) {
      error = "option " + option + " takes no value";
      return false;
    }
    if (option == "--firmware-1.6") {
      parsed.firmware16 = true;
    } else if (option == "--firmware-1.6-seven") {
      parsed.firmware16 = true;
      parsed.firmware16SevenByteAnswer = true;
    } else if (option == "--pace") {
      parsed.pace = true;
    } else if (option == "--unasked-dump") {
      parsed.unaskedDump = true;
    } else if (option == "--help" || option == "-h") {
      parsed.help = true;
    } else {
      error =
          (option.compare(0, 1, "-") == 0 ? "unknown option: " : "unexpected argument: ") + option;
      return false;
    }
  }
  if (faultAtGiven && parsed.fault.kind == TSimFaultKind::None) {
    error = "--fault-at needs --fault";
    return false;
  }
  options = parsed;
  return true;
}

const char *SimUsageText() {
  return "Usage: zavorin-sim [options]\n"
         "A simulated Zavorin SID and Zavorin FM on one MIDI port pair.\n"
         "\n"
         "  --api jack|alsa          MIDI service (default: ALSA when the sequencer\n"
         "                           exists, else JACK)\n"
         "  --name NAME              client name (default zavorin-sim)\n"
         "  --sid-id N               SID device ID 0..127 (default 0)\n"
         "  --fm-id N                FM device ID 0..127 (default 0)\n"
         "  --sid-banks LETTERS      banks with a PatchCart, e.g. AC, or none\n"
         "                           (default ABCDEFGH)\n"
         "  --firmware-1.6           single PatchCart in bank A; Bank Select unanswered\n"
         "  --firmware-1.6-seven     as --firmware-1.6, Bank Select answered with 7 bytes\n"
         "  --fm-voice-banks LETTERS    FM voice banks present (default ABCDEFGH)\n"
         "  --fm-drum-banks LETTERS     FM drumset banks present (default ABCDEFGH)\n"
         "  --fm-ensemble-banks LETTERS FM ensemble banks present (default ABCDEFGH)\n"
         "  --pace                   send at DIN speed, 3125 bytes/s\n"
         "  --fault KIND             on dump replies: silence, short:N (cut to N bytes),\n"
         "                           garbage:N (N random data bytes instead),\n"
         "                           vanish:N (N bytes, then silent for good),\n"
         "                           spliced:N (N bytes ending in F7, as when bytes are lost)\n"
         "  --fault-at K             only the K-th dump reply (from 1) gets the fault\n"
         "  --drop-write K           the K-th SID patch write (from 1) is lost: memory\n"
         "                           keeps the old patch\n"
         "  --unasked-dump           send an FM voice dump nobody asked for before the\n"
         "                           answer to each FM write\n"
         "  --seed N                 seed of the initial memory (default 1)\n"
         "  --load FILE              load a SID or FM .syx file into memory (repeatable)\n"
         "  --save-dir DIR           on exit write DIR/sid-bank-A.syx .. sid-bank-H.syx\n"
         "                           (present banks) and DIR/fm.syx\n"
         "  --help                   show this text\n";
}

} // namespace zpm
