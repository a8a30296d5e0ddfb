#include "gui/dialogs/export_dialogs.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QValidator>
#include <initializer_list>

#include "codecs/export_common.h"
#include "resources/control_ids.h"

namespace {

QComboBox* DropDownList(const std::vector<std::string>& texts, int id, QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setObjectName(QString::number(id));
  for (const std::string& text : texts) list->addItem(QString::fromStdString(text));
  // A long genre list scrolls instead of filling the screen.
  list->setMaxVisibleItems(12);
  return list;
}

QLineEdit* Edit(int id, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::number(id));
  return edit;
}

// A Year box takes what the export's year rule allows and nothing else, so a
// letter typed there never appears.
class YearValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& /*position*/) const override {
    return ExportYearAllowed(input.toStdString()) ? Acceptable : Invalid;
  }
};

QLineEdit* YearEdit(int id, QWidget* parent) {
  QLineEdit* edit = Edit(id, parent);
  edit->setValidator(new YearValidator(edit));
  return edit;
}

// Tab walks the boxes in the order the form shows them, whatever order they
// were made in.
void ChainTabOrder(std::initializer_list<QWidget*> widgets) {
  QWidget* previous = nullptr;
  for (QWidget* widget : widgets) {
    if (previous != nullptr) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }
}

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

std::string S(const QLineEdit* edit) {
  return edit->text().toStdString();
}

// OK and Cancel side by side under the group, as both dialogs have them.
QHBoxLayout* OkCancel(QDialog* dialog) {
  auto* ok = new QPushButton("OK", dialog);
  ok->setObjectName(QString::number(ids::IDC_EXPORT_OK));
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", dialog);
  cancel->setObjectName(QString::number(ids::IDC_EXPORT_CANCEL));
  QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}

}  // namespace

MP3Dialog::MP3Dialog(Mp3ExportSettings& settings, QWidget* parent)
    : QDialog(parent), model_(settings) {
  setObjectName(QString::number(ids::IDD_MP3_INFO));
  setWindowTitle("MP3 Information");
  auto* group = new QGroupBox("MP3 Information", this);
  bitRate_ = DropDownList(Mp3DialogModel::BitRateTexts(), ids::IDC_MP3_BIT_RATE, group);
  genre_ = DropDownList(Mp3DialogModel::GenreTexts(), ids::IDC_MP3_GENRE, group);
  artist_ = Edit(ids::IDC_MP3_ARTIST, group);
  title_ = Edit(ids::IDC_MP3_TITLE, group);
  album_ = Edit(ids::IDC_MP3_ALBUM, group);
  comment_ = Edit(ids::IDC_MP3_COMMENT, group);
  year_ = YearEdit(ids::IDC_MP3_YEAR, group);
  auto* form = new QFormLayout(group);
  form->addRow("Bit Rate", bitRate_);
  form->addRow("Artist", artist_);
  form->addRow("Title", title_);
  form->addRow("Album", album_);
  form->addRow("Comment", comment_);
  form->addRow("Genre", genre_);
  form->addRow("Year", year_);
  ChainTabOrder({bitRate_, artist_, title_, album_, comment_, genre_, year_});

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addLayout(OkCancel(this));
  resize(360, sizeHint().height());
  Init();
}

void MP3Dialog::Init() {
  model_.Init();
  bitRate_->setCurrentIndex(model_.bitRateSelection);
  genre_->setCurrentIndex(model_.genreSelection);
  artist_->setText(Q(model_.artist));
  title_->setText(Q(model_.title));
  album_->setText(Q(model_.album));
  comment_->setText(Q(model_.comment));
  year_->setText(Q(model_.year));
}

bool MP3Dialog::Run() {
  Init();
  return exec() == QDialog::Accepted;
}

void MP3Dialog::accept() {
  model_.bitRateSelection = bitRate_->currentIndex();
  model_.genreSelection = genre_->currentIndex();
  model_.artist = S(artist_);
  model_.title = S(title_);
  model_.album = S(album_);
  model_.comment = S(comment_);
  model_.year = S(year_);
  model_.Ok();
  QDialog::accept();
}

void MP3Dialog::reject() {
  model_.Cancel();
  QDialog::reject();
}

CWmaDialog::CWmaDialog(WmaExportSettings& settings, QWidget* parent)
    : QDialog(parent), model_(settings) {
  setObjectName(QString::number(ids::IDD_WMA_INFO));
  setWindowTitle("WMA Information");
  auto* group = new QGroupBox("WMA Information", this);
  quality_ = DropDownList(WmaDialogModel::QualityTexts(), ids::IDC_WMA_QUALITY, group);
  genre_ = DropDownList(WmaDialogModel::GenreTexts(), ids::IDC_WMA_GENRE, group);
  artist_ = Edit(ids::IDC_WMA_ARTIST, group);
  title_ = Edit(ids::IDC_WMA_TITLE, group);
  album_ = Edit(ids::IDC_WMA_ALBUM, group);
  year_ = YearEdit(ids::IDC_WMA_YEAR, group);
  auto* form = new QFormLayout(group);
  form->addRow("Quality", quality_);
  form->addRow("Artist", artist_);
  form->addRow("Title", title_);
  form->addRow("Album", album_);
  form->addRow("Genre", genre_);
  form->addRow("Year", year_);
  ChainTabOrder({quality_, artist_, title_, album_, genre_, year_});

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addLayout(OkCancel(this));
  resize(360, sizeHint().height());
  Init();
}

void CWmaDialog::Init() {
  model_.Init();
  quality_->setCurrentIndex(model_.qualitySelection);
  genre_->setCurrentIndex(model_.genreSelection);
  artist_->setText(Q(model_.artist));
  title_->setText(Q(model_.title));
  album_->setText(Q(model_.album));
  year_->setText(Q(model_.year));
}

bool CWmaDialog::Run() {
  Init();
  return exec() == QDialog::Accepted;
}

void CWmaDialog::accept() {
  model_.qualitySelection = quality_->currentIndex();
  model_.genreSelection = genre_->currentIndex();
  model_.artist = S(artist_);
  model_.title = S(title_);
  model_.album = S(album_);
  model_.year = S(year_);
  model_.Ok();
  QDialog::accept();
}

void CWmaDialog::reject() {
  model_.Cancel();
  QDialog::reject();
}

CXiphDialog::CXiphDialog(XiphType type, XiphExportSettings& settings, Mp3ExportSettings& tags,
                         QWidget* parent)
    : QDialog(parent), type_(type), settings_(settings), tags_(tags) {
  const char* kind = type == XiphType::Flac  ? "FLAC"
                     : type == XiphType::Ogg ? "Ogg Vorbis"
                                             : "Opus";
  const QString title = QString("%1 Information").arg(kind);
  setWindowTitle(title);
  auto* group = new QGroupBox(title, this);
  setting_ = new QSpinBox(group);
  setting_->setObjectName(QString::number(IDC_SETTING));
  const char* label = "Compression Level";
  if (type == XiphType::Flac) {
    setting_->setRange(kFlacLevelMin, kFlacLevelMax);
  } else if (type == XiphType::Ogg) {
    setting_->setRange(kOggQualityMin, kOggQualityMax);
    label = "Quality";
  } else {
    setting_->setRange(kOpusKbpsMin, kOpusKbpsMax);
    setting_->setSingleStep(16);
    setting_->setSuffix(" kbit/s");
    label = "Bit Rate";
  }
  genre_ = DropDownList(Mp3DialogModel::GenreTexts(), ids::IDC_MP3_GENRE, group);
  artist_ = Edit(ids::IDC_MP3_ARTIST, group);
  title_ = Edit(ids::IDC_MP3_TITLE, group);
  album_ = Edit(ids::IDC_MP3_ALBUM, group);
  comment_ = Edit(ids::IDC_MP3_COMMENT, group);
  year_ = YearEdit(ids::IDC_MP3_YEAR, group);
  auto* form = new QFormLayout(group);
  form->addRow(label, setting_);
  form->addRow("Artist", artist_);
  form->addRow("Title", title_);
  form->addRow("Album", album_);
  form->addRow("Comment", comment_);
  form->addRow("Genre", genre_);
  form->addRow("Year", year_);
  ChainTabOrder({setting_, artist_, title_, album_, comment_, genre_, year_});

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addLayout(OkCancel(this));
  resize(360, sizeHint().height());
  Init();
}

void CXiphDialog::Init() {
  tags_.Init();
  setting_->setValue(type_ == XiphType::Flac  ? settings_.flacLevel
                     : type_ == XiphType::Ogg ? settings_.oggQuality
                                              : settings_.opusKbps);
  genre_->setCurrentIndex(tags_.genreSelection);
  artist_->setText(Q(tags_.artist));
  title_->setText(Q(tags_.title));
  album_->setText(Q(tags_.album));
  comment_->setText(Q(tags_.comment));
  year_->setText(Q(tags_.year));
}

bool CXiphDialog::Run() {
  Init();
  return exec() == QDialog::Accepted;
}

void CXiphDialog::accept() {
  const int value = setting_->value();
  if (type_ == XiphType::Flac) settings_.flacLevel = value;
  if (type_ == XiphType::Ogg) settings_.oggQuality = value;
  if (type_ == XiphType::Opus) settings_.opusKbps = value;
  // The MP3 bit rate is not this dialog's: no selection keeps it.
  tags_.bitRateSelection = -1;
  tags_.genreSelection = genre_->currentIndex();
  tags_.artist = S(artist_);
  tags_.title = S(title_);
  tags_.album = S(album_);
  tags_.comment = S(comment_);
  tags_.year = S(year_);
  tags_.Ok();
  settings_.applied = 1;
  QDialog::accept();
}

void CXiphDialog::reject() {
  settings_.applied = 0;
  QDialog::reject();
}
