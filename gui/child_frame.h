// The frame of one document window: it owns the document and its view,
// takes 640 x 300 pixels whenever it is shown, and closes the document with
// the window.
#pragma once

#include <QMdiSubWindow>
#include <memory>

class CEditorApp;
class CEditorDoc;
class CEditorView;

class CChildFrame : public QMdiSubWindow {
  Q_OBJECT

 public:
  CChildFrame(CEditorApp& app, std::unique_ptr<CEditorDoc> doc, const QString& title,
              QWidget* parent = nullptr);
  ~CChildFrame() override;
  CEditorDoc& Document() { return *doc_; }
  CEditorView& View() { return *view_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  CEditorApp& app_;
  std::unique_ptr<CEditorDoc> doc_;
  CEditorView* view_;
  bool closed_ = false;
};
