#include "gui/doc_template.h"

#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStringList>
#include <memory>

#include "app/editor_app.h"
#include "app/new_window_place.h"
#include "engine/editor_doc.h"
#include "gui/child_frame.h"
#include "gui/view/editor_view.h"
#include "platform/message.h"

QString CDocTemplate::GetDocString(DocString index) {
  const QStringList parts = QString(kDocStrings).split('\n');
  return index < parts.size() ? parts[index] : QString();
}

CDocTemplate::CDocTemplate(CEditorApp& app, QMdiArea& area) : app_(app), area_(area) {}

CChildFrame* CDocTemplate::AddFrame(CChildFrame* frame) {
  // A new window follows the one the user was working in: maximised when
  // that one was, otherwise placed where it covers no open window.
  QMdiSubWindow* previous = area_.currentSubWindow();
  const bool maximised = previous != nullptr && previous->isMaximized();
  std::vector<WindowRect> open;
  for (QMdiSubWindow* window : area_.subWindowList(QMdiArea::CreationOrder)) {
    if (!window->isVisible() || window->isMinimized()) continue;
    const QRect r = window->geometry();
    open.push_back({r.x(), r.y(), r.width(), r.height()});
  }
  area_.addSubWindow(frame);
  if (maximised) {
    frame->showMaximized();
  } else {
    frame->show();  // at the size a document window takes (CChildFrame)
    const QSize area = area_.viewport()->size();
    const WindowRect place =
        NewWindowPlace(area.width(), area.height(), frame->width(), frame->height(), open);
    frame->setGeometry(place.x, place.y, place.width, place.height);
  }
  frame->View().setFocus();
  return frame;
}

CChildFrame* CDocTemplate::OpenDocumentFile(const QString& path) {
  auto doc = std::make_unique<CEditorDoc>(app_);
  {
    // A file that cannot be opened is reported once, by the step that found
    // the fault, not again by each caller on the way out.
    const platform::FirstMessageOnly oneReport;
    if (!doc->OnOpenDocument(path.toStdString())) return nullptr;
  }
  auto* frame = new CChildFrame(app_, std::move(doc), QFileInfo(path).fileName());
  return AddFrame(frame);
}

CChildFrame* CDocTemplate::NewDocument() {
  auto doc = std::make_unique<CEditorDoc>(app_);
  if (!doc->OnNewDocument()) return nullptr;
  const QString title = QString("%1 %2").arg(GetDocString(fileNewName)).arg(++untitled_);
  return AddFrame(new CChildFrame(app_, std::move(doc), title));
}

CChildFrame* CDocTemplate::AdoptDocument(std::unique_ptr<CEditorDoc> doc, const QString& title) {
  return AddFrame(new CChildFrame(app_, std::move(doc), title));
}
