#include "gui/child_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>

#include "app/editor_app.h"
#include "engine/editor_doc.h"
#include "gui/program_icon.h"
#include "gui/view/editor_view.h"

CChildFrame::CChildFrame(CEditorApp& app, std::unique_ptr<CEditorDoc> doc, const QString& title,
                         QWidget* parent)
    : QMdiSubWindow(parent), app_(app), doc_(std::move(doc)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowIcon(ProgramIcon());
  SetDocumentName(title);
  view_ = new CEditorView(app_, *doc_, this);
  setWidget(view_);
  view_->Refresh();
  // The window menu's Close would claim the same keys as File > Close, and
  // Qt runs neither of two actions that share a key; File > Close closes
  // this window just the same.
  if (QMenu* menu = systemMenu()) {
    for (QAction* action : menu->actions()) action->setShortcuts({});
  }
}

CChildFrame::~CChildFrame() {
  // Closing the document stops its playback and waits for the device
  // thread to let go of its audio (CEditorDoc::OnCloseDocument).
  if (!closed_) doc_->OnCloseDocument();
  // The view goes before the document it shows.
  delete view_;
  view_ = nullptr;
  doc_.reset();
}

void CChildFrame::showEvent(QShowEvent* event) {
  QMdiSubWindow::showEvent(event);
  // The standard size on the first show only: a window shown again (its
  // main window restored) keeps the size the user gave it, and a maximised
  // one the size of the area it fills.
  if (shownBefore_) return;
  shownBefore_ = true;
  if (!isMaximized()) resize(640, 300);
}

void CChildFrame::SetDocumentName(const QString& name) {
  name_ = name;
  setWindowTitle(name + "[*]");
}

void CChildFrame::closeEvent(QCloseEvent* event) {
  if (!closed_ && confirmClose && !confirmClose(*this)) {
    event->ignore();
    return;
  }
  if (!closed_) {
    closed_ = true;
    doc_->OnCloseDocument();
  }
  QMdiSubWindow::closeEvent(event);
}
