// The main window: the document windows in an MDI area, the standard
// toolbar at the top, the position bar and transport toolbar at the bottom,
// the floating format and level-meter panels along the right edge. Every
// command of the menus, toolbars and accelerators arrives at OnCommand; the
// rules of each live in command_table.h.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <memory>

#include "gui/transport_hooks.h"

class CEditorApp;
class CEditorDoc;
class CEditorView;
class CChildFrame;
class CDocTemplate;
class CLevelsPanel;
class CPositionBar;
class CQualityPanel;
class CRecentFileList;
class QAction;
class QMdiArea;
class QMenu;
class QToolBar;

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  explicit CMainFrame(CEditorApp& app, QWidget* parent = nullptr);
  ~CMainFrame() override;

  // Places the window by the screen check. The screen size is passed in so
  // the rule can be exercised for any screen.
  void PlaceForScreen(const QSize& screen);

  void OnCommand(int id);
  // The action of a command id (its objectName is the id), or null.
  QAction* Action(int id) const;
  // Applies the enabling rule to every command.
  void UpdateCommandUI();
  // The play state the enabling rule reads (the transport's, else the
  // application's).
  PlayState PlaybackState() const;

  void ToggleFormatPanel();
  void ToggleLevelPanel();
  // Puts which floating panels are open into the configuration record, for
  // `editor.cfg`; the frame's destruction does it too.
  void StorePanelFlags();
  void RepositionPanels();
  // Recording greys the toolbar buttons and restores them afterwards.
  void GreyToolbarButtons();
  void RestoreToolbarButtons();

  CChildFrame* OpenDocumentFile(const QString& path);
  // A document made elsewhere (a recovered one) in a window of its own.
  CChildFrame* AdoptDocument(std::unique_ptr<CEditorDoc> doc, const QString& title);
  CDocTemplate& Template() { return *template_; }
  CQualityPanel* QualityPanel() const;
  CLevelsPanel* LevelsPanel() const;
  // Whether the level-meter panel is open; safe to read from any thread, so
  // the audio threads can skip the meter arithmetic without it.
  bool LevelPanelOpen() const { return levelPanelOpen_.load(); }
  CPositionBar* PositionBar() const { return positionBar_; }
  QToolBar* StandardToolBar() const { return standardBar_; }
  QToolBar* TransportToolBar() const { return transportBar_; }
  QMdiArea* MdiArea() const { return mdi_; }
  QMenu* WindowMenu() const { return windowMenu_; }
  void SetTransportHooks(TransportHooks hooks) { transport_ = std::move(hooks); }

  // The window with its floating panels, as a user sees it.
  QImage Snapshot();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QAction* MakeAction(int id);
  void CreateMenus();
  void CreateToolBars();
  void CreateAccelerators();
  void RefreshRecentMenu();
  void RefreshViews();
  // The active document follows the active window; playback stops when the
  // program is left.
  void FollowActivation();
  CEditorView* ActiveView() const;
  void OnFileOpen();
  // Save and Save As of one document; true once its file was written.
  bool SaveDocument(CEditorDoc& doc);
  bool SaveDocumentWithDialog(CEditorDoc& doc);
  bool SaveWith(CEditorDoc& doc, const QString& path);
  // The unsaved-changes question for a window about to close: Save (true
  // once saved), Discard (true) or Cancel (false).
  bool ConfirmClose(CChildFrame& frame);
  // The window titles: each document's name with its modified mark, and
  // the active one's in the main window's title.
  void UpdateTitles();
  void RefreshWindowMenu();
  void OnPlayOrStop();
  void OnRewindOrForward(bool forward);
  // Shows the active view's selection after a command moved it.
  void RedrawActiveSelection();

  CEditorApp& app_;
  QMdiArea* mdi_;
  std::unique_ptr<CDocTemplate> template_;
  std::unique_ptr<CRecentFileList> recent_;
  QHash<int, QAction*> actions_;
  QToolBar* standardBar_ = nullptr;
  QToolBar* transportBar_ = nullptr;
  QToolBar* rebar_ = nullptr;
  CPositionBar* positionBar_ = nullptr;
  QPointer<CQualityPanel> qualityPanel_;
  QPointer<CLevelsPanel> levelsPanel_;
  QMenu* recentMenu_ = nullptr;
  QMenu* windowMenu_ = nullptr;
  QTimer uiTimer_;
  bool greyed_ = false;
  TransportHooks transport_;
  std::atomic<bool> levelPanelOpen_{false};
};
