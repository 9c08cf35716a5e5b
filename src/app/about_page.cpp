// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/about_page.h"

#include <QPlainTextEdit>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zpm {

QString TAboutPage::Text() {
  return "Zavorin Patch Manager v0.8\n"
         "\n"
         "Reads and writes the patches of the Zavorin SID and the Zavorin FM synthesizers: "
         "fetches them over MIDI, lists them, keeps them in .syx files and sends them back.\n"
         "\n"
         "The SID side also reads files made of the answer to the whole-bank dump request, "
         "as other librarian tools write them when they export a whole bank.\n"
         "\n"
         "Version history\n"
         "\n"
         "0.8  The log keeps every line of the run without slowing down. Choice of the MIDI "
         "service (ALSA or JACK) on the Config page, and a built-in simulated SID and FM to try "
         "the program without a synthesizer.\n"
         "0.7  Random patches: SID patches and FM voices from a seed and a table of value "
         "ranges, saved to a file or sent to the synthesizer.\n"
         "0.6  Patch viewer: any patch of any list as a hex dump beside its named parameters.\n"
         "0.5  Zavorin FM: voices, drumsets and ensembles fetched, saved, loaded, sent and "
         "copied, every write acknowledged by the synthesizer.\n"
         "0.4  Sending SID patches back, to their own or to any chosen bank and patch.\n"
         "0.3  Fetching SID patches (one patch, one bank, all banks), SID .syx files and the "
         "MIDI log.\n";
}

TAboutPage::TAboutPage(QWidget *parent) : QWidget(parent) {
  setObjectName("AboutPage");
  auto *text = new QPlainTextEdit(this);
  text->setObjectName("memAbout");
  text->setReadOnly(true);
  text->setPlainText(Text());
  text->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  text->setLineWrapMode(QPlainTextEdit::WidgetWidth);

  auto *tabs = new QTabWidget(this);
  tabs->addTab(text, "Abou&t");
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tabs);
}

} // namespace zpm
