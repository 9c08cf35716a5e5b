// SPDX-License-Identifier: GPL-3.0-or-later
// The Explore window over the built-in simulator and a library of its own:
// rounds made, liked, gone back and made again with their seeds shown; a
// candidate heard in the audition slot and the slot put back on closing;
// kept candidates in the library with their parents, making and tag; and
// the patches it refuses to start from.

#include "app/edit/audition_session.h"
#include "app/explore/explore_open.h"
#include "app/explore/explore_window.h"
#include "app/library/library_fixture.h"
#include "edit/edit_fields.h"
#include "explore/explore_keep.h"
#include "library/library.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QThread>

#include <algorithm>

namespace zpm {
namespace {

const char *const kNames[] = {"Qx Alpha", "Qx Alphorn", "Qx Bravo", "Qx Charlie", "Qx Delta"};

class TExploreWindowTest : public TLibraryPageTest {
protected:
  // Bank A of the simulator with five named patches, fetched into the library.
  void FetchFive() {
    StartSid();
    for (uint8_t i = 0; i < 5; ++i)
      Synth().SetSidPatchData(0, i, NamedData(kNames[i]));
    Press("btnGetSingleBank");
    Library();
    Search("Qx");
    ASSERT_EQ(List().model()->rowCount(), 5);
  }
  // The Explore window opened from the library window on the rows chosen.
  TfrmExplore *Explore(const std::vector<int> &rows, QStringList *told = nullptr) {
    SelectRows(&List(), rows);
    const QStringList shown = Click("btnLibraryExplore");
    if (told)
      *told = shown;
    return ExploreWindow(Main());
  }
  template <typename T> T *In(TfrmExplore *window, const QString &name) {
    T *widget = window->findChild<T *>(name);
    EXPECT_NE(widget, nullptr) << name.toStdString();
    return widget;
  }
  void Like(TfrmExplore *window, int candidate, bool liked = true) {
    In<QCheckBox>(window, QStringLiteral("cbLiked%1").arg(candidate))->setChecked(liked);
  }
  void Push(TfrmExplore *window, const char *button) {
    In<QPushButton>(window, QString::fromLatin1(button))->click();
  }
  QString RoundText(TfrmExplore *window) {
    return In<QLabel>(window, QStringLiteral("lbExploreRound"))->text();
  }
  // Turns the event loop until done, at most about 20 s.
  template <typename Done> bool Until(Done done) {
    for (int turn = 0; turn < 20000 && !done(); ++turn) {
      QApplication::processEvents();
      QThread::msleep(1);
    }
    return done();
  }
  int64_t IdOf(const Bytes &image) {
    TSearch search;
    for (const TPatchRow &row : Main().Library()->Search(search))
      if (Main().Library()->Patch(row.id).patch.data == ExplorePatchBytes(image).data)
        return row.id;
    return 0;
  }
};

TEST_F(TExploreWindowTest, RoundsGoOnFromTheLikedAndBackWithTheirSeedsShown) {
  FetchFive();
  TfrmExplore *window = Explore({0, 1});
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(window->isVisible());
  const TExploreRound first = window->Round();
  EXPECT_EQ(RoundText(window), QStringLiteral("Round 1, seed %1").arg(first.seed));
  EXPECT_EQ(In<QPushButton>(window, "btnCandidate1")->text(), "1  Qx Alpha 1");
  EXPECT_FALSE(In<QPushButton>(window, "btnExploreBack")->isEnabled());

  // At most four liked: the fifth mark does not stay.
  for (int candidate : {1, 2, 3, 4, 5})
    Like(window, candidate);
  EXPECT_FALSE(In<QCheckBox>(window, "cbLiked5")->isChecked());
  EXPECT_EQ(window->Liked(), (std::vector<size_t>{0, 1, 2, 3}));

  // A lock keeps its field as the parent had it, and is remembered.
  const EditField &locked = *FindEditField(PatchKind::Sid, "cutoff");
  auto *locks = In<QListWidget>(window, "lvExploreLocks");
  locks->findItems(QString::fromStdString(locked.Label), Qt::MatchExactly)
      .value(0)
      ->setCheckState(Qt::Checked);
  EXPECT_TRUE(SettingsText().contains(QString::fromStdString("SidLocks=" + locked.Label)));

  Push(window, "btnExploreNext");
  const TExploreRound second = window->Round();
  EXPECT_EQ(second.seed, NextRoundSeed(first.seed));
  EXPECT_EQ(RoundText(window), QStringLiteral("Round 2, seed %1").arg(second.seed));
  // The names go on numbering from the first patch's name.
  EXPECT_EQ(In<QPushButton>(window, "btnCandidate16")->text(), "16  Qx Alpha 32");
  ASSERT_EQ(second.parents.size(), 4u);
  for (size_t i = 0; i < 4; ++i)
    EXPECT_EQ(second.parents[i], first.candidates[i].image);
  for (const TExploreCandidate &candidate : second.candidates)
    EXPECT_EQ(candidate.image[locked.DumpByte],
              second.parents[candidate.parents.front()][locked.DumpByte]);

  Like(window, 7);
  Push(window, "btnExploreNext");
  EXPECT_EQ(RoundText(window), QStringLiteral("Round 3, seed %1").arg(NextRoundSeed(second.seed)));
  EXPECT_EQ(window->Round().parents, std::vector<Bytes>{second.candidates[6].image});

  // Back: the round before as it was, with the mark that made the next one.
  Push(window, "btnExploreBack");
  EXPECT_EQ(RoundText(window), QStringLiteral("Round 2, seed %1").arg(second.seed));
  EXPECT_EQ(window->Round().candidates[15].image, second.candidates[15].image);
  EXPECT_EQ(window->Liked(), std::vector<size_t>{6});

  // A seed typed in makes the round again as the core makes it from that seed.
  In<QSpinBox>(window, "edExploreSeed")->setValue(4321);
  Push(window, "btnExploreAgain");
  EXPECT_EQ(RoundText(window), QStringLiteral("Round 2, seed 4321"));
  TExploreOptions options;
  options.seed = 4321;
  options.amount = In<QSpinBox>(window, "seExploreAmount")->value();
  options.locks = {locked.Label};
  options.baseName = "Qx Alpha";
  options.firstNumber = 17;
  EXPECT_EQ(window->Round().candidates[3].image,
            BuildRound(second.parents, options).candidates[3].image);
}

TEST_F(TExploreWindowTest, ACandidatePlaysInTheAuditionSlotUntilTheWindowCloses) {
  FetchFive();
  const Bytes own = NamedData("Slot Own");
  Synth().SetSidPatchData(1, 4, own);
  TfrmExplore *window = Explore({2});
  ASSERT_NE(window, nullptr);
  // No slot chosen yet: nothing plays, and the window says how to choose one.
  Push(window, "btnCandidate3");
  EXPECT_FALSE(window->Audition().Running());
  EXPECT_TRUE(In<QLabel>(window, "lbExploreStatus")->text().startsWith("No audition slot"));

  In<QComboBox>(window, "cbxAuditionBank")->setCurrentIndex(1);
  In<QSpinBox>(window, "seAuditionSlot")->setValue(5);
  // The Config page's slot, which the editor plays in too.
  EXPECT_EQ(Main().Audition().sid.bank, 1);
  EXPECT_EQ(Main().Audition().sid.slot, 4);
  const auto data = [](const Bytes &image) {
    return Bytes(image.begin() + kSidDataOffset, image.begin() + kSidDataOffset + kDataSize);
  };
  const struct {
    int key; // 0: a click
    int candidate;
  } plays[] = {{0, 3}, {Qt::Key_2, 2}, {0, 16}, {Qt::Key_9, 9}};
  int writes = 0;
  for (const auto &play : plays) {
    if (play.key)
      QTest::keyClick(window, static_cast<Qt::Key>(play.key));
    else
      Push(window, QStringLiteral("btnCandidate%1").arg(play.candidate).toLatin1().constData());
    ++writes;
    ASSERT_TRUE(Until([&] {
      return window->Audition().Current() && window->Audition().Current()->Writes() >= writes;
    })) << play.candidate;
    EXPECT_EQ(Synth().SidPatchData(1, 4),
              data(window->Round().candidates[static_cast<size_t>(play.candidate - 1)].image))
        << play.candidate;
  }
  window->close();
  ASSERT_TRUE(Until([&] { return window->Audition().Idle(); }));
  EXPECT_EQ(Synth().SidPatchData(1, 4), own);
}

TEST_F(TExploreWindowTest, KeptCandidatesAreTaggedAndTracedToThePatchesTheyCameFrom) {
  FetchFive();
  TfrmExplore *window = Explore({0, 1});
  ASSERT_NE(window, nullptr);
  const TExploreRound first = window->Round();
  Like(window, 1);  // a crossing of both
  Like(window, 12); // a variation of the second
  Push(window, "btnExploreNext");
  const TExploreRound second = window->Round();
  Like(window, 2); // a crossing of round 1's candidates 1 and 12
  Like(window, 9); // a variation of candidate 1
  Push(window, "btnExploreKeep");

  TLibrary &library = *Main().Library();
  TSearch tagged;
  tagged.tags = {"explored"};
  EXPECT_EQ(library.Count(tagged), 2);
  const int64_t alpha = IdOf(first.parents[0]), alphorn = IdOf(first.parents[1]);
  ASSERT_NE(alpha, 0);
  ASSERT_NE(alphorn, 0);
  const struct {
    const TExploreRound &round;
    const TExploreCandidate &candidate;
    std::vector<int64_t> parents;
  } kept[] = {
      {second,
       second.candidates[1],
       {IdOf(first.candidates[0].image), IdOf(first.candidates[11].image)}},
      {second, second.candidates[8], {IdOf(first.candidates[0].image)}},
      // The liked candidates of round 1 were made from the patches it started with.
      {first, first.candidates[0], {alpha, alphorn}},
      {first, first.candidates[11], {alphorn}},
  };
  for (const auto &each : kept) {
    const int64_t id = IdOf(each.candidate.image);
    ASSERT_NE(id, 0);
    std::vector<int64_t> parents;
    for (const TLineageRow &row : library.Parents(id)) {
      parents.push_back(row.id);
      EXPECT_EQ(row.making.how,
                each.candidate.how == TExploreHow::Cross ? TMadeBy::Cross : TMadeBy::Vary);
      EXPECT_EQ(row.making.amount, each.candidate.amount);
      EXPECT_TRUE(row.making.hasSeed);
      EXPECT_EQ(row.making.seed, each.round.seed);
    }
    std::sort(parents.begin(), parents.end());
    std::vector<int64_t> expected = each.parents;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(parents, expected);
  }
}

TEST_F(TExploreWindowTest, OnlyOneToFourPatchesOfOneKindAreExplored) {
  FetchFive();
  // An FM voice in the library beside the SID patches.
  TSighting voice;
  voice.patch.kind = TKind::FmVoice;
  std::copy(std::begin("Qx Fm Voice"), std::end("Qx Fm Voice") - 1, voice.patch.data.begin());
  voice.path = "/tmp/voice.syx";
  Main().Library()->RecordSightings({voice});
  Library().Reload();
  Search("Qx");
  ASSERT_EQ(List().model()->rowCount(), 6);
  const struct {
    std::vector<int> rows;
    const char *told; // empty: it opens
  } cases[] = {
      {{}, "Choose 1 to 4 patches of one kind to explore; 0 are chosen."},
      {{0, 1, 2, 3, 4}, "Choose 1 to 4 patches of one kind to explore; 5 are chosen."},
      {{0, 5}, "These patches cannot be explored together"},
      {{0, 1, 2, 3}, ""},
      {{5}, ""},
  };
  for (const auto &each : cases) {
    if (TfrmExplore *open = ExploreWindow(Main()))
      open->hide();
    QStringList told;
    TfrmExplore *window = Explore(each.rows, &told);
    if (*each.told) {
      ASSERT_EQ(told.size(), 1) << each.rows.size();
      EXPECT_TRUE(told[0].startsWith(each.told)) << told[0].toStdString();
      EXPECT_FALSE(window && window->isVisible());
    } else {
      EXPECT_TRUE(told.isEmpty());
      ASSERT_NE(window, nullptr);
      EXPECT_TRUE(window->isVisible());
      EXPECT_EQ(window->Round().parents.size(), each.rows.size());
    }
  }
}

TEST_F(TExploreWindowTest, TheMenuKeyOnAPatchListOffersExplore) {
  FetchFive();
  QTableView *list = GetList();
  list->setCurrentIndex(list->model()->index(3, 0));
  SelectRows(list, {1, 3});
  const struct {
    QContextMenuEvent::Reason reason;
    bool opens;
  } cases[] = {{QContextMenuEvent::Mouse, false}, {QContextMenuEvent::Keyboard, true}};
  for (const auto &each : cases) {
    bool offered = false;
    QTimer::singleShot(0, [&] {
      if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
        offered = true;
        for (QAction *action : menu->actions())
          if (action->objectName() == "actExplore")
            menu->setActiveAction(action);
        QTest::keyClick(menu, Qt::Key_Return);
      }
    });
    QContextMenuEvent event(each.reason, QPoint(2, 2), list->viewport()->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(list->viewport(), &event);
    QApplication::processEvents();
    EXPECT_EQ(offered, each.opens);
    TfrmExplore *window = ExploreWindow(Main());
    EXPECT_EQ(window != nullptr && window->isVisible(), each.opens);
  }
  TfrmExplore *window = ExploreWindow(Main());
  ASSERT_NE(window, nullptr);
  const TPatch second = Main().SidGetBank().GetPatch(1), fourth = Main().SidGetBank().GetPatch(3);
  EXPECT_EQ(window->Round().parents,
            (std::vector<Bytes>{Bytes(second.Dump.begin(), second.Dump.end()),
                                Bytes(fourth.Dump.begin(), fourth.Dump.end())}));
}

TEST_F(TExploreWindowTest, ARoundGoesToABankOfTheSynthesizerOrIntoAFile) {
  FetchFive();
  TfrmExplore *window = Explore({0, 1});
  ASSERT_NE(window, nullptr);
  const TExploreRound round = window->Round();
  const auto data = [](const Bytes &image) {
    return Bytes(image.begin() + kSidDataOffset, image.begin() + kSidDataOffset + kDataSize);
  };
  const QString path =
      QDir(QDir::tempPath())
          .filePath(QStringLiteral("explore-round-%1.syx").arg(QCoreApplication::applicationPid()));
  const struct {
    const char *button;
    TDialogs dialogs;
  } ways[] = {
      {"btnExploreSendRound", Other([](QWidget *modal) {
         // Bank C, then the send's report closed.
         if (auto *bank = modal->findChild<QComboBox *>("cbxDestinationBank"))
           bank->setCurrentIndex(2);
         static_cast<QDialog *>(modal)->accept();
       })},
      {"btnExploreSaveRound", Picking({path})},
  };
  for (const auto &way : ways) {
    const TDialogs dialogs = TSidWindowTest::Press(way.button, way.dialogs);
    EXPECT_TRUE(dialogs.told.isEmpty()) << dialogs.told.join('\n').toStdString();
    std::vector<Bytes> placed;
    if (dialogs.paths.isEmpty() && dialogs.fileDialogs == 1) {
      const TPatchBank saved = SavedSid(path);
      for (int i = 0; i < saved.Count(); ++i) {
        EXPECT_EQ(saved.GetPatch(i).Bank, 0);
        EXPECT_EQ(saved.GetPatch(i).PatchNumber(), i);
        placed.push_back(Bytes(saved.GetPatch(i).Data(), saved.GetPatch(i).Data() + kDataSize));
      }
    } else {
      for (uint8_t i = 0; i < kExploreRoundSize; ++i)
        placed.push_back(Synth().SidPatchData(2, i));
    }
    ASSERT_EQ(placed.size(), round.candidates.size()) << way.button;
    for (size_t i = 0; i < placed.size(); ++i)
      EXPECT_EQ(placed[i], data(round.candidates[i].image)) << way.button << " " << i;
  }
  QFile::remove(path);
}

} // namespace
} // namespace zpm
