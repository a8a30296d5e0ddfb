#include "gui/command_keys.h"

#include "resources/control_ids.h"

using namespace ids;

namespace {

struct StandardBinding {
  int id;
  QKeySequence::StandardKey key;
};

constexpr StandardBinding kStandard[] = {
    {ID_FILE_NEW, QKeySequence::New},
    {ID_FILE_OPEN, QKeySequence::Open},
    {ID_FILE_CLOSE, QKeySequence::Close},
    {ID_FILE_SAVE, QKeySequence::Save},
    {ID_FILE_SAVE_AS, QKeySequence::SaveAs},
    {ID_APP_EXIT, QKeySequence::Quit},
    {ID_EDIT_UNDO, QKeySequence::Undo},
    {ID_EDIT_REDO, QKeySequence::Redo},
    {ID_EDIT_CUT, QKeySequence::Cut},
    {ID_EDIT_COPY, QKeySequence::Copy},
    {ID_EDIT_PASTE_INSERT, QKeySequence::Paste},
    {ID_EDIT_DELETE, QKeySequence::Delete},
    {ID_EDIT_SELECT_ALL, QKeySequence::SelectAll},
    {ID_VIEW_ZOOM_IN, QKeySequence::ZoomIn},
    {ID_VIEW_ZOOM_OUT, QKeySequence::ZoomOut},
    {ID_HELP_TOPICS, QKeySequence::HelpContents},
    {ID_CONTEXT_HELP, QKeySequence::WhatsThis},
};

struct OwnBinding {
  int id;
  QKeyCombination key;
};

constexpr OwnBinding kOwn[] = {
    // Paste Over is the other paste, one modifier away from Paste Insert.
    {ID_EDIT_PASTE_OVER, Qt::CTRL | Qt::SHIFT | Qt::Key_V},
    {ID_PLAY_OR_STOP, QKeyCombination(Qt::Key_Space)},
    {ID_STOP, QKeyCombination(Qt::Key_Escape)},
    // Home and End move the cursor to the start and the end of the file.
    {ID_REWIND, QKeyCombination(Qt::Key_Home)},
    {ID_FORWARD, QKeyCombination(Qt::Key_End)},
    {ID_NEXT_PANE, QKeyCombination(Qt::Key_F6)},
    {ID_PREV_PANE, Qt::SHIFT | Qt::Key_F6},
};

}  // namespace

QList<QKeySequence> CommandKeys(int id) {
  for (const StandardBinding& binding : kStandard) {
    if (binding.id == id) return QKeySequence::keyBindings(binding.key);
  }
  for (const OwnBinding& binding : kOwn) {
    if (binding.id == id) return {QKeySequence(binding.key)};
  }
  return {};
}
