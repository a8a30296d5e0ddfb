#include "gui/doc_template.h"

#include <QFileInfo>
#include <QMdiArea>
#include <QStringList>
#include <memory>

#include "app/editor_app.h"
#include "engine/editor_doc.h"
#include "gui/child_frame.h"
#include "gui/view/editor_view.h"

QString CDocTemplate::GetDocString(DocString index) {
  const QStringList parts = QString(kDocStrings).split('\n');
  return index < parts.size() ? parts[index] : QString();
}

CDocTemplate::CDocTemplate(CEditorApp& app, QMdiArea& area) : app_(app), area_(area) {}

CChildFrame* CDocTemplate::AddFrame(CChildFrame* frame) {
  area_.addSubWindow(frame);
  frame->show();
  frame->View().setFocus();
  return frame;
}

CChildFrame* CDocTemplate::OpenDocumentFile(const QString& path) {
  auto doc = std::make_unique<CEditorDoc>(app_);
  if (!doc->OnOpenDocument(path.toStdString())) return nullptr;
  auto* frame = new CChildFrame(app_, std::move(doc), QFileInfo(path).fileName());
  return AddFrame(frame);
}

CChildFrame* CDocTemplate::NewDocument() {
  auto doc = std::make_unique<CEditorDoc>(app_);
  if (!doc->OnNewDocument()) return nullptr;
  const QString title = GetDocString(fileNewName) + QString::number(++untitled_);
  return AddFrame(new CChildFrame(app_, std::move(doc), title));
}
