#include "gui/progress_dialog.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/editor_app.h"
#include "engine/op_codes.h"
#include "platform/vector_state.h"
#include "resources/control_ids.h"

CProgressDialog::CProgressDialog(CEditorApp& app, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), app_(app) {
  setObjectName(QString::number(ids::IDD_PROGRESS));
  setModal(true);
  setFixedSize(412, 88);  // 275 x 54 dialog units
  bar_ = new QProgressBar(this);
  bar_->setObjectName(QString::number(ids::IDC_PROGRESS_BAR));
  bar_->setRange(0, 100);
  bar_->setTextVisible(false);
  cancel_ = new QPushButton("Cancel", this);
  cancel_->setObjectName(QString::number(ids::IDC_PROGRESS_CANCEL));
  caption_ = new QLabel(this);
  caption_->setObjectName(QString::number(ids::IDC_PROGRESS_CAPTION));
  percent_ = new QLabel("0", this);
  percent_->setObjectName(QString::number(ids::IDC_PROGRESS_PERCENT));
  percent_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* sign = new QLabel("%", this);

  auto* top = new QHBoxLayout;
  top->addWidget(caption_, 1);
  top->addWidget(percent_);
  top->addWidget(sign);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(bar_, 1);
  bottom->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(bottom);

  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &CProgressDialog::OnTimer);
  connect(cancel_, &QPushButton::clicked, this, &CProgressDialog::OnCancel);
}

OpResult CProgressDialog::Run(OpCode code, const Operation& operation) {
  SetOperation(code);
  ResetCounters();
  result_ = OP_PENDING;
  caption_->clear();
  percent_->setText("0");
  bar_->setValue(0);
  cancel_->setEnabled(true);
  running_ = &operation;
  timer_.start(startDelay_);
  exec();
  timer_.stop();
  running_ = nullptr;
  return result_;
}

void CProgressDialog::OnTimer() {
  if (running_ == nullptr || !*running_) {
    accept();
    return;
  }
  inOperation_ = true;
  sincePump_.start();
  platform::ClearUpperVectorState();
  result_ = (*running_)(*this);
  inOperation_ = false;
  if (result_ == OP_CANCELLED) app_.OperationInProgress() = 0;
  accept();
}

void CProgressDialog::OnCancel() {
  result_ = OP_CANCELLED;
  // A running operation notices the request when it polls; the dialog stays
  // until it has returned. Before it started there is nothing to wait for.
  if (!inOperation_) {
    timer_.stop();
    accept();
  }
}

void CProgressDialog::reject() {
  if (cancel_->isEnabled()) OnCancel();
}

void CProgressDialog::StepAside(bool aside) {
  // QWidget's own hide and show: QDialog's hide would end the modal loop the
  // operation is running in.
  QWidget::setVisible(!aside);
}

void CProgressDialog::SetCaption(std::string_view text) {
  caption_->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  platform::ClearUpperVectorState();
}

bool CProgressDialog::IsCancelled() const {
  return result_ == OP_CANCELLED;
}

void CProgressDialog::DisableCancel() {
  cancel_->setEnabled(false);
  platform::ClearUpperVectorState();
}

void CProgressDialog::PumpEvents() {
  if (sincePump_.isValid() && sincePump_.elapsed() < kPumpIntervalMs) return;
  sincePump_.start();
  ProcessPendingEvents();
}

void CProgressDialog::ProcessPendingEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  // The operation's loops continue from here.
  platform::ClearUpperVectorState();
}

void CProgressDialog::OnPercentChanged(int percent) {
  percent_->setText(QString::number(percent));
  bar_->setValue(percent);
  platform::ClearUpperVectorState();
}
