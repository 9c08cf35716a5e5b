// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/edit/patch_editor.h"

#include "app/edit/audition_session.h"
#include "app/edit/edit_row.h"
#include "app/viewer/hex_view.h"
#include "app/viewer/hex_view_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QShortcut>
#include <QSplitter>
#include <QVBoxLayout>

namespace zpm {

namespace {

QString Latin1(const std::string &text) {
  return QString::fromLatin1(text.data(), static_cast<int>(text.size()));
}

// A name as the field shows it: up to the first zero byte, without the
// spaces that fill it to 16 characters.
QString ShownName(const std::string &name) {
  QString shown = Latin1(name.substr(0, name.find('\0')));
  while (shown.endsWith(QLatin1Char(' ')))
    shown.chop(1);
  return shown;
}

QPushButton *Button(const QString &text, const char *name, QWidget *parent) {
  auto *button = new QPushButton(text, parent);
  button->setObjectName(QLatin1String(name));
  return button;
}

} // namespace

TfrmPatchEditor::TfrmPatchEditor(TMainContext &context, QWidget *parent)
    : QWidget(parent, Qt::Window), m_context(context) {
  setObjectName(QStringLiteral("frmPatchEditor"));
  setWindowTitle(QStringLiteral("Patch Editor[*]"));
  resize(820, 720);

  edEditSearch = new QLineEdit(this);
  edEditSearch->setObjectName(QStringLiteral("edEditSearch"));
  edEditSearch->setPlaceholderText(QStringLiteral("Search the parameters"));
  edEditSearch->setClearButtonEnabled(true);
  auto *searchLabel = new QLabel(QStringLiteral("&Search:"), this);
  searchLabel->setObjectName(QStringLiteral("lbEditSearch"));
  searchLabel->setBuddy(edEditSearch);
  edEditName = new QLineEdit(this);
  edEditName->setObjectName(QStringLiteral("edEditName"));
  edEditName->setMaxLength(static_cast<int>(kNameSize));
  // The synthesizer shows plain characters only.
  edEditName->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("[\\x20-\\x7e]{0,16}")), edEditName));
  auto *nameLabel = new QLabel(QStringLiteral("&Name:"), this);
  nameLabel->setObjectName(QStringLiteral("lbEditName"));
  nameLabel->setBuddy(edEditName);
  btnEditUndo = Button(QStringLiteral("&Undo"), "btnEditUndo", this);
  btnEditRedo = Button(QStringLiteral("&Redo"), "btnEditRedo", this);
  btnEditCompare = Button(QStringLiteral("&Compare with original"), "btnEditCompare", this);
  lbEditFound = new QLabel(this);
  lbEditFound->setObjectName(QStringLiteral("lbEditFound"));

  m_scroll = new QScrollArea(this);
  m_scroll->setObjectName(QStringLiteral("scEditRows"));
  m_scroll->setWidgetResizable(true);
  m_scroll->setFocusPolicy(Qt::NoFocus); // its rows take the focus
  m_hex = new THexView(this);
  m_hex->setObjectName(QStringLiteral("HexEditStrip"));
  m_hex->setToolTip(QStringLiteral("The patch as it would be sent; changed bytes are marked"));
  auto *split = new QSplitter(Qt::Vertical, this);
  split->setObjectName(QStringLiteral("splEdit"));
  split->addWidget(m_scroll);
  split->addWidget(m_hex);
  split->setStretchFactor(0, 3);
  split->setStretchFactor(1, 1);
  split->setSizes({500, 160});

  btnEditSaveLibrary = Button(QStringLiteral("Save to &library"), "btnEditSaveLibrary", this);
  btnEditSaveFile = Button(QStringLiteral("Save as SysEx &file..."), "btnEditSaveFile", this);
  btnEditSend = Button(QStringLiteral("Send to sl&ot..."), "btnEditSend", this);
  btnEditAudition = Button(QStringLiteral("&Audition"), "btnEditAudition", this);
  btnEditAudition->setCheckable(true);
  btnEditAudition->setToolTip(
      QStringLiteral("Hear every change: the patch is written into the audition slot"));
  m_audition = new TAuditionSession(context, this);
  lbEditStatus = new QLabel(this);
  lbEditStatus->setObjectName(QStringLiteral("lbEditStatus"));
  lbEditStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto *top = new QHBoxLayout;
  top->addWidget(searchLabel);
  top->addWidget(edEditSearch, 1);
  top->addWidget(nameLabel);
  top->addWidget(edEditName, 1);
  top->addWidget(btnEditUndo);
  top->addWidget(btnEditRedo);
  top->addWidget(btnEditCompare);
  auto *keep = new QHBoxLayout;
  keep->addWidget(btnEditSaveLibrary);
  keep->addWidget(btnEditSaveFile);
  keep->addWidget(btnEditSend);
  keep->addWidget(btnEditAudition);
  keep->addStretch(1);
  keep->addWidget(lbEditFound);
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(split, 1);
  layout->addLayout(keep);
  layout->addWidget(lbEditStatus);

  connect(edEditSearch, &QLineEdit::textChanged, this, &TfrmPatchEditor::edEditSearchChange);
  connect(edEditName, &QLineEdit::editingFinished, this, &TfrmPatchEditor::edEditNameDone);
  connect(btnEditUndo, &QPushButton::clicked, this, &TfrmPatchEditor::btnEditUndoClick);
  connect(btnEditRedo, &QPushButton::clicked, this, &TfrmPatchEditor::btnEditRedoClick);
  connect(btnEditCompare, &QPushButton::clicked, this, &TfrmPatchEditor::btnEditCompareClick);
  connect(btnEditSaveLibrary, &QPushButton::clicked, this,
          &TfrmPatchEditor::btnEditSaveLibraryClick);
  connect(btnEditSaveFile, &QPushButton::clicked, this, &TfrmPatchEditor::btnEditSaveFileClick);
  connect(btnEditSend, &QPushButton::clicked, this, &TfrmPatchEditor::btnEditSendClick);
  connect(btnEditAudition, &QPushButton::toggled, this, &TfrmPatchEditor::btnEditAuditionClick);
  connect(this, &TfrmPatchEditor::currentImageChanged, this, &TfrmPatchEditor::AuditionCurrent);
  connect(m_audition, &TAuditionSession::status, this, &TfrmPatchEditor::ShowStatus);
  auto *undo = new QShortcut(QKeySequence::Undo, this);
  undo->setObjectName(QStringLiteral("scEditUndo"));
  connect(undo, &QShortcut::activated, this, &TfrmPatchEditor::btnEditUndoClick);
  auto *redo = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), this);
  redo->setObjectName(QStringLiteral("scEditRedo"));
  connect(redo, &QShortcut::activated, this, &TfrmPatchEditor::btnEditRedoClick);
  for (QWidget *control : std::initializer_list<QWidget *>{
           edEditName, btnEditUndo, btnEditRedo, btnEditCompare, btnEditSaveLibrary,
           btnEditSaveFile, btnEditSend, btnEditAudition})
    control->setEnabled(false);
}

TfrmPatchEditor::~TfrmPatchEditor() = default;

bool TfrmPatchEditor::Open(const PatchViewText &view) {
  if (!MayLetGo()) {
    raise(); // the patch kept is the one to look at
    activateWindow();
    return false;
  }
  std::unique_ptr<TPatchEdit> edit;
  try {
    edit = std::make_unique<TPatchEdit>(view.image);
  } catch (const std::exception &e) {
    ShowError(QString::fromStdString(e.what()));
    return false;
  }
  m_edit = std::move(edit);
  m_bank = view.bank;
  BuildRows(m_edit->Kind());
  edEditName->setEnabled(m_edit->HasName());
  for (QWidget *control : std::initializer_list<QWidget *>{
           btnEditCompare, btnEditSaveLibrary, btnEditSaveFile, btnEditSend, btnEditAudition})
    control->setEnabled(true);
  ShowStatus(QString());
  m_hex->LoadBytes(m_edit->Current());
  CurrentImageChanged();
  edEditSearchChange();
  show();
  raise();
  activateWindow();
  return true;
}

void TfrmPatchEditor::BuildRows(PatchKind kind) {
  if (kind == m_builtKind)
    return;
  // Each row is built once per kind, as one widget; a change only sets values.
  m_rows.clear();
  m_headings.clear();
  m_headingOf.clear();
  m_rowsPanel = new QWidget;
  m_rowsPanel->setObjectName(QStringLiteral("EditRows"));
  m_rowsLayout = new QVBoxLayout(m_rowsPanel);
  m_rowsLayout->setSpacing(0);
  const std::vector<EditField> &fields = EditFields(kind);
  std::string group;
  for (size_t i = 0; i < fields.size(); ++i) {
    const EditField &field = fields[i];
    if (field.Kind == EditKind::Name)
      continue; // the name field above the rows
    if (m_headings.empty() || field.Group != group) {
      group = field.Group;
      auto *heading =
          new QLabel(QStringLiteral("<b>%1</b>").arg(Latin1(group).toHtmlEscaped()), m_rowsPanel);
      heading->setObjectName(QStringLiteral("lbEditGroup%1").arg(m_headings.size()));
      heading->setContentsMargins(4, 8, 4, 2);
      m_rowsLayout->addWidget(heading);
      m_headings.push_back(heading);
    }
    auto *row = new TEditRow(field, static_cast<int>(i), m_rowsPanel);
    connect(row, &TEditRow::edited, this, &TfrmPatchEditor::RowEdited);
    m_rowsLayout->addWidget(row);
    m_rows.push_back(row);
    m_headingOf.push_back(m_headings.size() - 1);
  }
  m_rowsLayout->addStretch(1);
  m_scroll->setWidget(m_rowsPanel); // the old panel goes with its rows
  // Rows made after the buttons would come last: Tab goes from the buttons
  // above through the rows in map order, then to the hex strip and below.
  QWidget *previous = btnEditCompare;
  for (TEditRow *row : m_rows)
    for (QWidget *control : row->TabOrder()) {
      setTabOrder(previous, control);
      previous = control;
    }
  setTabOrder(previous, m_hex);
  setTabOrder(m_hex, btnEditSaveLibrary);
  m_builtKind = kind;
}

void TfrmPatchEditor::RowEdited(const EditField &field, int value, bool merge) {
  if (!m_edit)
    return;
  try {
    m_edit->SetValue(field, value, merge);
  } catch (const std::exception &e) {
    ShowError(QString::fromStdString(e.what()));
  }
  CurrentImageChanged();
}

void TfrmPatchEditor::edEditNameDone() {
  if (!m_edit || !m_edit->HasName() || edEditName->text() == ShownName(m_edit->Name()))
    return;
  try {
    m_edit->SetName(edEditName->text().toStdString());
  } catch (const std::exception &e) {
    ShowError(QString::fromStdString(e.what()));
  }
  CurrentImageChanged();
}

void TfrmPatchEditor::btnEditUndoClick() {
  if (!m_edit || !m_edit->CanUndo())
    return;
  m_edit->Undo();
  CurrentImageChanged();
}

void TfrmPatchEditor::btnEditRedoClick() {
  if (!m_edit || !m_edit->CanRedo())
    return;
  m_edit->Redo();
  CurrentImageChanged();
}

void TfrmPatchEditor::CurrentImageChanged() {
  for (TEditRow *row : m_rows)
    row->ShowValue(m_edit->Value(row->Field()));
  if (!edEditName->hasFocus() || !edEditName->isModified()) {
    edEditName->setText(m_edit->HasName() ? ShownName(m_edit->Name()) : QString());
    edEditName->setModified(false);
  }
  const Bytes &image = m_edit->Current();
  m_hex->ReplaceBytes(image);
  std::vector<bool> marked(image.size(), false);
  for (size_t position : m_edit->ChangedBytes())
    marked[position] = true;
  m_hex->SetMarked(std::move(marked));
  btnEditUndo->setEnabled(m_edit->CanUndo());
  btnEditRedo->setEnabled(m_edit->CanRedo());
  setWindowTitle(QStringLiteral("Patch Editor - %1[*]").arg(PatchName()));
  setWindowModified(m_edit->Unsaved());
  emit currentImageChanged(image);
}

void TfrmPatchEditor::edEditSearchChange() {
  const std::string search = edEditSearch->text().toStdString();
  std::vector<bool> headingShown(m_headings.size(), false);
  int found = 0;
  for (size_t i = 0; i < m_rows.size(); ++i) {
    const bool shown = m_rows[i]->Field().Matches(search);
    if (m_rows[i]->isVisibleTo(m_rowsPanel) != shown)
      m_rows[i]->setVisible(shown);
    if (shown) {
      headingShown[m_headingOf[i]] = true;
      ++found;
    }
  }
  for (size_t i = 0; i < m_headings.size(); ++i)
    m_headings[i]->setVisible(headingShown[i]);
  if (search.find_first_not_of(' ') == std::string::npos)
    lbEditFound->setText(QStringLiteral("%1 parameters").arg(m_rows.size()));
  else if (found == 0)
    lbEditFound->setText(
        QStringLiteral("No parameter matches \"%1\".").arg(edEditSearch->text().trimmed()));
  else
    lbEditFound->setText(QStringLiteral("%1 of %2 parameters").arg(found).arg(m_rows.size()));
}

void TfrmPatchEditor::btnEditCompareClick() {
  if (!m_edit || !m_viewer)
    return;
  // The viewer shows the patch as edited now, the original beside it; its
  // "&Edit" would only open this patch again.
  m_viewer->SetEditable(false);
  m_viewer->Load(ViewPatchImage(m_edit->Current(), m_bank, m_viewer->PatchTypePanel()));
  m_viewer->CompareWith({m_edit->Original(), QStringLiteral("Original")});
  m_viewer->exec();
  m_viewer->SetEditable(true);
}

QString TfrmPatchEditor::PatchName() const {
  if (!m_edit)
    return QString();
  if (m_edit->HasName())
    return QStringLiteral("\"%1\"").arg(ShownName(m_edit->Name()));
  return m_edit->Kind() == PatchKind::FmDrumset ? QStringLiteral("Drumset")
                                                : QStringLiteral("Ensemble");
}

void TfrmPatchEditor::ShowStatus(const QString &text) {
  lbEditStatus->setText(text);
}

QString TfrmPatchEditor::StatusText() const {
  return lbEditStatus->text();
}

void TfrmPatchEditor::ShowError(const QString &text) {
  if (!text.isEmpty())
    QMessageBox::critical(this, QApplication::applicationDisplayName(), text);
}

bool TfrmPatchEditor::MayLetGo() {
  if (!m_edit)
    return true;
  edEditNameDone(); // a name typed counts before asking
  if (!m_edit->Unsaved())
    return true;
  QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(),
                  QStringLiteral("%1 has changes that are not kept anywhere yet. Save it to the "
                                 "library before letting it go?")
                      .arg(PatchName()),
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
  box.setObjectName(QStringLiteral("msgEditUnsaved"));
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
  case QMessageBox::Save:
    return SaveToLibrary();
  case QMessageBox::Discard:
    return true;
  default:
    return false;
  }
}

void TfrmPatchEditor::CloseWith(QWidget *window) {
  m_closeWith = window;
  window->installEventFilter(this);
}

bool TfrmPatchEditor::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::Close && watched == m_closeWith && isVisible() && !close()) {
    event->ignore();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void TfrmPatchEditor::closeEvent(QCloseEvent *event) {
  if (!MayLetGo()) {
    event->ignore();
    return;
  }
  EndAudition();
  // Closed, the window holds no patch: the next opening asks nothing.
  m_edit.reset();
  event->accept();
}

} // namespace zpm
