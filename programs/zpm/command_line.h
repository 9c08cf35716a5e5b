// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Option parsing shared by the commands: --help, and bad usage as UsageError.

#include <QCommandLineParser>
#include <QString>

namespace zpm::cli {

class CommandLine {
public:
  // usage: the synopsis line, e.g. "zpm info FILE [--kind sid|fm] [--json]".
  CommandLine(const QString &usage, const QString &description);
  void AddValueOption(const QString &name, const QString &valueName, const QString &help);
  void AddFlag(const QString &name, const QString &help);

  // Returns false when --help was given (the usage has been printed).
  bool Parse(const QStringList &args, int positionalCount);
  // As Parse, for atLeast to atMost arguments; atMost -1 for any number.
  bool Parse(const QStringList &args, int atLeast, int atMost);

  bool IsSet(const QString &name) const { return m_parser.isSet(name); }
  QString Value(const QString &name) const { return m_parser.value(name); }
  QStringList Values(const QString &name) const { return m_parser.values(name); }
  QString Positional(int index) const { return m_parser.positionalArguments().at(index); }
  QStringList Positionals() const { return m_parser.positionalArguments(); }
  // The value of an option that must be given.
  QString Required(const QString &name) const;

private:
  QCommandLineParser m_parser;
  QString m_usage;
  QString m_description;
  bool m_namesLibrary = false;
};

} // namespace zpm::cli
