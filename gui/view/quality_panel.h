// The floating format panel, "Audio Quality": the active document's sample
// rate (1136), bits per sample (1137) and channels (1138).
#pragma once

#include "gui/view/floating_panel.h"

class CColorLabel;

class CQualityPanel : public CFloatingPanel {
  Q_OBJECT

 public:
  explicit CQualityPanel(QWidget* owner);
  void SetTexts(const QString& rate, const QString& channels, const QString& bits);
  CColorLabel* Field(int id) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  CColorLabel* rate_;
  CColorLabel* bits_;
  CColorLabel* channels_;
  QImage frequency_, resolution_, channelsLabel_;
};
