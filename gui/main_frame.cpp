#include "gui/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QSessionManager>
#include <QToolBar>
#include <QWhatsThis>
#include <algorithm>
#include <chrono>

#include "app/command_table.h"
#include "app/editor_app.h"
#include "app/save_document.h"
#include "audio/audio_engine.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "gui/child_frame.h"
#include "gui/command_keys.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/settings_dialogs.h"
#include "gui/doc_template.h"
#include "gui/editor_images.h"
#include "gui/program_icon.h"
#include "gui/recent_file_list.h"
#include "gui/view/editor_view.h"
#include "gui/view/levels_panel.h"
#include "gui/view/position_bar.h"
#include "gui/view/quality_panel.h"
#include "platform/message.h"
#include "resources/control_ids.h"

using namespace ids;

namespace {

// Lines the minimised document windows up along the bottom of the area,
// left to right and then row above row, in the order they were opened.
void ArrangeMinimizedWindows(QMdiArea* area) {
  const QRect bounds = area->viewport()->rect();
  int x = 0, y = bounds.bottom() + 1, rowHeight = 0;
  for (QMdiSubWindow* window : area->subWindowList(QMdiArea::CreationOrder)) {
    if (!window->isMinimized() || !window->isVisible()) continue;
    const QSize size = window->size();
    if (x > 0 && x + size.width() > bounds.width()) {
      x = 0;
      y -= rowHeight;
      rowHeight = 0;
    }
    if (x == 0) rowHeight = size.height();
    rowHeight = std::max(rowHeight, size.height());
    window->move(x, y - size.height());
    x += size.width();
  }
}

QIcon ToolIcon(const QImage& normal, const QImage& disabled) {
  const QColor face = images::ButtonFace();
  QIcon icon;
  icon.addPixmap(QPixmap::fromImage(images::Recolored(normal, face)), QIcon::Normal);
  icon.addPixmap(QPixmap::fromImage(images::Recolored(disabled, face)), QIcon::Disabled);
  return icon;
}

// The buttons recording greys.
constexpr int kGreyedButtons[] = {ID_PLAY,
                                  ID_PLAY_LOOPED,
                                  ID_STOP,
                                  ID_REWIND,
                                  ID_FORWARD,
                                  ID_RECORD,
                                  ID_FORMAT_PANEL,
                                  ID_LEVEL_PANEL,
                                  ID_FILE_NEW,
                                  ID_FILE_OPEN,
                                  ID_EDIT_CUT,
                                  ID_EDIT_COPY,
                                  ID_EDIT_PASTE_INSERT,
                                  ID_EDIT_PASTE_OVER,
                                  ID_EDIT_DELETE,
                                  ID_EDIT_UNDO,
                                  ID_EDIT_REDO,
                                  ID_FILE_SAVE,
                                  ID_HELP_TOPICS};

}  // namespace

CMainFrame::CMainFrame(CEditorApp& app, QWidget* parent) : QMainWindow(parent), app_(app) {
  setObjectName(QString::number(IDR_MAINFRAME));
  setWindowTitle("Vellmore Editor");
  setWindowIcon(ProgramIcon());
  mdi_ = new QMdiArea(this);
  mdi_->setBackground(QColor(128, 128, 128));
  setCentralWidget(mdi_);
  template_ = std::make_unique<CDocTemplate>(app_, *mdi_);
  recent_ = std::make_unique<CRecentFileList>();

  CreateMenus();
  CreateToolBars();
  CreateAccelerators();
  setMinimumSize(800, 400);
  app_.SetPanelHooks(
      {[this](const std::string& rate, const std::string& channels, const std::string& bits) {
         if (qualityPanel_) {
           qualityPanel_->SetTexts(QString::fromStdString(rate), QString::fromStdString(channels),
                                   QString::fromStdString(bits));
         }
       },
       [this](const std::string& a, const std::string& b, const std::string& c) {
         positionBar_->SetStart(QString::fromStdString(a));
         positionBar_->SetEnd(QString::fromStdString(b));
         positionBar_->SetLength(QString::fromStdString(c));
       }});
  FollowActivation();
  connect(&uiTimer_, &QTimer::timeout, this, &CMainFrame::UpdateCommandUI);
  uiTimer_.start(200);
  UpdateCommandUI();
}

CMainFrame::~CMainFrame() {
  app_.RequestPlaybackStop();
  StorePanelFlags();
  app_.WriteConfig();
  // Documents close before the frame that shows them goes.
  for (QMdiSubWindow* window : mdi_->subWindowList()) delete window;
  delete qualityPanel_;
  levelPanelOpen_.store(false);
  delete levelsPanel_;
  app_.SetPanelHooks({});
}

QAction* CMainFrame::MakeAction(int id) {
  const CommandInfo* info = FindCommand(id);
  auto* action = new QAction(QString::fromUtf8(info ? info->text : ""), this);
  action->setObjectName(QString::number(id));
  if (info) {
    action->setToolTip(QString::fromUtf8(info->tip));
    action->setWhatsThis(QString::fromUtf8(info->tip));
  }
  action->setIconVisibleInMenu(false);
  action->setShortcuts(CommandKeys(id));
  connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
  actions_.insert(id, action);
  return action;
}

CQualityPanel* CMainFrame::QualityPanel() const {
  return qualityPanel_.data();
}

CLevelsPanel* CMainFrame::LevelsPanel() const {
  return levelsPanel_.data();
}

QAction* CMainFrame::Action(int id) const {
  return actions_.value(id, nullptr);
}

void CMainFrame::CreateMenus() {
  for (const CommandInfo& info : CommandList()) MakeAction(info.id);
  auto add = [this](QMenu* menu, std::initializer_list<int> list) {
    for (int id : list) {
      if (id == 0) {
        menu->addSeparator();
      } else {
        menu->addAction(Action(id));
      }
    }
  };
  QMenu* file = menuBar()->addMenu("&File");
  add(file, {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_CLOSE, ID_FILE_SAVE, ID_FILE_SAVE_AS, 0});
  recentMenu_ = file;
  file->addAction(Action(ID_FILE_MRU_FILE1));
  file->addSeparator();
  file->addAction(Action(ID_APP_EXIT));
  RefreshRecentMenu();
  add(menuBar()->addMenu("&Edit"),
      {ID_EDIT_UNDO, ID_EDIT_REDO, 0, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE_INSERT,
       ID_EDIT_PASTE_OVER, ID_EDIT_PASTE_MIX, ID_EDIT_DELETE, 0, ID_EDIT_SELECT_ALL});
  add(menuBar()->addMenu("&Tools"),
      {ID_TOOLS_VOLUME, ID_TOOLS_FADE, ID_TOOLS_MUTE, ID_TOOLS_REVERSE, ID_TOOLS_SWAP,
       ID_TOOLS_COPY_CHANNEL, ID_TOOLS_CHANGE_QUALITY});
  add(menuBar()->addMenu("Effe&cts"), {ID_EFFECTS_ECHO, ID_EFFECTS_REVERB, ID_EFFECTS_MULTI_VOICE});
  add(menuBar()->addMenu("&View"), {ID_VIEW_TOOLBAR, 0, ID_VIEW_ZOOM_IN, ID_VIEW_ZOOM_OUT,
                                    ID_VIEW_ZOOM_SELECTION, ID_VIEW_FULL});
  Action(ID_VIEW_TOOLBAR)->setCheckable(true);
  Action(ID_VIEW_TOOLBAR)->setChecked(true);
  add(menuBar()->addMenu("&Settings"), {ID_SETTINGS_IO, ID_SETTINGS_TEMP});
  windowMenu_ = menuBar()->addMenu("&Window");
  add(windowMenu_, {ID_WINDOW_CASCADE, ID_WINDOW_TILE, ID_WINDOW_ARRANGE});
  connect(windowMenu_, &QMenu::aboutToShow, this, &CMainFrame::RefreshWindowMenu);
  add(menuBar()->addMenu("&Help"), {ID_HELP_TOPICS, 0, ID_APP_ABOUT});
  for (QMenu* menu : menuBar()->findChildren<QMenu*>()) {
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
  }
}

void CMainFrame::RefreshRecentMenu() {
  // The list is shown as numbered entries in place of "Recent File".
  for (QAction* action : recentMenu_->actions()) {
    if (action->property("recent").toBool()) {
      recentMenu_->removeAction(action);
      action->deleteLater();
    }
  }
  QAction* placeholder = Action(ID_FILE_MRU_FILE1);
  const QStringList& files = recent_->Files();
  placeholder->setVisible(files.isEmpty());
  for (int i = 0; i < files.size(); ++i) {
    auto* entry = new QAction(QString("&%1 %2").arg(i + 1).arg(files[i]), recentMenu_);
    entry->setProperty("recent", true);
    entry->setObjectName(QString::number(ID_FILE_MRU_FILE1 + i));
    const QString path = files[i];
    connect(entry, &QAction::triggered, this, [this, path] { OpenDocumentFile(path); });
    recentMenu_->insertAction(placeholder, entry);
  }
}

void CMainFrame::RefreshWindowMenu() {
  // Below the fixed commands, the open windows in the order they were
  // opened, numbered, with a check on the one the user is working in.
  for (QAction* action : windowMenu_->actions()) {
    if (action->property("windowEntry").toBool()) {
      windowMenu_->removeAction(action);
      action->deleteLater();
    }
  }
  const QList<QMdiSubWindow*> windows = mdi_->subWindowList(QMdiArea::CreationOrder);
  if (windows.isEmpty()) return;
  windowMenu_->addSeparator()->setProperty("windowEntry", true);
  for (int i = 0; i < windows.size(); ++i) {
    QMdiSubWindow* window = windows[i];
    QString title = window->windowTitle();
    title.replace("[*]", window->isWindowModified() ? "*" : "");
    title.replace("&", "&&");
    auto* entry = windowMenu_->addAction(i < 9 ? QString("&%1 %2").arg(i + 1).arg(title)
                                               : QString("%1 %2").arg(i + 1).arg(title));
    entry->setProperty("windowEntry", true);
    entry->setCheckable(true);
    entry->setChecked(window == mdi_->currentSubWindow());
    const QPointer<QMdiSubWindow> target(window);
    connect(entry, &QAction::triggered, this, [this, target] {
      if (target) mdi_->setActiveSubWindow(target);
    });
  }
}

void CMainFrame::CreateToolBars() {
  using images::StandardImage;
  using images::TransportImage;
  standardBar_ = addToolBar("Standard");
  standardBar_->setObjectName(QString::number(AFX_IDW_TOOLBAR));
  standardBar_->setIconSize(QSize(61, 34));
  standardBar_->setMovable(true);
  struct Button {
    int id;
    int image;  // -1: separator
  };
  const Button standard[] = {{ID_FILE_NEW, 0},
                             {ID_FILE_OPEN, 1},
                             {ID_FILE_SAVE, 2},
                             {0, -1},
                             {ID_EDIT_CUT, 3},
                             {ID_EDIT_COPY, 4},
                             {ID_EDIT_PASTE_INSERT, 5},
                             {ID_EDIT_PASTE_OVER, 6},
                             {ID_EDIT_DELETE, 7},
                             {0, -1},
                             {ID_EDIT_UNDO, 8},
                             {ID_EDIT_REDO, 9},
                             {0, -1},
                             {ID_HELP_TOPICS, 10}};
  for (const Button& b : standard) {
    if (b.image == -1) {
      standardBar_->addSeparator();
      continue;
    }
    QAction* action = Action(b.id);
    const auto which = static_cast<StandardImage>(b.image);
    action->setIcon(ToolIcon(images::StandardToolbarImage(which, false),
                             images::StandardToolbarImage(which, true)));
    standardBar_->addAction(action);
  }

  // The bottom band: the position bar, then the transport toolbar.
  rebar_ = new QToolBar("Position", this);
  rebar_->setObjectName("rebar");
  rebar_->setMovable(false);
  positionBar_ = new CPositionBar(rebar_);
  rebar_->addWidget(positionBar_);
  addToolBar(Qt::BottomToolBarArea, rebar_);

  transportBar_ = new QToolBar("Transport", this);
  transportBar_->setObjectName(QString::number(IDR_TRANSPORT));
  transportBar_->setIconSize(QSize(58, 34));
  transportBar_->setMovable(false);
  const Button transport[] = {{ID_PLAY, 0},    {ID_PLAY_LOOPED, 1},  {ID_REWIND, 2},
                              {ID_FORWARD, 3}, {ID_STOP, 4},         {ID_RECORD, 5},
                              {0, -1},         {ID_FORMAT_PANEL, 6}, {ID_LEVEL_PANEL, 7}};
  for (const Button& b : transport) {
    if (b.image == -1) {
      transportBar_->addSeparator();
      continue;
    }
    const auto which = static_cast<TransportImage>(b.image);
    QAction* action = Action(b.id);
    action->setIcon(ToolIcon(images::TransportToolbarImage(which, false),
                             images::TransportToolbarImage(which, true)));
    transportBar_->addAction(action);
  }
  addToolBar(Qt::BottomToolBarArea, transportBar_);
}

void CMainFrame::CreateAccelerators() {
  // Commands reached only by their keys: the actions join the window so
  // their keys work without a menu or button to carry them.
  for (int id : {ID_PLAY_OR_STOP, ID_CONTEXT_HELP, ID_NEXT_PANE, ID_PREV_PANE}) {
    addAction(Action(id) != nullptr ? Action(id) : MakeAction(id));
  }
}

void CMainFrame::FollowActivation() {
  connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
    if (auto* frame = qobject_cast<CChildFrame*>(window)) {
      if (!frame->confirmClose) {
        frame->confirmClose = [this](CChildFrame& closing) { return ConfirmClose(closing); };
      }
      frame->View().MakeActive();
      connect(&frame->View(), &CEditorView::StateChanged, this, &CMainFrame::UpdateCommandUI,
              Qt::UniqueConnection);
    }
    UpdateCommandUI();
  });
  // Leaving the program for another one stops playback; a menu or a dialog
  // of its own does not.
  connect(qApp, &QGuiApplication::applicationStateChanged, this,
          [this](Qt::ApplicationState state) {
            if (state != Qt::ApplicationActive) app_.RequestPlaybackStop();
          });
  // Logging out asks about unsaved changes as closing does; Cancel keeps
  // the session.
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
    if (!manager.allowsInteraction()) return;
    QList<CChildFrame*> answered;
    for (QMdiSubWindow* window : mdi_->subWindowList()) {
      auto* frame = qobject_cast<CChildFrame*>(window);
      if (frame == nullptr) continue;
      if (!ConfirmClose(*frame)) {
        manager.cancel();
        manager.release();
        return;
      }
      answered << frame;
    }
    manager.release();
    // The session ends now; closing the windows does not ask again.
    for (CChildFrame* frame : answered) frame->confirmClose = nullptr;
  });
}

PlayState CMainFrame::PlaybackState() const {
  return transport_.playState ? transport_.playState() : app_.PlaybackState();
}

void CMainFrame::UpdateCommandUI() {
  const PlayState play = PlaybackState();
  const CommandContext context = ContextFor(app_);
  for (auto it = actions_.begin(); it != actions_.end(); ++it) {
    bool enabled = CommandEnabled(it.key(), play, context);
    if (greyed_ && std::find(std::begin(kGreyedButtons), std::end(kGreyedButtons), it.key()) !=
                       std::end(kGreyedButtons)) {
      enabled = false;
    }
    it.value()->setEnabled(enabled);
  }
  Action(ID_VIEW_TOOLBAR)->setChecked(standardBar_->isVisible());
  UpdateTitles();
}

void CMainFrame::GreyToolbarButtons() {
  greyed_ = true;
  UpdateCommandUI();
}

void CMainFrame::RestoreToolbarButtons() {
  greyed_ = false;
  UpdateCommandUI();
}

void CMainFrame::PlaceForScreen(const QSize& screen) {
  if (screen.width() < 800 && screen.height() < 600) {
    platform::ShowMessage("Sorry, minimum resolution must be 800 x 600.");
  } else if (screen == QSize(800, 600)) {
    setGeometry(0, 0, 800, 600);
  } else {
    setGeometry(100, 100, 800, 550);
  }
}

CEditorView* CMainFrame::ActiveView() const {
  return CEditorView::Active();
}

void CMainFrame::RefreshViews() {
  for (CEditorView* view : mdi_->findChildren<CEditorView*>()) view->Refresh();
}

void CMainFrame::StorePanelFlags() {
  ConfigRecord* config = app_.Config();
  config->formatPanelShown = qualityPanel_ ? 1 : 0;
  config->levelMeterShown = levelsPanel_ ? 1 : 0;
}

CChildFrame* CMainFrame::OpenDocumentFile(const QString& path) {
  CChildFrame* frame = template_->OpenDocumentFile(path);
  if (frame != nullptr) {
    recent_->Add(path);
    RefreshRecentMenu();
  }
  RefreshViews();
  return frame;
}

CChildFrame* CMainFrame::AdoptDocument(std::unique_ptr<CEditorDoc> doc, const QString& title) {
  CChildFrame* frame = template_->AdoptDocument(std::move(doc), title);
  RefreshViews();
  UpdateCommandUI();
  return frame;
}

void CMainFrame::OnCommand(int id) {
  switch (id) {
    case ID_FILE_NEW:
      template_->NewDocument();
      return;
    case ID_FILE_OPEN:
      OnFileOpen();
      return;
    case ID_FILE_CLOSE:
      if (QMdiSubWindow* window = mdi_->activeSubWindow()) window->close();
      return;
    case ID_FILE_SAVE:
      if (CEditorDoc* doc = app_.ActiveDocument()) SaveDocument(*doc);
      return;
    case ID_FILE_SAVE_AS:
      if (CEditorDoc* doc = app_.ActiveDocument()) SaveDocumentWithDialog(*doc);
      return;
    case ID_APP_EXIT:
      close();
      return;
    case ID_VIEW_ZOOM_IN:
      if (CEditorView* view = ActiveView()) view->ZoomIn();
      return;
    case ID_VIEW_ZOOM_OUT:
      if (CEditorView* view = ActiveView()) view->ZoomOut();
      return;
    case ID_VIEW_ZOOM_SELECTION:
      if (CEditorView* view = ActiveView()) view->ZoomToSelection();
      return;
    case ID_VIEW_FULL:
      if (CEditorView* view = ActiveView()) view->FullView();
      return;
    case ID_VIEW_TOOLBAR:
      standardBar_->setVisible(!standardBar_->isVisible());
      UpdateCommandUI();
      return;
    case ID_STOP: {
      if (transport_.stop) {
        transport_.stop();
      } else {
        app_.RequestPlaybackStop();
      }
      UpdateCommandUI();
      return;
    }
    case ID_PLAY:
    case ID_PLAY_LOOPED: {
      const CommandDecision decision = DecideCommand(id, ContextFor(app_));
      if (decision.kind == CommandDecision::Refuse) {
        platform::ShowMessage(decision.message);
      } else if (transport_.play) {
        transport_.play(*app_.ActiveDocument(), id == ID_PLAY_LOOPED);
      }
      // Playing greys the commands at once, not at the next timer tick.
      UpdateCommandUI();
      return;
    }
    case ID_PLAY_OR_STOP:
      OnPlayOrStop();
      return;
    case ID_REWIND:
    case ID_FORWARD:
      OnRewindOrForward(id == ID_FORWARD);
      return;
    case ID_EDIT_SELECT_ALL:
      if (SelectAllDocument(app_)) RedrawActiveSelection();
      return;
    case ID_RECORD:
      if (transport_.record) transport_.record(app_.ActiveDocument());
      UpdateCommandUI();
      return;
    case ID_FORMAT_PANEL:
      ToggleFormatPanel();
      return;
    case ID_LEVEL_PANEL:
      ToggleLevelPanel();
      return;
    case ID_WINDOW_CASCADE:
      mdi_->cascadeSubWindows();
      return;
    case ID_WINDOW_TILE:
      mdi_->tileSubWindows();
      return;
    case ID_SETTINGS_IO: {
      CIoDeviceSettingsDialog dialog(app_, this);
      dialog.exec();
      return;
    }
    case ID_SETTINGS_TEMP: {
      CTempFileSettingsDialog dialog(app_, this);
      dialog.exec();
      return;
    }
    case ID_APP_ABOUT: {
      CAboutDialog dialog(this);
      dialog.exec();
      return;
    }
    case ID_WINDOW_ARRANGE:
      ArrangeMinimizedWindows(mdi_);
      return;
    case ID_HELP_TOPICS:
    case ID_HELP:
    case ID_HELP_INDEX:
    case ID_DEFAULT_HELP: {
      // F1 and the framework's help commands all open the one help dialog.
      CHelpDialog dialog(this);
      dialog.exec();
      return;
    }
    case ID_CONTEXT_HELP:
      // The next click on a button or menu item explains it.
      QWhatsThis::enterWhatsThisMode();
      return;
    case ID_NEXT_PANE:
      mdi_->activateNextSubWindow();
      return;
    case ID_PREV_PANE:
      mdi_->activatePreviousSubWindow();
      return;
    default:
      break;
  }
  RunDocumentCommand(app_, id);
  RefreshViews();
  UpdateCommandUI();
}

void CMainFrame::OnPlayOrStop() {
  if (PlaybackState() == PLAY_PLAYING) {
    OnCommand(ID_STOP);
    return;
  }
  // Play's own rule decides, as it does for its button.
  UpdateCommandUI();
  if (Action(ID_PLAY)->isEnabled()) OnCommand(ID_PLAY);
}

void CMainFrame::OnRewindOrForward(bool forward) {
  if (forward ? ForwardDocument(app_) : RewindDocument(app_)) RedrawActiveSelection();
}

void CMainFrame::RedrawActiveSelection() {
  CEditorView* view = ActiveView();
  if (view == nullptr || &view->Document() != app_.ActiveDocument()) return;
  view->Refresh();
}

void CMainFrame::OnFileOpen() {
  QFileDialog dialog(this, "Open");
  QStringList filters;
  for (const std::string& f : FileDialogFilters(kOpenFilter)) {
    filters << QString::fromStdString(f);
  }
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix("wav");
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::ReadOnly, false);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  OpenDocumentFile(dialog.selectedFiles().first());
}

bool CMainFrame::SaveDocument(CEditorDoc& doc) {
  // A document that was never saved, or whose name says no type, is saved
  // as Save As would.
  if (doc.Path().empty() || WriterForPath(doc.Path()) == OpCode{}) {
    return SaveDocumentWithDialog(doc);
  }
  return SaveWith(doc, QString::fromStdString(doc.Path()));
}

bool CMainFrame::SaveDocumentWithDialog(CEditorDoc& doc) {
  QFileDialog dialog(this, "Save As");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  QStringList filters;
  for (const std::string& f : FileDialogFilters(kSaveFilter)) filters << QString::fromStdString(f);
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix("wav");
  // A recovered document has no path yet; it proposes the file it came from.
  const std::string proposed = doc.Path().empty() ? doc.journal.OriginalPath() : doc.Path();
  if (!proposed.empty()) dialog.selectFile(QString::fromStdString(proposed));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  QString path = dialog.selectedFiles().first();
  // A name without an extension takes the chosen filter's; one with an
  // extension the editor cannot save is refused by the save itself.
  if (FileExtension(path.toStdString()).empty()) {
    const QString filter = dialog.selectedNameFilter();
    // The filter's first pattern gives the extension: "FLAC Files (*.flac)".
    const int star = filter.indexOf("*.");
    const int end = star >= 0 ? filter.indexOf(QRegularExpression("[ )]"), star) : -1;
    path += star >= 0 && end > star ? filter.mid(star + 1, end - star - 1) : QString(".wav");
  }
  return SaveWith(doc, path);
}

bool CMainFrame::SaveWith(CEditorDoc& doc, const QString& path) {
  const SaveResult result = SaveDocumentAs(doc, path.toStdString());
  if (result.saved) {
    recent_->Add(path);
    RefreshRecentMenu();
    for (QMdiSubWindow* window : mdi_->subWindowList()) {
      auto* frame = qobject_cast<CChildFrame*>(window);
      if (frame != nullptr && &frame->Document() == &doc) {
        frame->SetDocumentName(QFileInfo(path).fileName());
      }
    }
  }
  RefreshViews();
  UpdateCommandUI();
  return result.saved;
}

bool CMainFrame::ConfirmClose(CChildFrame& frame) {
  CEditorDoc& doc = frame.Document();
  if (!doc.IsModified()) return true;
  mdi_->setActiveSubWindow(&frame);
  QMessageBox box(QMessageBox::Warning, "Vellmore Editor",
                  QString("Save changes to %1 before closing?").arg(frame.DocumentName()),
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
  box.setDefaultButton(QMessageBox::Save);
  switch (box.exec()) {
    case QMessageBox::Save:
      return SaveDocument(doc);
    case QMessageBox::Discard:
      return true;
    default:
      return false;
  }
}

void CMainFrame::UpdateTitles() {
  CChildFrame* active = nullptr;
  for (QMdiSubWindow* window : mdi_->subWindowList()) {
    if (auto* frame = qobject_cast<CChildFrame*>(window)) {
      frame->setWindowModified(frame->Document().IsModified());
      if (&frame->Document() == app_.ActiveDocument()) active = frame;
    }
  }
  if (active == nullptr) {
    setWindowTitle("Vellmore Editor");
    setWindowModified(false);
  } else {
    setWindowTitle(active->DocumentName() + QString::fromUtf8("[*] \u2014 Vellmore Editor"));
    setWindowModified(active->Document().IsModified());
  }
}

void CMainFrame::ToggleFormatPanel() {
  if (qualityPanel_) {
    qualityPanel_->close();
    qualityPanel_ = nullptr;
    RepositionPanels();
  } else {
    qualityPanel_ = new CQualityPanel(this);
    qualityPanel_->onClosed = [this] {
      qualityPanel_ = nullptr;
      RepositionPanels();
      UpdateCommandUI();
    };
    qualityPanel_->returnFocus = [this] { activateWindow(); };
    RepositionPanels();
    qualityPanel_->show();
    if (CEditorDoc* doc = app_.ActiveDocument()) {
      app_.ShowFormat(doc->sampleRate, doc->channels, doc->bitsPerSample);
    }
  }
  UpdateCommandUI();
}

void CMainFrame::ToggleLevelPanel() {
  if (levelsPanel_) {
    levelPanelOpen_.store(false);
    levelsPanel_->close();  // stops the input monitor first
    levelsPanel_ = nullptr;
    RepositionPanels();
  } else {
    levelsPanel_ = new CLevelsPanel(this);
    levelsPanel_->onClosed = [this] {
      levelPanelOpen_.store(false);
      levelsPanel_ = nullptr;
      RepositionPanels();
      UpdateCommandUI();
    };
    levelsPanel_->returnFocus = [this] { activateWindow(); };
    levelsPanel_->busy = [this] {
      if (transport_.monitorRefused) return transport_.monitorRefused();
      return PlaybackState() == PLAY_PLAYING || app_.RecordingState() == RECORD_RECORDING;
    };
    levelsPanel_->startMonitoring = [this] {
      if (transport_.startMonitoring) transport_.startMonitoring();
    };
    levelsPanel_->stopMonitoring = [this] {
      if (transport_.stopMonitoring) transport_.stopMonitoring();
    };
    RepositionPanels();
    levelsPanel_->show();
    levelPanelOpen_.store(true);
  }
  UpdateCommandUI();
}

void CMainFrame::RepositionPanels() {
  const QRect frame = frameGeometry();
  if (frame.width() < 400) return;
  const int x = frame.left() + frame.width() - 147;
  if (qualityPanel_) qualityPanel_->move(x, frame.top() + 95);
  if (levelsPanel_) {
    levelsPanel_->setGeometry(x, frame.top() + (qualityPanel_ ? 195 : 95), 141, 195);
  }
}

void CMainFrame::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  RepositionPanels();
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  RepositionPanels();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  AudioEngine* audio = app_.Audio();
  if (audio != nullptr && audio->PlayState() == PLAY_PLAYING) {
    // Let the playback drain finish; a drain that never reports back does
    // not keep the program from closing.
    audio->RequestStop();
    audio->WaitUntilStopped(std::chrono::milliseconds(3000));
  }
  mdi_->closeAllSubWindows();
  if (!mdi_->subWindowList().isEmpty()) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

QImage CMainFrame::Snapshot() {
  QImage picture = grab().toImage().convertToFormat(QImage::Format_RGB32);
  QPainter p(&picture);
  const QPoint origin = geometry().topLeft();
  for (QWidget* panel :
       {static_cast<QWidget*>(qualityPanel_.data()), static_cast<QWidget*>(levelsPanel_.data())}) {
    if (panel != nullptr && panel->isVisible()) {
      p.drawPixmap(panel->geometry().topLeft() - origin, panel->grab());
    }
  }
  return picture;
}
