// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What zpm's send commands share: the --rows and --to values, and the
// report of the slots written, as text, as the JSON slots of "Every device
// command", and as the sentence that names what was not done.

#include "midi/send_report.h"
#include "zpm/command_line.h"

#include <QJsonArray>
#include <QString>

#include <vector>

namespace zpm::cli {

// --backup FILE, --verify, --retries N and --json; retriesHelp says what a
// retry asks for again.
void AddSendReportOptions(CommandLine &line, const char *retriesHelp);

// What a send command line chooses: everything, a bank into a bank
// (--from-bank, --to-bank) or rows to a slot (--rows, --to). A pair given by
// half, or both pairs, is bad usage.
enum class TSendSelection { All, Bank, Rows };
TSendSelection ParseSendSelection(const CommandLine &line);

// --backup made absolute and checked as writable before anything goes out;
// empty without the option.
QString CheckedBackupPath(const CommandLine &line);

// The report on standard output (text, or the JSON of "Every device
// command"; a null file is null there), the text's slot lines only with
// listSlots, and the backup named on standard error.
void PrintSendReport(const CommandLine &line, const TSendReport &report, const QString &file,
                     const QString &backup, bool listSlots = true);
// The report as PrintSendReport gives it, and ZpmError naming what was not done.
void FinishSend(const CommandLine &line, const TSendReport &report, const QString &file,
                const QString &backup);

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
// The line a second signal prints during a send: "Interrupted again: C:1-C:24
// written, C:25 unknown, the rest not sent." over the slots begun so far, in
// order; the last one's result is unknown while it is in flight.
QString InterruptedSendText(const std::vector<const TSendItem *> &begun, bool lastInFlight);

} // namespace zpm::cli
