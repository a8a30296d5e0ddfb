#include "gui/child_frame.h"

#include <QCloseEvent>

#include "app/editor_app.h"
#include "engine/editor_doc.h"
#include "gui/gui_audio_listener.h"
#include "gui/view/editor_view.h"

CChildFrame::CChildFrame(CEditorApp& app, std::unique_ptr<CEditorDoc> doc, const QString& title,
                         QWidget* parent)
    : QMdiSubWindow(parent), app_(app), doc_(std::move(doc)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(title);
  view_ = new CEditorView(app_, *doc_, this);
  setWidget(view_);
  view_->OnInitialUpdate();
}

CChildFrame::~CChildFrame() {
  // Playback reads the document's mapped audio on the device's thread until
  // its drain ends; the document stays until then.
  StopPlaybackAndWait(app_);
  if (!closed_) doc_->OnCloseDocument();
  // The view goes before the document it shows.
  delete view_;
  view_ = nullptr;
  doc_.reset();
}

void CChildFrame::showEvent(QShowEvent* event) {
  QMdiSubWindow::showEvent(event);
  // A maximised window keeps the size of the area it fills.
  if (!isMaximized()) resize(640, 300);
}

void CChildFrame::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    StopPlaybackAndWait(app_);
    closed_ = true;
    doc_->OnCloseDocument();
  }
  QMdiSubWindow::closeEvent(event);
}
