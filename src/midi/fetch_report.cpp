#include "midi/fetch_report.h"

#include <algorithm>

namespace zpm {

bool TFetchReport::AllFetched() const {
  return lostReason.empty() && !declined &&
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
    return "service lost";
  case TFetchResult::NotAsked:
    break;
  }
  return "not sent";
}

std::string CutShortText(const char *what, size_t received, size_t expected) {
  return std::string("The ") + what + " was cut short (" + std::to_string(received) + " of " +
         std::to_string(expected) + " bytes); nothing was added.";
}

} // namespace zpm
