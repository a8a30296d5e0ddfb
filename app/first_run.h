// The dialogs that collect the configuration when there is none, or when the
// configured temp folder cannot be used. The editor shows real dialogs; the
// stand-in below answers them as a first run without a user would.
#pragma once

class CEditorApp;

class FirstRunDialogs {
 public:
  virtual ~FirstRunDialogs() = default;
  // "Initialization Page 1 of 2", then "Initialization Settings": OK fills
  // the configuration record (temp folder, both device indices 0, all other
  // fields zero) and writes the configuration file.
  virtual void RunInitialization(CEditorApp& app) = 0;
  // "Temporary File Settings": OK stores the chosen temp folder in the
  // record and writes the configuration file.
  virtual void RunTemporaryFileSettings(CEditorApp& app) = 0;
};

// Chooses the proposed temp folder (the user's run-time folder, else the
// platform temp path) and device 0 without asking.
class DefaultFirstRunDialogs : public FirstRunDialogs {
 public:
  void RunInitialization(CEditorApp& app) override;
  void RunTemporaryFileSettings(CEditorApp& app) override;
};
