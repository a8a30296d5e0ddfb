#include "app/first_run.h"

#include "app/editor_app.h"
#include "platform/paths.h"

void DefaultFirstRunDialogs::RunInitialization(CEditorApp& app) {
  ConfigRecord record{};
  record.SetTempFolder(platform::ProposedTempFolder());
  record.inputDevice = 0;
  record.outputDevice = 0;
  app.SetConfig(record);
  app.WriteConfig();
}

void DefaultFirstRunDialogs::RunTemporaryFileSettings(CEditorApp& app) {
  ConfigRecord record = *app.Config();
  record.SetTempFolder(platform::ProposedTempFolder());
  app.SetConfig(record);
  app.WriteConfig();
}
