#include "gui/dialogs/recording_dialog.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "audio/audio_engine.h"
#include "audio/record_time.h"
#include "gui/editor_images.h"
#include "gui/view/color_label.h"

namespace {

constexpr int kFrameX = 23;
constexpr int kFrameY = 27;
constexpr int kFrameWidth = 83;
constexpr int kFrameHeight = 54;

}  // namespace

RecordingDialog::RecordingDialog(AudioEngine& engine, QWidget* parent)
    : QDialog(parent), engine_(engine) {
  setObjectName(QString::number(IDD_RECORDING));
  setWindowTitle("Recording Audio");
  setModal(true);
  // Wide enough for the longest text beside the animation at its font.
  setFixedSize(300, 110);

  auto* recording = new QLabel("Recording...  ", this);
  recording->move(120, 20);
  auto* press = new QLabel("Press Stop When Complete.", this);
  press->move(120, 38);
  auto* label = new QLabel("Record Time:", this);
  label->move(120, 60);

  time_ = new CColorLabel(this);
  time_->setObjectName(QString::number(IDC_RECORD_TIME));
  time_->SetFont(11);
  time_->SetTextColor(QColor(0, 172, 0));
  time_->SetBackgroundColor(Qt::black);
  time_->setText("00:00.000");
  time_->setGeometry(212, 58, 66, 16);

  auto* stop = new QPushButton("Stop", this);
  stop->setObjectName(QString::number(IDC_RECORD_STOP));
  stop->setGeometry(120, 80, 75, 23);
  stop->setDefault(true);
  connect(stop, &QPushButton::clicked, this, &QDialog::accept);

  const QColor face = images::ButtonFace();
  for (int i = 0; i < kRecordFrameCount; ++i) {
    frames_[i] = images::Recolored(AnimationFrame(kRecordFrameFirst + i), face);
  }
  timer_.setInterval(kRecordTimerMs);
  connect(&timer_, &QTimer::timeout, this, &RecordingDialog::Tick);
  timer_.start();
}

QString RecordingDialog::TimeText() const {
  return time_->text();
}

void RecordingDialog::Tick() {
  time_->setText(
      QString::fromStdString(RecordTimeText(engine_.RecordedBytes(), engine_.BytesPerSecond())));
  frame_ = RecordAnimationFrame(tick_);
  ++tick_;
  update(kFrameX, kFrameY, kFrameWidth, kFrameHeight);
}

void RecordingDialog::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  QPainter painter(this);
  painter.drawImage(QPoint(kFrameX, kFrameY), frames_[frame_ - kRecordFrameFirst],
                    QRect(0, 1, kFrameWidth, kFrameHeight));
}

QImage RecordingDialog::AnimationFrame(int resource) {
  // A microphone sending out one, two or three sound waves.
  QImage image(kFrameWidth, kFrameHeight + 1, QImage::Format_RGB32);
  image.fill(images::kLabelGrey);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 2));
  p.setBrush(QColor(64, 64, 64));
  p.drawRoundedRect(QRectF(14, 10, 14, 24), 7, 7);
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(10, 18, 22, 22), 180 * 16, 180 * 16);
  p.drawLine(QPointF(21, 40), QPointF(21, 48));
  p.drawLine(QPointF(14, 48), QPointF(28, 48));
  const int waves = resource - kRecordFrameFirst + 1;
  p.setPen(QPen(QColor(0, 172, 0), 3));
  for (int i = 0; i < waves; ++i) {
    const qreal r = 10 + 12 * i;
    p.drawArc(QRectF(34 - r, 22 - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
  }
  return image;
}
