// SPDX-License-Identifier: GPL-3.0-or-later
// The editor window through its real widgets over the built-in simulator:
// its openings, the keyboard, the slider, undo and redo, the search, the
// hex strip, and the three ways of keeping a patch, closing included.

#include "app/answer_modals.h"
#include "app/edit/audition_session.h"
#include "app/edit/edit_row.h"
#include "app/edit/patch_editor.h"
#include "app/fm/fm_page.h"
#include "app/library/library_fixture.h"
#include "app/send_report_dialog.h"
#include "app/sid/sid_list_widget.h"
#include "app/viewer/hex_view.h"
#include "app/viewer/hex_view_form.h"
#include "library/library.h"
#include "library/library_files.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <map>

namespace zpm {
namespace {

class TEditorTest : public TLibraryPageTest {
protected:
  TfrmPatchEditor &Editor() { return *app->editor; }
  // A SID patch at C:17 open in the editor, its window active.
  TPatch OpenSid() {
    StartSid();
    const TPatch patch = NamedPatch("Lead", 2, 16);
    EXPECT_TRUE(Editor().Open(ViewSidPatch(patch)));
    Activate();
    return patch;
  }
  void Activate() {
    Editor().activateWindow();
    QApplication::setActiveWindow(&Editor());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Editor()));
  }
  TEditRow &Row(const char *label) {
    for (TEditRow *row : Editor().Rows())
      if (row->Field().Label == label)
        return *row;
    ADD_FAILURE() << label;
    return *Editor().Rows().front();
  }
  int Value(const char *label) { return Editor().Edit()->Value(Row(label).Field()); }
  void Key(QWidget *to, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    to->setFocus();
    QTest::keyClick(to, key, modifiers);
  }
  std::vector<size_t> Marked() {
    std::vector<size_t> marked;
    for (size_t i = 0; i < Editor().HexStrip()->Model().Size(); ++i)
      if (Editor().HexStrip()->Model().IsMarked(i))
        marked.push_back(i);
    return marked;
  }
};

// "&Edit" in the viewer and in the menu of a list (the menu key) open the
// editor on that row's patch; the viewer closes.
TEST_F(TEditorTest, TheViewerAndTheListsMenusOpenTheEditor) {
  FetchNamedBank(); // Qx Alpha, Qx Alphorn, Qx Bravo, in the list and the library
  Library();
  Search("qx al");
  auto *fm = Find<TFmPage>("FmPage");
  TFMPatch drums;
  drums.SetPatchType(kFmDrumset);
  drums.UpdateChecksum();
  fm->Bank(TFmListId::DrumsGet).Add(drums);
  fm->RefreshLists();
  QApplication::processEvents();
  struct Case {
    QAbstractItemView *list;
    bool menu; // the menu key, else the viewer's "&Edit"
    PatchKind kind;
    QString caption;
  };
  const Case cases[] = {
      {GetList(), false, PatchKind::Sid, "Patch Editor - \"Qx Alphorn\"[*]"},
      {GetList(), true, PatchKind::Sid, "Patch Editor - \"Qx Alphorn\"[*]"},
      {&List(), true, PatchKind::Sid, "Patch Editor - \"Qx Alphorn\"[*]"},
      {&fm->List(TFmListId::DrumsGet), true, PatchKind::FmDrumset, "Patch Editor - Drumset[*]"},
  };
  for (const Case &c : cases) {
    Editor().close();
    const int row = c.list->model()->rowCount() > 1 ? 1 : 0;
    c.list->setCurrentIndex(c.list->model()->index(row, 0));
    bool viewed = false;
    TDialogs dialogs = Other([&](QWidget *modal) {
      if (auto *viewer = qobject_cast<TfrmHexView *>(modal)) {
        viewed = true;
        viewer->EditButton()->click();
      }
    });
    dialogs.each = [&] {
      if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget()))
        QTest::keyClick(menu, Qt::Key_E);
    };
    Run(
        [&] {
          if (c.menu) {
            QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(1, 1), QPoint(1, 1));
            QApplication::sendEvent(c.list, &key);
          } else {
            QTest::mousePress(c.list->viewport(), Qt::RightButton, {},
                              c.list->visualRect(c.list->model()->index(row, 0)).center());
          }
        },
        dialogs);
    EXPECT_EQ(viewed, !c.menu); // the menu's "&Edit" goes straight to the editor
    EXPECT_TRUE(Editor().isVisible());
    EXPECT_FALSE(app->hexView->isVisible());
    ASSERT_NE(Editor().Edit(), nullptr);
    EXPECT_EQ(Editor().Edit()->Kind(), c.kind);
    EXPECT_EQ(Editor().windowTitle(), c.caption);
  }
}

// Each kind of control by keyboard or mouse: the value changes in the patch,
// Ctrl+Z takes the step back and Ctrl+Shift+Z makes it again; a slider's
// drag, however many moves, is one step.
TEST_F(TEditorTest, KeysAndTheSliderEditAndEachStepUndoesAndRedoes) {
  OpenSid();
  struct Case {
    const char *label;
    std::function<void(TEditRow &)> act;
    int before, after;
  };
  const Case cases[] = {
      {"CutOff", [&](TEditRow &row) { Key(row.Control(), Qt::Key_Up); }, 0, 1},
      {"CutOff", [&](TEditRow &row) { Key(row.Control(), Qt::Key_PageUp); }, 1, 11},
      {"Resonance", [&](TEditRow &row) { Key(row.Slider(), Qt::Key_PageUp); }, 0, 16},
      {"Volume",
       [&](TEditRow &row) {
         // Taken by the handle, dragged right in three moves, let go.
         QSlider *slider = row.Slider();
         slider->setSliderDown(true);
         for (int to : {40, 90, 127})
           slider->setSliderPosition(to);
         slider->setSliderDown(false);
       },
       0, 127},
      {"Voice1 Waveform", [&](TEditRow &row) { Key(row.Control(), Qt::Key_Down); }, 0, 1},
      {"Poly", [&](TEditRow &row) { Key(row.Control(), Qt::Key_Space); }, 0, 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    TEditRow &row = Row(c.label);
    ASSERT_EQ(Value(c.label), c.before);
    c.act(row);
    EXPECT_EQ(Value(c.label), c.after);
    Key(row.Control(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Value(c.label), c.before);
    Key(row.Control(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Value(c.label), c.after);
  }
  // Tab goes from the buttons above into the rows in map order, and from the
  // last row to the hex strip.
  auto *compare = Editor().findChild<QPushButton *>("btnEditCompare");
  Key(compare, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), Row("Volume").Slider());
  Key(Row("Volume").Slider(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), Row("Volume").Control());
  Key(Editor().Rows().back()->Control(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), Editor().HexStrip());
  // Every control shows what the patch holds after the steps.
  EXPECT_EQ(Row("CutOff").Slider()->value(), 11);
  EXPECT_EQ(Row("Volume").findChild<QSpinBox *>()->value(), 127);
  EXPECT_EQ(Row("Poly").findChild<QCheckBox *>()->checkState(), Qt::Checked);
}

// The search shows the rows holding every word typed and the headings over
// them; nothing found says so.
TEST_F(TEditorTest, TheSearchShowsOnlyTheRowsItFinds) {
  OpenSid();
  struct Case {
    const char *text;
    QStringList rows, headings;
    QString found;
  };
  const Case cases[] = {
      {"release",
       {"Voice1 Release", "Voice2 Release", "Voice3 Release", "ENV 1 Release", "ENV 2 Release"},
       {"Voice 1", "Voice 2", "Voice 3", "Envelopes"},
       "5 of 106 parameters"},
      {"cutoff", {"CutOff"}, {"Filter"}, "1 of 106 parameters"},
      {"zzz", {}, {}, "No parameter matches \"zzz\"."},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    Editor().findChild<QLineEdit *>("edEditSearch")->setText(c.text);
    QStringList rows, headings;
    for (TEditRow *row : Editor().Rows())
      if (row->isVisibleTo(&Editor()))
        rows << QString::fromStdString(row->Field().Label);
    for (QLabel *label : Editor().findChildren<QLabel *>())
      if (label->objectName().startsWith("lbEditGroup") && label->isVisibleTo(&Editor()))
        headings << label->text().remove("<b>").remove("</b>");
    EXPECT_EQ(rows, c.rows);
    EXPECT_EQ(headings, c.headings);
    EXPECT_EQ(Editor().findChild<QLabel *>("lbEditFound")->text(), c.found);
  }
}

// The hex strip marks the bytes that differ from the original, checksum
// included, and no other; undone, none.
TEST_F(TEditorTest, TheHexStripMarksExactlyTheChangedBytes) {
  OpenSid();
  const size_t cutoff = Row("CutOff").Field().DumpByte;
  const size_t volume = Row("Volume").Field().DumpByte;
  Key(Row("CutOff").Control(), Qt::Key_Up);
  Key(Row("Volume").Control(), Qt::Key_Up);
  auto *name = Editor().findChild<QLineEdit *>("edEditName");
  name->setFocus();
  name->selectAll();
  QTest::keyClicks(name, "Leaf");
  QTest::keyClick(name, Qt::Key_Return);
  // "Lead" was followed by zero bytes; a name typed is filled with spaces.
  std::vector<size_t> changed;
  for (size_t i = 3; i < kNameSize; ++i)
    changed.push_back(kSidDataOffset + i);
  changed.insert(changed.end(), {volume, cutoff, kSidDataOffset + kDataSize});
  std::sort(changed.begin(), changed.end());
  EXPECT_EQ(Marked(), changed);
  EXPECT_EQ(Marked(), Editor().Edit()->ChangedBytes());
  EXPECT_EQ(Editor().HexStrip()->Model().Data(), Editor().Edit()->Current());
  for (int i = 0; i < 3; ++i)
    Key(Row("CutOff").Control(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Marked(), std::vector<size_t>{});
  EXPECT_EQ(name->text(), "Lead");
}

// "Compare with original" sets the original beside the patch as edited in
// the viewer, the changed rows marked; the viewer offers no "&Edit" there.
TEST_F(TEditorTest, CompareWithOriginalMarksTheChangedRows) {
  OpenSid();
  Key(Row("CutOff").Control(), Qt::Key_Up);
  Key(Row("Voice2 Release").Control(), Qt::Key_Up);
  QStringList marked;
  QString header;
  bool editOffered = true;
  TDialogs dialogs = Other([&](QWidget *modal) {
    if (auto *viewer = qobject_cast<TfrmHexView *>(modal)) {
      for (int row : viewer->MarkedRows())
        marked << viewer->List()->item(row, 0)->text();
      header = viewer->List()->horizontalHeaderItem(2)->text();
      editOffered = viewer->EditButton()->isVisibleTo(viewer);
      viewer->close();
    }
  });
  Run([&] { Editor().findChild<QPushButton *>("btnEditCompare")->click(); }, dialogs);
  EXPECT_EQ(marked, (QStringList{"CutOff", "Voice2 Release"}));
  EXPECT_EQ(header, "Original");
  EXPECT_FALSE(editOffered);
}

// A byte a patch made elsewhere holds is shown as it is and kept while other
// fields change; moving its control lands on the nearest allowed value.
TEST_F(TEditorTest, AByteTheFieldDoesNotAllowIsKeptUntilChanged) {
  StartSid();
  TFMPatch voice;
  voice.SetPatchType(kFmVoice);
  const EditField &volume = *FindEditField(PatchKind::FmVoice, "OP2 Volume");
  voice.Dump[volume.DumpByte] = 100; // the field takes 0..63
  voice.Dump[FindEditField(PatchKind::FmVoice, "OP3 Waveform")->DumpByte] = 9; // 0..7
  voice.UpdateChecksum();
  ASSERT_TRUE(Editor().Open(ViewFmPatch(voice)));
  Activate();
  TEditRow &row = Row("OP2 Volume");
  auto *spin = row.findChild<QSpinBox *>();
  EXPECT_EQ(spin->value(), 100);
  EXPECT_TRUE(row.findChild<QLabel *>(QString("lbEditNote%1").arg(row.objectName().mid(7)))
                  ->isVisibleTo(&row));
  Key(Row("OP1 Volume").Control(), Qt::Key_Up);
  EXPECT_EQ(Value("OP2 Volume"), 100);
  Key(spin, Qt::Key_Down);
  EXPECT_EQ(Value("OP2 Volume"), 63);
  EXPECT_EQ(spin->maximum(), 63);
  // A drop-down offers the byte as found first; chosen again, it stays.
  auto *waves = Row("OP3 Waveform").findChild<QComboBox *>();
  EXPECT_EQ(waves->currentText(), "9 (as found)");
  emit waves->activated(0);
  EXPECT_EQ(Value("OP3 Waveform"), 9);
  emit waves->activated(3);
  EXPECT_EQ(Value("OP3 Waveform"), 2);
  Key(waves, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(waves->currentText(), "9 (as found)");
}

// "Save to library" stores the edited patch as made from the original;
// "Save as SysEx file..." writes it; "Send to slot..." puts it in the
// slot chosen, backed up and read back, and reports the slot.
TEST_F(TEditorTest, TheEditedPatchIsKeptInTheLibraryAFileAndASlot) {
  const TPatch original = OpenSid();
  Key(Row("CutOff").Control(), Qt::Key_Up);
  const Bytes edited = Editor().Edit()->Current();
  TPatchBytes made, parent;
  PatchBytesOf(edited.data(), edited.size(), made);
  PatchBytesOf(original.Dump.data(), original.Dump.size(), parent);

  TDialogs none;
  Run([&] { Editor().findChild<QPushButton *>("btnEditSaveLibrary")->click(); }, none);
  EXPECT_EQ(none.told, QStringList());
  TLibrary &library = *Main().Library();
  std::map<std::string, int64_t> ids; // by hash
  for (const TPatchRow &row : library.Search(TSearch{}))
    ids[row.hash] = row.id;
  ASSERT_EQ(ids.size(), 2u);
  const std::vector<TLineageRow> parents = library.Parents(ids[PatchHash(made)]);
  ASSERT_EQ(parents.size(), 1u);
  EXPECT_EQ(parents[0].id, ids[PatchHash(parent)]);
  EXPECT_EQ(parents[0].making.how, TMadeBy::Edit);
  EXPECT_FALSE(Editor().isWindowModified());

  QTemporaryDir dir;
  const QString path = dir.filePath("edited.syx");
  TDialogs file = Picking({path});
  Run([&] { Editor().findChild<QPushButton *>("btnEditSaveFile")->click(); }, file);
  EXPECT_EQ(file.told, QStringList());
  const TPatchBank saved = SavedSid(path);
  ASSERT_EQ(saved.Count(), 1);
  EXPECT_EQ(Bytes(saved.GetPatch(0).Data(), saved.GetPatch(0).Data() + kDataSize),
            Bytes(made.data.begin(), made.data.end()));
  EXPECT_EQ(Editor().StatusText(), "1 patch saved to edited.syx");

  QStandardPaths::setTestModeEnabled(true);
  const QString backups =
      QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).filePath("backups");
  QString summary;
  TDialogs send = Other([&](QWidget *modal) {
    if (auto *report = qobject_cast<TfrmSendReport *>(modal)) {
      summary = report->findChild<QLabel *>("lbSummary")->text();
      report->findChild<QPushButton *>("btnClose")->click();
    } else if (modal->objectName() == "frmEditSendSlot") {
      // The patch's own slot is offered; D:5 chosen.
      EXPECT_EQ(modal->findChild<QComboBox *>("cbxEditSendBank")->currentIndex(), 2);
      EXPECT_EQ(modal->findChild<QSpinBox *>("seEditSendSlot")->value(), 17);
      modal->findChild<QComboBox *>("cbxEditSendBank")->setCurrentIndex(3);
      modal->findChild<QSpinBox *>("seEditSendSlot")->setValue(5);
      modal->findChild<QCheckBox *>("cbEditSendBackup")->setChecked(true);
      modal->findChild<QCheckBox *>("cbEditSendVerify")->setChecked(true);
      modal->findChild<QPushButton *>("btnEditSendOk")->click();
    }
  });
  Key(Row("CutOff").Control(), Qt::Key_Up);
  Press("btnEditSend", send);
  EXPECT_EQ(summary, "1 slot: 1 verified.");
  EXPECT_EQ(QDir(backups).entryList({"sid-*.syx"}).size(), 1);
  QDir(backups).removeRecursively();
  QStandardPaths::setTestModeEnabled(false);
  Bytes data = Editor().Edit()->Current();
  data = Bytes(data.begin() + kSidDataOffset, data.begin() + kSidDataOffset + kDataSize);
  EXPECT_EQ(Synth().SidPatchData(3, 4), data);
  EXPECT_EQ(Editor().StatusText(), "\"Lead\" sent to D:5.");
}

// Closing with changes not kept asks Save, Discard or Cancel: Cancel keeps
// the window and the changes, Discard lets them go, Save keeps the patch in
// the library first. Without changes nothing is asked.
TEST_F(TEditorTest, ClosingWithUnsavedChangesAsksSaveDiscardOrCancel) {
  OpenSid();
  struct Case {
    bool change;
    QMessageBox::StandardButton answer; // NoButton: nothing asked
    bool staysOpen;
    int64_t libraryPatches; // after
    bool program = false;   // the main window closed, else the editor
  };
  const Case cases[] = {
      {true, QMessageBox::Cancel, true, 0},
      {false, QMessageBox::Discard, false, 0}, // the change above, let go
      {false, QMessageBox::NoButton, false, 0},
      {true, QMessageBox::Save, false, 2}, // the edited patch and its original
      // Closing the program closes the editor first: Cancel keeps both open.
      {true, QMessageBox::Cancel, true, 2, true},
  };
  for (const Case &c : cases) {
    if (!Editor().isVisible()) {
      Editor().Open(ViewSidPatch(NamedPatch("Lead", 2, 16)));
      Activate();
    }
    if (c.change)
      Key(Row("CutOff").Control(), Qt::Key_Up);
    QStringList asked;
    if (c.answer != QMessageBox::NoButton)
      WhenModal([&](QWidget *modal) {
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
          asked << box->text();
          box->button(c.answer)->click();
        }
      });
    (c.program ? static_cast<QWidget &>(Main()) : Editor()).close();
    QApplication::processEvents();
    EXPECT_TRUE(Main().isVisible());
    const QString question = "\"Lead\" has changes that are not kept anywhere yet. Save it to "
                             "the library before letting it go?";
    EXPECT_EQ(asked, c.answer == QMessageBox::NoButton ? QStringList() : QStringList{question});
    EXPECT_EQ(Editor().isVisible(), c.staysOpen);
    EXPECT_EQ(Main().Library()->Count(TSearch{}), c.libraryPatches);
  }
}

// A library that could not be opened keeps nothing: "Save to library" says
// so and what to do, and Save in the closing question leaves the window open
// with its changes.
TEST_F(TEditorTest, ALibraryNotOpenLeavesThePatchInTheWindow) {
  QFile junk(LibraryPath());
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write(QByteArray(4096, 'x'));
  junk.close();
  OpenSid();
  ASSERT_EQ(Main().Library(), nullptr);
  Key(Row("CutOff").Control(), Qt::Key_Up);
  TDialogs save;
  Run([&] { Editor().findChild<QPushButton *>("btnEditSaveLibrary")->click(); }, save);
  ASSERT_EQ(save.told.size(), 1);
  EXPECT_TRUE(save.told[0].startsWith(
      "The patch was not saved: the library is not open. Save it as a SysEx file"));
  EXPECT_TRUE(Editor().isWindowModified());

  QStringList seen;
  WhenModal([&](QWidget *question) {
    seen << static_cast<QMessageBox *>(question)->text();
    WhenModal([&](QWidget *error) {
      seen << static_cast<QMessageBox *>(error)->text();
      static_cast<QMessageBox *>(error)->done(QMessageBox::Ok);
    });
    static_cast<QMessageBox *>(question)->button(QMessageBox::Save)->click();
  });
  Editor().close();
  QApplication::processEvents();
  EXPECT_EQ(seen.size(), 2);
  ASSERT_TRUE(Editor().isVisible());
  EXPECT_EQ(Value("CutOff"), 1);
}

// With "Audition" on, every change is heard in the slot asked for at the
// first audition; closing puts the slot's own patch back, or keeps the
// edited one there when the musician says No.
TEST_F(TEditorTest, AuditionPlaysEachChangeInTheSlotAndPutsItsPatchBack) {
  const Bytes own = NamedData("Slot Own");
  const auto data = [](const Bytes &image) {
    return Bytes(image.begin() + kSidDataOffset, image.begin() + kSidDataOffset + kDataSize);
  };
  const auto until = [](const std::function<bool()> &done) {
    for (int i = 0; i < 500 && !done(); ++i)
      QTest::qWait(10);
    return done();
  };
  for (const bool putBack : {true, false}) {
    SCOPED_TRACE(putBack ? "put back" : "kept");
    OpenSid();
    Synth().SetSidPatchData(1, 4, own);
    auto *audition = Editor().findChild<QPushButton *>("btnEditAudition");
    ASSERT_NE(audition, nullptr);
    // Only the first audition asks for the slot.
    int asked = 0;
    AnswerModals([&] { audition->click(); },
                 [&](QWidget *dialog) {
                   ++asked;
                   dialog->findChild<QComboBox *>("cbxAskAuditionBank")->setCurrentIndex(1);
                   dialog->findChild<QSpinBox *>("seAskAuditionSlot")->setValue(5);
                   static_cast<QDialog *>(dialog)->accept();
                 });
    EXPECT_EQ(asked, 1); // a fresh window each time
    ASSERT_TRUE(audition->isChecked());
    for (int step = 0; step < 3; ++step)
      Key(Row("CutOff").Control(), Qt::Key_Up);
    EXPECT_TRUE(
        until([&] { return Synth().SidPatchData(1, 4) == data(Editor().Edit()->Current()); }));
    // Discard the edit, then answer the put-back question.
    QTimer answer;
    answer.setInterval(0);
    QObject::connect(&answer, &QTimer::timeout, [&] {
      auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
      if (!box)
        return;
      const bool discard = box->standardButtons().testFlag(QMessageBox::Discard);
      box->button(discard   ? QMessageBox::Discard
                  : putBack ? QMessageBox::Yes
                            : QMessageBox::No)
          ->click();
    });
    answer.start();
    const Bytes heard = Synth().SidPatchData(1, 4);
    Editor().close();
    answer.stop();
    ASSERT_TRUE(until([&] { return Editor().Audition().Idle(); }));
    EXPECT_EQ(Synth().SidPatchData(1, 4), putBack ? own : heard);
  }
}

// The audition's thread has the link until it lets go: the main window's
// fetch is refused with a sentence meanwhile, and goes through afterwards.
TEST_F(TEditorTest, TheMainWindowWaitsForTheAuditionToLetGo) {
  OpenSid();
  TAuditionSettings chosen = Main().Audition();
  chosen.sid.bank = 1;
  chosen.sid.slot = 4;
  Main().SetAudition(chosen);
  auto *audition = Editor().findChild<QPushButton *>("btnEditAudition");
  audition->click();
  ASSERT_TRUE(audition->isChecked());
  const TDialogs refused = Press("btnGetSingleBank");
  ASSERT_EQ(refused.told.size(), 1);
  EXPECT_TRUE(refused.told.front().contains("audition slot")) << refused.told.front().toStdString();
  EXPECT_TRUE(audition->isChecked());
  AnswerModals([&] { audition->click(); });
  for (int i = 0; i < 500 && !Editor().Audition().Idle(); ++i)
    QTest::qWait(10);
  const TDialogs fetched = Press("btnGetSingleBank");
  EXPECT_TRUE(fetched.told.filter("audition").isEmpty());
  EXPECT_EQ(GetList()->model()->rowCount(), 128);
}

} // namespace
} // namespace zpm
