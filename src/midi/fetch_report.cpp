// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/fetch_report.h"

#include <algorithm>

namespace zpm {

bool TFetchReport::AllFetched() const {
  return lostReason.empty() && !declined && !cancelled &&
         std::all_of(items.begin(), items.end(),
                     [](const TFetchItem &item) { return item.result == TFetchResult::Fetched; });
}

TFetchResult FetchResultOf(const TWaitOutcome &outcome) {
  switch (outcome.end) {
  case TWaitEnd::Complete:
    return TFetchResult::Fetched;
  case TWaitEnd::Cancelled:
    return TFetchResult::Cancelled;
  case TWaitEnd::CutShort:
    return TFetchResult::CutShort;
  case TWaitEnd::ServiceLost:
    return TFetchResult::ServiceLost;
  case TWaitEnd::Waiting:
  case TWaitEnd::TimedOut:
    break;
  }
  return TFetchResult::NoAnswer;
}

const char *FetchResultText(TFetchResult result) {
  switch (result) {
  case TFetchResult::Fetched:
    return "fetched";
  case TFetchResult::NotAvailable:
    return "not available";
  case TFetchResult::CutShort:
    return "cut short";
  case TFetchResult::NoAnswer:
    return "no answer";
  case TFetchResult::Cancelled:
    return "cancelled";
  case TFetchResult::ServiceLost:
    // A port that went is no lost service: the reason says which went.
    return "connection lost";
  case TFetchResult::NotAsked:
    break;
  }
  return "not sent";
}

namespace {

std::string ItemText(const TFetchItem &item) {
  std::string text(1, static_cast<char>('A' + item.bank));
  if (item.patch > 0)
    text += ":" + std::to_string(item.patch);
  return text;
}

std::string OfBytes(size_t received, size_t expected) {
  return std::to_string(received) + " of " + std::to_string(expected) + " bytes";
}

} // namespace

std::string CutShortText(const char *what, size_t received, size_t expected, TCutCause cause) {
  const std::string of = OfBytes(received, expected);
  switch (cause) {
  case TCutCause::Stopped:
    return std::string("The ") + what + " stopped after " + of + "; nothing was added.";
  case TCutCause::LostBytes:
    return std::string("Bytes of the ") + what + " were lost after " + of +
           " (the computer or the MIDI service was too busy); nothing was added.";
  case TCutCause::StartLost:
    return std::string("The start of the ") + what +
           " was lost (the computer or the MIDI service was too busy); nothing was added.";
  case TCutCause::Ended:
    break;
  }
  return std::string("The ") + what + " was cut short (" + of + "); nothing was added.";
}

std::string ItemNames(const std::vector<TFetchItem> &items, TFetchResult result) {
  std::string text;
  int count = 0;
  bool patches = false;
  const TFetchItem *first = nullptr; // a run of patches of one bank
  const TFetchItem *last = nullptr;
  const auto endRun = [&] {
    if (first == nullptr)
      return;
    text += (count++ > 0 ? ", " : "") + ItemText(*first);
    if (last != first)
      text += "-" + ItemText(*last);
  };
  for (const TFetchItem &item : items) {
    if (item.result != result)
      continue;
    patches = item.patch > 0;
    if (patches && last != nullptr && last->patch > 0 && item.bank == last->bank &&
        item.patch == last->patch + 1 && item.type == last->type) {
      last = &item;
      continue;
    }
    endRun();
    first = last = &item;
  }
  endRun();
  if (count == 0)
    return std::string();
  if (patches)
    return (count == 1 && first == last ? "patch " : "patches ") + text;
  return (count == 1 ? "bank " : "banks ") + text;
}

std::string CancelledText(const TFetchReport &report) {
  if (!report.cancelled)
    return std::string();
  const std::string names = ItemNames(report.items, TFetchResult::Fetched);
  if (names.empty())
    return "Fetching was cancelled before anything had arrived whole.";
  return "Fetching was cancelled; " + names + " arrived whole, the rest were not fetched.";
}

std::string FetchFailureCause(const TFetchItem &item) {
  if (item.result == TFetchResult::Cancelled)
    return "cancelled";
  if (item.result != TFetchResult::CutShort)
    return "no complete answer";
  const std::string of = OfBytes(item.received, item.expected);
  switch (item.cause) {
  case TCutCause::Stopped:
    return "the dump stopped after " + of + "; check the cable and the synthesizer, and try again";
  case TCutCause::LostBytes:
    return "bytes were lost after " + of +
           " because the computer or the MIDI service was too busy; try again with less running";
  case TCutCause::StartLost:
    return "the start of the dump was lost because the computer or the MIDI service was too "
           "busy; try again with less running";
  case TCutCause::Ended:
    break;
  }
  return "the dump was cut short at " + of + "; check the cable and try again";
}

} // namespace zpm
