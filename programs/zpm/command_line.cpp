// SPDX-License-Identifier: GPL-3.0-or-later
#include "zpm/command_line.h"

#include "library/library.h"
#include "library/library_guard.h"
#include "zpm/cli_io.h"

namespace zpm::cli {

CommandLine::CommandLine(const QString &usage, const QString &description)
    : m_usage(usage), m_description(description) {
  m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  m_parser.addOption(QCommandLineOption("help", "Show this help."));
}

void CommandLine::AddValueOption(const QString &name, const QString &valueName,
                                 const QString &help) {
  m_parser.addOption(QCommandLineOption(name, help, valueName));
  m_namesLibrary = m_namesLibrary || name == "library";
}

void CommandLine::AddFlag(const QString &name, const QString &help) {
  m_parser.addOption(QCommandLineOption(name, help));
}

bool CommandLine::Parse(const QStringList &args, int positionalCount) {
  return Parse(args, positionalCount, positionalCount);
}

bool CommandLine::Parse(const QStringList &args, int atLeast, int atMost) {
  if (!m_parser.parse(QStringList{"zpm"} + args)) {
    // Qt's texts end with a full stop of their own; one is enough.
    const QString error = m_parser.errorText();
    throw UsageError(error.endsWith('.') ? error : error + ".");
  }
  if (m_parser.isSet("help")) {
    QString help = m_parser.helpText();
    // Qt's own first line names the program only; ours gives the synopsis.
    help.replace(0, help.indexOf('\n'), "Usage: " + m_usage + "\n" + m_description);
    PrintOut(help);
    return false;
  }
  const QStringList positional = m_parser.positionalArguments();
  if (positional.size() < atLeast)
    throw UsageError(QString("Missing argument. Usage: %1").arg(m_usage));
  if (atMost >= 0 && positional.size() > atMost)
    throw UsageError(
        QString("Unexpected argument \"%1\". Usage: %2").arg(positional.at(atMost), m_usage));
  // No output of this command may replace its library, nor the default one.
  if (m_namesLibrary) {
    GuardLibrary(DefaultLibraryPath());
    if (IsSet("library"))
      GuardLibrary(ArgumentBytes(AbsolutePath(Value("library"))).toStdString());
  }
  return true;
}

QString CommandLine::Required(const QString &name) const {
  if (!m_parser.isSet(name))
    throw UsageError(QString("--%1 is required. Usage: %2").arg(name, m_usage));
  return m_parser.value(name);
}

} // namespace zpm::cli
