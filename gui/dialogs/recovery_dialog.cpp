#include "gui/dialogs/recovery_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/editor_app.h"
#include "engine/editor_doc.h"
#include "gui/main_frame.h"
#include "platform/message.h"

CRecoveryDialog::CRecoveryDialog(const std::vector<RecoveryRow>& rows, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle("Vellmore Editor");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(
      new QLabel("Vellmore Editor did not close properly. These documents can be recovered:"));

  list_ = new QTreeWidget;
  list_->setObjectName(kList);
  list_->setRootIsDecorated(false);
  list_->setHeaderLabels({"Title", "Original path", "Length", "Format", "Last change"});
  for (const RecoveryRow& row : rows) {
    auto* item = new QTreeWidgetItem(list_);
    item->setText(0, QString::fromStdString(row.title));
    if (row.readable) {
      item->setText(
          1, QString::fromStdString(row.originalPath.empty() ? "(never saved)" : row.originalPath));
      item->setText(2, QString::fromStdString(row.length));
      item->setText(3, QString::fromStdString(row.format));
      item->setText(4, QString::fromStdString(row.lastChange));
      item->setCheckState(0, Qt::Checked);
    } else {
      // Shown so the user knows it is there; it cannot be chosen. The whole
      // reason is in the tool tip.
      const QString why = QString::fromStdString("cannot be recovered: " + row.problem);
      item->setText(1, why);
      for (int column = 0; column < 5; ++column) item->setToolTip(column, why);
      item->setFlags(item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable));
    }
  }
  // Long paths are cut (their tool tip has them whole), so every column
  // stays in view.
  constexpr int kWidestColumn = 300;
  list_->setTextElideMode(Qt::ElideRight);
  for (int column = 0; column < list_->columnCount(); ++column) {
    list_->resizeColumnToContents(column);
    list_->setColumnWidth(column, std::min(list_->columnWidth(column) + 8, kWidestColumn));
  }
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = list_->topLevelItem(i);
    if (item->toolTip(1).isEmpty()) item->setToolTip(1, item->text(1));
  }
  list_->setMinimumWidth(1000);
  layout->addWidget(list_);

  auto* buttons = new QDialogButtonBox;
  recover_ = buttons->addButton("&Recover", QDialogButtonBox::AcceptRole);
  recover_->setObjectName(kRecover);
  QPushButton* discard = buttons->addButton("&Discard", QDialogButtonBox::DestructiveRole);
  discard->setObjectName(kDiscard);
  QPushButton* later = buttons->addButton("Decide &Later", QDialogButtonBox::RejectRole);
  later->setObjectName(kDecideLater);
  recover_->setDefault(true);
  layout->addWidget(buttons);

  connect(recover_, &QPushButton::clicked, this, [this] {
    decision_ = Decision::Recover;
    accept();
  });
  connect(discard, &QPushButton::clicked, this, [this] {
    decision_ = Decision::Discard;
    accept();
  });
  connect(later, &QPushButton::clicked, this, [this] {
    decision_ = Decision::DecideLater;
    reject();
  });
  connect(list_, &QTreeWidget::itemChanged, this, [this] { UpdateButtons(); });
  UpdateButtons();
}

std::vector<size_t> CRecoveryDialog::CheckedRows() const {
  std::vector<size_t> rows;
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = list_->topLevelItem(i);
    if ((item->flags() & Qt::ItemIsUserCheckable) && item->checkState(0) == Qt::Checked) {
      rows.push_back(static_cast<size_t>(i));
    }
  }
  return rows;
}

void CRecoveryDialog::UpdateButtons() {
  recover_->setEnabled(!CheckedRows().empty());
}

void OfferRecovery(CEditorApp& app, CMainFrame& frame) {
  std::vector<RecoveryCandidate> candidates = FindRecoveryCandidates(app);
  if (candidates.empty()) return;
  const std::vector<RecoveryRow> rows = RecoveryRows(candidates);
  CRecoveryDialog dialog(rows, &frame);
  dialog.exec();
  switch (dialog.GetDecision()) {
    case CRecoveryDialog::Decision::DecideLater:
      return;  // the candidates' locks go with them; next start asks again
    case CRecoveryDialog::Decision::Discard:
      if (!DiscardCandidates(candidates)) {
        platform::ShowMessage("Some recovery files could not be removed from the temp folder.");
      }
      return;
    case CRecoveryDialog::Decision::Recover:
      break;
  }
  RecoveryReport report;
  for (const size_t index : dialog.CheckedRows()) {
    const RecoveryRow& row = rows[index];
    std::unique_ptr<CEditorDoc> doc = RecoverDocument(app, candidates, row, &report);
    if (doc != nullptr) {
      frame.AdoptDocument(std::move(doc), QString::fromStdString(row.title) + " (recovered)");
    }
  }
  if (const std::string text = report.Text(); !text.empty()) {
    platform::ShowMessage(text);
  }
}
