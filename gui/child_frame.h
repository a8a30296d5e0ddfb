// The frame of one document window: it owns the document and its view,
// takes 640 x 300 pixels whenever it is shown, and closes the document with
// the window.
#pragma once

#include <QMdiSubWindow>
#include <functional>
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
  // The document's name as the window shows it, without the modified mark.
  const QString& DocumentName() const { return name_; }
  void SetDocumentName(const QString& name);

  // Asked before the window closes (the unsaved-changes question); false
  // keeps the window and its document open.
  std::function<bool(CChildFrame&)> confirmClose;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  CEditorApp& app_;
  std::unique_ptr<CEditorDoc> doc_;
  CEditorView* view_;
  QString name_;
  bool closed_ = false;
  bool shownBefore_ = false;
};
