// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

namespace zpm::cli {

// Each command gets its arguments after the command word and returns the exit code.
int RunInfo(const QStringList &args);
int RunShow(const QStringList &args);
int RunRandom(const QStringList &args);
int RunPorts(const QStringList &args);
int RunSid(const QStringList &args);
// zpm sid send, reached through RunSid.
int RunSidSendCli(const QStringList &args);
int RunDiff(const QStringList &args);
int RunFm(const QStringList &args);
// zpm fm send, reached through RunFm.
int RunFmSendCli(const QStringList &args);
int RunLibrary(const QStringList &args);
// zpm patch set, one patch of a file changed.
int RunPatch(const QStringList &args);
// zpm library history and export, reached through RunLibrary.
int RunLibraryHistory(const QStringList &args);
int RunLibraryExport(const QStringList &args);
// zpm library tag, favourite, note, check and stats, reached through RunLibrary.
int RunLibraryTag(const QStringList &args);
int RunLibraryFavourite(const QStringList &args);
int RunLibraryNote(const QStringList &args);
int RunLibraryCheck(const QStringList &args);
int RunLibraryStats(const QStringList &args);
int RunExplore(const QStringList &args);

} // namespace zpm::cli
