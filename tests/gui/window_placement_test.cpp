#include "app/window_placement.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QWidget>

#include "gui/main_wnd_pos_keeper.h"

TEST(MainWndPos, TextFormatRoundTrips) {
  WindowPlacement p;
  p.flags = WPF_RESTORETOMAXIMIZED;
  p.showCmd = SW_SHOWMAXIMIZED;
  p.left = 100;
  p.top = 110;
  p.right = 900;
  p.bottom = 660;
  EXPECT_EQ(FormatPlacement(p), "2,3,-1,-1,-1,-1,100,110,900,660");
  WindowPlacement back;
  ASSERT_TRUE(ParsePlacement(FormatPlacement(p), &back));
  EXPECT_EQ(back, p);
  for (const char* bad : {"", "1,2,3", "a,1,-1,-1,-1,-1,0,0,10,10", "1,1,-1,-1,-1,-1,0,0,10"}) {
    EXPECT_FALSE(ParsePlacement(bad, &back)) << bad;
  }
  EXPECT_EQ(RestoredShowCommand(SW_SHOWMAXIMIZED, SW_SHOWNORMAL), SW_SHOWMAXIMIZED);
  EXPECT_EQ(RestoredShowCommand(SW_SHOWMAXIMIZED, SW_SHOW), SW_SHOWMAXIMIZED);
  EXPECT_EQ(RestoredShowCommand(SW_SHOWNORMAL, SW_SHOWMINIMIZED), SW_SHOWMINIMIZED);
}

TEST(MainWndPos, WrittenAtCloseAndRestored) {
  QSettings().remove("Settings/MainWndPos");
  {
    QWidget window;
    auto* keeper = new CMainWndPosKeeper(SW_SHOWNORMAL, "Settings", "MainWndPos");
    ASSERT_TRUE(keeper->Attach(&window));
    EXPECT_TRUE(window.isVisible());  // no placement yet: shown as started
    window.setGeometry(120, 130, 640, 480);
    window.close();
  }
  EXPECT_EQ(QSettings().value("Settings/MainWndPos").toString().toStdString(),
            "0,1,-1,-1,-1,-1,120,130,760,610");
  QWidget again;
  auto* keeper = new CMainWndPosKeeper(SW_SHOWNORMAL, "Settings", "MainWndPos");
  keeper->Attach(&again);
  EXPECT_EQ(again.geometry(), QRect(120, 130, 640, 480));
  EXPECT_FALSE(again.isMaximized());
}

TEST(MainWndPos, AMaximisedWindowIsRestoredMaximised) {
  QSettings().remove("Settings/MainWndPos");
  {
    QWidget window;
    auto* keeper = new CMainWndPosKeeper(SW_SHOWNORMAL, "Settings", "MainWndPos");
    keeper->Attach(&window);
    window.setGeometry(50, 60, 700, 500);
    window.showMaximized();
    window.close();
  }
  const std::string text = QSettings().value("Settings/MainWndPos").toString().toStdString();
  WindowPlacement saved;
  ASSERT_TRUE(ParsePlacement(text, &saved)) << text;
  EXPECT_EQ(saved.flags, WPF_RESTORETOMAXIMIZED);
  EXPECT_EQ(saved.showCmd, SW_SHOWMAXIMIZED);
  EXPECT_EQ(saved.left, 50);
  EXPECT_EQ(saved.bottom, 560);

  QWidget again;
  auto* keeper = new CMainWndPosKeeper(SW_SHOWNORMAL, "Settings", "MainWndPos");
  keeper->Attach(&again);
  EXPECT_TRUE(again.isMaximized());
}
