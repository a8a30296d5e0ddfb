// Command and control identifiers of the editor's windows. A widget carries
// its id in decimal as its objectName ("1025"), so tests and the code find
// controls by the same numbers the menus, toolbars and dialogs use. Plain
// constants: the command rules that use them are tested without Qt.
#pragma once

namespace ids {

// File menu.
inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_CLOSE = 57602;
inline constexpr int ID_FILE_SAVE = 32841;
inline constexpr int ID_FILE_SAVE_AS = 32842;
inline constexpr int ID_FILE_MRU_FILE1 = 57616;
inline constexpr int ID_APP_EXIT = 57665;

// Edit menu.
inline constexpr int ID_EDIT_UNDO = 57643;
inline constexpr int ID_EDIT_REDO = 57644;
inline constexpr int ID_EDIT_CUT = 57635;
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_PASTE_INSERT = 32788;
inline constexpr int ID_EDIT_PASTE_OVER = 32789;
inline constexpr int ID_EDIT_PASTE_MIX = 32815;
inline constexpr int ID_EDIT_DELETE = 32790;
inline constexpr int ID_EDIT_PASTE_UNHANDLED = 57637;  // Shift+Insert: no handler

// Tools and effects.
inline constexpr int ID_TOOLS_VOLUME = 32799;
inline constexpr int ID_TOOLS_FADE = 32802;
inline constexpr int ID_TOOLS_MUTE = 32803;
inline constexpr int ID_TOOLS_REVERSE = 32804;
inline constexpr int ID_TOOLS_SWAP = 32798;
inline constexpr int ID_TOOLS_COPY_CHANNEL = 32805;
inline constexpr int ID_TOOLS_CHANGE_QUALITY = 32814;
inline constexpr int ID_EFFECTS_ECHO = 32806;
inline constexpr int ID_EFFECTS_REVERB = 32807;
inline constexpr int ID_EFFECTS_MULTI_VOICE = 32808;

// View.
inline constexpr int ID_VIEW_TOOLBAR = 59392;
inline constexpr int ID_VIEW_ZOOM_IN = 32793;
inline constexpr int ID_VIEW_ZOOM_OUT = 32794;
inline constexpr int ID_VIEW_FULL = 32795;

// Transport toolbar.
inline constexpr int ID_PLAY = 1019;
inline constexpr int ID_PLAY_LOOPED = 32832;
inline constexpr int ID_STOP = 1016;
inline constexpr int ID_REWIND = 1017;
inline constexpr int ID_FORWARD = 1018;
inline constexpr int ID_RECORD = 1020;
inline constexpr int ID_FORMAT_PANEL = 32839;
inline constexpr int ID_LEVEL_PANEL = 32840;

// Settings, window, help.
inline constexpr int ID_SETTINGS_IO = 32811;
inline constexpr int ID_SETTINGS_TEMP = 32812;
inline constexpr int ID_WINDOW_CASCADE = 57650;
inline constexpr int ID_WINDOW_TILE = 57651;
inline constexpr int ID_WINDOW_ARRANGE = 57649;
inline constexpr int ID_HELP_TOPICS = 32844;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_HELP_INDEX = 57667;
inline constexpr int ID_CONTEXT_HELP = 57669;
inline constexpr int ID_HELP = 57670;
inline constexpr int ID_DEFAULT_HELP = 57671;
inline constexpr int ID_NEXT_PANE = 57680;
inline constexpr int ID_PREV_PANE = 57681;
// Standard toolbar buttons that no handler serves.
inline constexpr int ID_UNUSED_1 = 32774;
inline constexpr int ID_UNUSED_2 = 32775;
inline constexpr int ID_UNUSED_3 = 32776;

// Bars and windows.
inline constexpr int IDR_MAINFRAME = 128;      // standard toolbar, menu, accelerators
inline constexpr int IDR_TRANSPORT = 187;      // transport toolbar
inline constexpr int IDR_DOCTYPE = 129;        // the document template
inline constexpr int AFX_IDW_TOOLBAR = 59392;  // the standard toolbar's bar id
inline constexpr int IDD_PROGRESS = 160;       // progress dialog
inline constexpr int IDD_POSITION_BAR = 191;   // position bar
inline constexpr int IDD_LEVELS_PANEL = 202;   // level-meter panel
inline constexpr int IDD_PCM_IMPORT = 241;     // PCM Audio Import dialog
inline constexpr int IDD_QUALITY_PANEL = 242;  // format panel

// Progress dialog.
inline constexpr int IDC_PROGRESS_BAR = 1025;
inline constexpr int IDC_PROGRESS_CANCEL = 1026;
inline constexpr int IDC_PROGRESS_CAPTION = 1027;
inline constexpr int IDC_PROGRESS_PERCENT = 1028;

// Position bar.
inline constexpr int IDC_START_TIME = 1134;
inline constexpr int IDC_END_TIME = 1135;
inline constexpr int IDC_TOTAL_LENGTH = 1136;

// Format panel.
inline constexpr int IDC_SAMPLE_RATE = 1136;
inline constexpr int IDC_BITS = 1137;
inline constexpr int IDC_CHANNELS = 1138;

// Level-meter panel.
inline constexpr int IDC_MONITOR_INPUT = 1096;

// PCM Audio Import dialog.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDC_PCM_11025 = 1124;
inline constexpr int IDC_PCM_22050 = 1125;
inline constexpr int IDC_PCM_44100 = 1126;
inline constexpr int IDC_PCM_USER_RATE = 1127;
inline constexpr int IDC_PCM_MONO = 1128;
inline constexpr int IDC_PCM_STEREO = 1129;
inline constexpr int IDC_PCM_RATE_EDIT = 1130;
inline constexpr int IDC_PCM_8_BIT = 1132;
inline constexpr int IDC_PCM_16_BIT = 1133;

}  // namespace ids
