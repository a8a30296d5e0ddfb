// The one document type of the editor: how a document, its frame and its
// view are made together for File New, File Open and the command line, where
// the new window goes, and the template's strings (document name "Audio
// Editor"; new documents are "Untitled 1", "Untitled 2", ...).
#pragma once

#include <QString>
#include <memory>

class CEditorApp;
class CChildFrame;
class CEditorDoc;
class QMdiArea;

class CDocTemplate {
 public:
  // Window title, document name, new-file name, filter name, filter
  // extensions, file type id, file type name.
  static constexpr const char* kDocStrings =
      "\nAudio Editor\nUntitled\nAudio Editor Files\n.mp3| .wav|.nad;\nVe18r.Document\nVe18r "
      "Document";
  enum DocString {
    windowTitle,
    docName,
    fileNewName,
    filterName,
    filterExt,
    regFileTypeId,
    regFileTypeName
  };
  static QString GetDocString(DocString index);

  CDocTemplate(CEditorApp& app, QMdiArea& area);
  // The new frame, shown, or null when the document could not be opened
  // (already reported) or the user cancelled.
  CChildFrame* OpenDocumentFile(const QString& path);
  CChildFrame* NewDocument();
  // A frame for a document that is already set up (a recovered one).
  CChildFrame* AdoptDocument(std::unique_ptr<CEditorDoc> doc, const QString& title);

 private:
  CChildFrame* AddFrame(CChildFrame* frame);
  CEditorApp& app_;
  QMdiArea& area_;
  int untitled_ = 0;
};
