// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/viewer/hex_view_form.h"

#include "app/viewer/hex_view.h"
#include "viewer/patch_compare.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace zpm {

namespace {

constexpr int kPanelWidths[5] = {60, 90, 200, 90, 50};
constexpr int kListLeft = 16;
constexpr int kListTop = 16;
constexpr int kListWidth = 404;
constexpr int kListHeight = 289;
constexpr int kValueColumnWidth = 200;
const QColor kDifferingRow(255, 255, 160);

QString Latin1(const std::string &text) {
  return QString::fromLatin1(text.data(), static_cast<int>(text.size()));
}

QTableWidgetItem *Item(const QString &text) {
  auto *item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return item;
}

} // namespace

TfrmHexView::TfrmHexView(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmHexView"));
  setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setSizeGripEnabled(true);
  setModal(true);
  const PatchViewText initial = InitialPatchView();
  setWindowTitle(Latin1(initial.caption));
  resize(719, 390);

  m_tabs = new QTabWidget(this);
  m_tabs->setObjectName(QStringLiteral("PageControl"));
  m_tabs->setToolTip(tr("Hex View: the patch as sent; Parameter View: its values"));
  m_hexView = new THexView(m_tabs);
  m_hexView->setObjectName(QStringLiteral("HexView"));
  m_tabs->addTab(m_hexView, QStringLiteral("&Hex View"));

  auto *parameterPage = new QWidget(m_tabs);
  lv = new QTableWidget(0, 2, parameterPage);
  lv->setObjectName(QStringLiteral("lv"));
  lv->setAccessibleName(QStringLiteral("Patch parameters"));
  lv->setHorizontalHeaderLabels({QStringLiteral("Parameter"), QStringLiteral("Value")});
  lv->setTabKeyNavigation(false);
  lv->verticalHeader()->hide();
  lv->verticalHeader()->setDefaultSectionSize(lv->fontMetrics().height() + 6);
  lv->setShowGrid(true);
  lv->setSelectionBehavior(QAbstractItemView::SelectRows);
  lv->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lv->setColumnWidth(0, 200);
  lv->setColumnWidth(1, kValueColumnWidth);
  lv->move(kListLeft, kListTop);
  lv->setFixedSize(kListWidth, kListHeight);
  m_tabs->addTab(parameterPage, QStringLiteral("&Parameter View"));
  m_tabs->setCurrentIndex(ParameterTab);

  auto *corner = new QWidget(m_tabs);
  m_compare = new QPushButton(QStringLiteral("Compare with..."), corner);
  m_compare->setObjectName(QStringLiteral("btnCompare"));
  m_edit = new QPushButton(QStringLiteral("&Edit"), corner);
  m_edit->setObjectName(QStringLiteral("btnEdit"));
  m_edit->setToolTip(tr("Opens this patch in the editor; the patch shown here stays as it is"));
  m_edit->hide();
  auto *cornerLayout = new QHBoxLayout(corner);
  cornerLayout->setContentsMargins(0, 0, 0, 0);
  cornerLayout->addWidget(m_edit);
  cornerLayout->addWidget(m_compare);
  m_tabs->setCornerWidget(corner);
  connect(m_compare, &QPushButton::clicked, this, &TfrmHexView::btnCompareClick);
  connect(m_edit, &QPushButton::clicked, this, &TfrmHexView::btnEditClick);

  m_statusBar = new QStatusBar(this);
  for (int i = 0; i < 5; ++i) {
    m_panels[i] = new QLabel(Latin1(initial.panels[i]), m_statusBar);
    m_panels[i]->setObjectName(QStringLiteral("Panel%1").arg(i));
    // Never narrower than the longest text the panel shows, in the font it has.
    static const char *const kWidest[5] = {"Bank: H", "Location: 128", "", "Checksum: 127", ""};
    const int width =
        std::max(kPanelWidths[i],
                 m_panels[i]->fontMetrics().horizontalAdvance(QLatin1String(kWidest[i])) + 12);
    m_panels[i]->setMinimumWidth(width);
    if (i < 4)
      m_panels[i]->setFixedWidth(width);
    m_statusBar->addWidget(m_panels[i], i == 4 ? 1 : 0);
  }

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(m_tabs, 1);
  layout->addWidget(m_statusBar);
}

void TfrmHexView::Load(const PatchViewText &view) {
  EndCompare();
  m_view = view;
  m_edit->setVisible(editor && m_editable && RecognisePatchKind(view.image) != PatchKind::Unknown);
  m_image = view.image;
  m_hexView->LoadBytes(m_image);
  setWindowTitle(Latin1(view.caption));
  for (int i = 0; i < 4; ++i)
    m_panels[i]->setText(Latin1(view.panels[i]));
  FormShow();
}

void TfrmHexView::Open(const PatchViewText &view) {
  Load(view);
  exec();
}

void TfrmHexView::FormShow() {
  // The rows and the type come from the bytes in the hex view, so the list
  // always agrees with the dump.
  const Bytes &bytes = m_hexView->Model().Data();
  const PatchKind kind = RecognisePatchKind(bytes);
  if (kind != PatchKind::Unknown)
    m_panels[4]->setText(Latin1(PatchTypeText(kind)));
  ShowRows(ParameterRows(bytes));
}

void TfrmHexView::ShowRows(const std::vector<ParameterRow> &rows) {
  lv->clearContents();
  lv->setRowCount(static_cast<int>(rows.size()));
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    lv->setItem(i, 0, Item(Latin1(rows[i].label)));
    lv->setItem(i, 1, Item(Latin1(rows[i].value)));
  }
}

std::string TfrmHexView::PatchTypePanel() const {
  return m_panels[4]->text().toStdString();
}

QString TfrmHexView::PanelText(int panel) const {
  return m_panels[panel]->text();
}

void TfrmHexView::btnCompareClick() {
  TCompareChoice choice;
  if (compareChooser && compareChooser(choice))
    CompareWith(choice);
}

void TfrmHexView::SetEditable(bool editable) {
  m_editable = editable;
  m_edit->setVisible(editor && editable && RecognisePatchKind(m_image) != PatchKind::Unknown);
}

void TfrmHexView::btnEditClick() {
  const PatchViewText view = m_view;
  close();
  EditPatch(view);
}

void TfrmHexView::EditPatch(const PatchViewText &view) {
  if (editor)
    editor(view);
}

void TfrmHexView::CompareWith(const TCompareChoice &other) {
  const TPatchComparison comparison = ComparePatchImages(m_image, other.image);
  m_comparing = true;
  lv->setColumnCount(3);
  lv->setHorizontalHeaderLabels({QStringLiteral("Parameter"), QStringLiteral("Value"),
                                 other.title.isEmpty() ? QStringLiteral("Compared") : other.title});
  lv->setColumnWidth(2, kValueColumnWidth);
  lv->setFixedSize(kListWidth + kValueColumnWidth, kListHeight);
  lv->setRowCount(static_cast<int>(comparison.rows.size()));
  for (int i = 0; i < static_cast<int>(comparison.rows.size()); ++i) {
    const TRowComparison &row = comparison.rows[i];
    const QString values[3] = {Latin1(row.label), Latin1(row.valueA), Latin1(row.valueB)};
    for (int column = 0; column < 3; ++column) {
      QTableWidgetItem *item = Item(values[column]);
      if (row.differs)
        item->setBackground(kDifferingRow);
      item->setData(Qt::UserRole, row.differs);
      lv->setItem(i, column, item);
    }
  }
  m_hexView->SetMarked(std::vector<bool>(
      comparison.differingBytes.begin(),
      comparison.differingBytes.begin() +
          static_cast<long>(std::min(comparison.differingBytes.size(), m_image.size()))));
}

void TfrmHexView::EndCompare() {
  if (!m_comparing)
    return;
  m_comparing = false;
  lv->setColumnCount(2);
  lv->setHorizontalHeaderLabels({QStringLiteral("Parameter"), QStringLiteral("Value")});
  lv->setFixedSize(kListWidth, kListHeight);
  m_hexView->SetMarked({});
}

std::vector<int> TfrmHexView::MarkedRows() const {
  std::vector<int> rows;
  for (int i = 0; i < lv->rowCount(); ++i)
    if (lv->item(i, 0) && lv->item(i, 0)->data(Qt::UserRole).toBool())
      rows.push_back(i);
  return rows;
}

} // namespace zpm
