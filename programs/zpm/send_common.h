#pragma once
// What zpm's send commands share: the --rows and --to values, and the
// report of the slots written, as text, as the JSON slots of "Every device
// command", and as the sentence that names what was not done.

#include "sid/sid_send.h"

#include <QJsonArray>
#include <QString>

#include <vector>

namespace zpm::cli {

// "0,3-5": rows as zpm info numbers them, each at most once; count rows exist.
std::vector<int> ParseRows(const QString &text, int count);
// "L:N" with N from 1 to last; position is 0-based.
void ParseDestination(const QString &text, int last, int &bank, int &position);

// "C:17".
QString SendSlotText(const TSendItem &item);
// One line per slot: slot, name, what became of it.
QString SendTextReport(const TSendReport &report);
QJsonArray SendJsonSlots(const TSendReport &report);
// What was not done, for the last line on standard error; empty when all was.
QString SendFailureText(const TSendReport &report);

} // namespace zpm::cli
