#include <gtest/gtest.h>

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>

#include "app/editor_app.h"
#include "gui/editor_images.h"
#include "gui/main_frame.h"
#include "gui/view/color_label.h"
#include "gui/view/levels_panel.h"
#include "gui/view/quality_panel.h"
#include "resources/control_ids.h"
#include "tests/gui/modal_driver.h"
#include "tests/support/test_app.h"

TEST(Panels, TheCloseAreaIsInclusive) {
  const std::pair<QPoint, bool> cases[] = {
      {{118, 2}, true},   {{130, 10}, true}, {{124, 6}, true}, {{131, 10}, false},
      {{118, 11}, false}, {{117, 2}, false}, {{130, 1}, false}};
  for (const auto& [point, closes] : cases) {
    QWidget owner;
    bool closed = false;
    auto* panel = new CQualityPanel(&owner);
    panel->onClosed = [&] { closed = true; };
    panel->show();
    QTest::mouseClick(panel, Qt::LeftButton, {}, point);
    EXPECT_EQ(closed, closes) << point.x() << "," << point.y();
    EXPECT_EQ(panel->isVisible(), !closes) << point.x() << "," << point.y();
  }
}

TEST(Panels, LevelMetersLightFromTheBottom) {
  QWidget owner;
  CLevelsPanel panel(&owner);
  panel.show();
  const QImage dark = images::MeterBackground();
  const QImage lit = images::MeterLit();
  auto meterRow = [&](int row) {
    const QImage picture = panel.grab().toImage();
    return std::make_pair(picture.pixel(14 + 10, 30 + row), picture.pixel(94 + 10, 30 + row));
  };
  panel.SetLevels(0, 0);
  for (int row : {1, 50, 106}) {
    EXPECT_EQ(meterRow(row).first, dark.pixel(10, row)) << row;
    EXPECT_EQ(meterRow(row).second, dark.pixel(10, row)) << row;
  }
  panel.SetLevels(109, 109);
  for (int row : {1, 50, 106}) {
    EXPECT_EQ(meterRow(row).first, lit.pixel(10, row)) << row;
    EXPECT_EQ(meterRow(row).second, lit.pixel(10, row)) << row;
  }
  EXPECT_NE(lit.pixel(10, 1), dark.pixel(10, 1));
  panel.SetLevels(0, 109);
  EXPECT_EQ(meterRow(106).first, dark.pixel(10, 106));
  EXPECT_EQ(meterRow(106).second, lit.pixel(10, 106));
}

TEST(Panels, MonitorInputIsRefusedWhilePlaying) {
  QWidget owner;
  CLevelsPanel panel(&owner);
  bool playing = true;
  int started = 0, stopped = 0;
  panel.busy = [&] { return playing; };
  panel.startMonitoring = [&] { ++started; };
  panel.stopMonitoring = [&] { ++stopped; };
  QPushButton* button = panel.findChild<QPushButton*>(QString::number(ids::IDC_MONITOR_INPUT));
  ASSERT_NE(button, nullptr);
  button->click();
  EXPECT_FALSE(button->isChecked());
  EXPECT_EQ(started, 0);
  playing = false;
  button->click();
  EXPECT_TRUE(panel.Monitoring());
  EXPECT_EQ(started, 1);
  button->click();
  EXPECT_FALSE(panel.Monitoring());
  EXPECT_EQ(stopped, 1);
}

TEST(Panels, FormatPanelShowsTheActiveDocumentsQuality) {
  TestApp t;
  CMainFrame frame(t.App());
  frame.ToggleFormatPanel();
  ASSERT_NE(frame.QualityPanel(), nullptr);
  auto text = [&](int id) { return frame.QualityPanel()->Field(id)->text().toStdString(); };
  // With no document focused the fields stay empty.
  EXPECT_EQ(text(ids::IDC_SAMPLE_RATE), "");
  EXPECT_EQ(text(ids::IDC_BITS), "");
  EXPECT_EQ(text(ids::IDC_CHANNELS), "");
  t.App().ShowFormat(44100, 2, 16);
  EXPECT_EQ(text(ids::IDC_SAMPLE_RATE), "44100 Hz");
  EXPECT_EQ(text(ids::IDC_BITS), "16 Bit");
  EXPECT_EQ(text(ids::IDC_CHANNELS), "Stereo");
  t.App().ShowFormat(0, 1, 8);
  EXPECT_EQ(text(ids::IDC_SAMPLE_RATE), "");
  EXPECT_EQ(text(ids::IDC_CHANNELS), "Mono");
  EXPECT_EQ(text(ids::IDC_BITS), "8 Bit");
  frame.ToggleFormatPanel();
  EXPECT_EQ(frame.QualityPanel(), nullptr);
}

TEST(Panels, PanelsSitAlongTheRightEdgeAndTheirFlagsAreKeptAtExit) {
  TestApp t;
  {
    CMainFrame frame(t.App());
    frame.show();
    frame.setGeometry(100, 100, 900, 600);
    frame.ToggleLevelPanel();
    const QRect outer = frame.frameGeometry();
    EXPECT_EQ(frame.LevelsPanel()->pos(), QPoint(outer.right() + 1 - 147, outer.top() + 95));
    EXPECT_EQ(frame.LevelsPanel()->size(), QSize(141, 195));
    frame.ToggleFormatPanel();
    frame.RepositionPanels();
    EXPECT_EQ(frame.QualityPanel()->pos(), QPoint(outer.right() + 1 - 147, outer.top() + 95));
    EXPECT_EQ(frame.LevelsPanel()->pos().y(), outer.top() + 195);
    frame.ToggleFormatPanel();
  }
  EXPECT_EQ(t.App().Config()->formatPanelShown, 0);
  EXPECT_EQ(t.App().Config()->levelMeterShown, 1);
}

TEST(MainFrame, EveryCommandIsGreyedWhilePlayingExceptStop) {
  TestApp t;
  CMainFrame frame(t.App());
  // The transport as an engine would install it, with a state the test sets.
  PlayState playState = PLAY_PLAYING;
  TransportHooks hooks;
  hooks.playState = [&] { return playState; };
  hooks.stop = [&] {
    if (playState == PLAY_PLAYING) playState = PLAY_STOP_REQUESTED;
  };
  frame.SetTransportHooks(std::move(hooks));
  frame.UpdateCommandUI();
  EXPECT_FALSE(frame.Action(ids::ID_EDIT_CUT)->isEnabled());
  EXPECT_FALSE(frame.Action(ids::ID_PLAY)->isEnabled());
  EXPECT_FALSE(frame.Action(ids::ID_FILE_OPEN)->isEnabled());
  EXPECT_TRUE(frame.Action(ids::ID_STOP)->isEnabled());
  EXPECT_TRUE(frame.Action(ids::ID_APP_EXIT)->isEnabled());
  frame.OnCommand(ids::ID_STOP);
  EXPECT_EQ(playState, PLAY_STOP_REQUESTED);
  playState = PLAY_IDLE;
  frame.UpdateCommandUI();
  EXPECT_TRUE(frame.Action(ids::ID_FILE_OPEN)->isEnabled());
  // Without a document there is still nothing to cut.
  EXPECT_FALSE(frame.Action(ids::ID_EDIT_CUT)->isEnabled());
}

TEST(MainFrame, ScreenCheckPlacesTheWindow) {
  TestApp t;
  CMainFrame frame(t.App());
  frame.PlaceForScreen(QSize(1024, 768));
  EXPECT_EQ(frame.geometry(), QRect(100, 100, 800, 550));
  frame.PlaceForScreen(QSize(800, 600));
  EXPECT_EQ(frame.geometry(), QRect(0, 0, 800, 600));
  frame.resize(500, 300);
  EXPECT_EQ(frame.size(), QSize(800, 400));  // the size limits
}

TEST(MainFrame, HelpKeysAndHelpCommandsOpenTheHelpDialog) {
  TestApp t;
  CMainFrame frame(t.App());
  ModalDriver driver([](QDialog& dialog) { dialog.reject(); });
  for (int id : {ids::ID_HELP_TOPICS, ids::ID_HELP, ids::ID_HELP_INDEX, ids::ID_DEFAULT_HELP}) {
    frame.OnCommand(id);
  }
  EXPECT_EQ(driver.Titles(), std::vector<std::string>(4, "Help"));
}

TEST(MainFrame, ArrangeIconsLinesUpMinimisedWindowsAlongTheBottom) {
  TestApp t;
  CMainFrame frame(t.App());
  frame.resize(900, 600);
  frame.show();
  auto* area = frame.findChild<QMdiArea*>();
  ASSERT_NE(area, nullptr);
  std::vector<QMdiSubWindow*> windows;
  for (int i = 0; i < 3; ++i) {
    QMdiSubWindow* window = area->addSubWindow(new QWidget);
    window->show();
    window->move(40 * i, 30 * i);
    windows.push_back(window);
  }
  windows[0]->showMinimized();
  windows[2]->showMinimized();
  // The area lines up windows as they are minimised; the user then drags
  // their icons about.
  windows[0]->move(300, 100);
  windows[2]->move(10, 10);
  const QRect normal = windows[1]->geometry();
  frame.OnCommand(ids::ID_WINDOW_ARRANGE);

  const int bottom = area->viewport()->rect().bottom();
  EXPECT_EQ(windows[0]->geometry().left(), 0);
  EXPECT_EQ(windows[0]->geometry().bottom(), bottom);
  EXPECT_EQ(windows[2]->geometry().left(), windows[0]->geometry().right() + 1);
  EXPECT_EQ(windows[2]->geometry().bottom(), bottom);
  EXPECT_EQ(windows[1]->geometry(), normal);  // windows that are not minimised stay
}
