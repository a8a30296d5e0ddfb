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
inline constexpr int ID_EDIT_SELECT_ALL = 32845;

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
inline constexpr int ID_VIEW_FULL = 32795;  // Show All
inline constexpr int ID_VIEW_ZOOM_SELECTION = 32846;

// Transport toolbar.
inline constexpr int ID_PLAY = 1019;
inline constexpr int ID_PLAY_LOOPED = 32832;
inline constexpr int ID_STOP = 1016;
inline constexpr int ID_REWIND = 1017;
inline constexpr int ID_FORWARD = 1018;
inline constexpr int ID_RECORD = 1020;
inline constexpr int ID_FORMAT_PANEL = 32839;
inline constexpr int ID_LEVEL_PANEL = 32840;
// Space: Play when idle, Stop while playing. No button of its own.
inline constexpr int ID_PLAY_OR_STOP = 32847;

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

// Tool and effect dialogs. The ids of their sliders, value texts, check
// boxes, preset controls and of most of their buttons are data of the
// dialogs' models (effects/dialog_models.h); these are the others.
inline constexpr int IDD_NEW_FILE_QUALITY = 164;  // New File Audio Quality
inline constexpr int IDD_VOLUME = 172;
inline constexpr int IDD_CHANGE_QUALITY = 173;
inline constexpr int IDD_MUTE = 176;
inline constexpr int IDD_REVERSE = 177;
inline constexpr int IDD_SWAP = 178;
inline constexpr int IDD_COPY_CHANNEL = 179;
inline constexpr int IDD_MIX_PASTE = 181;
inline constexpr int IDD_ECHO = 182;
inline constexpr int IDD_FADE = 183;
inline constexpr int IDD_REVERB = 184;
inline constexpr int IDD_MULTI_VOICE = 238;
inline constexpr int IDC_TOOL_CANCEL = 1051;  // volume, mute, reverse, swap, copy channel
inline constexpr int IDC_MUTE_APPLY = 1056;
inline constexpr int IDC_CHANNEL_TOOL_APPLY = 1055;  // reverse, swap, copy channel
inline constexpr int IDC_COPY_APPLY_TO_GROUP = 1108;
inline constexpr int IDC_COPY_CHANNEL_GROUP = 1109;

// Help, settings and first-run dialogs.
inline constexpr int IDD_ABOUT = 100;
inline constexpr int IDD_IO_SETTINGS = 217;
inline constexpr int IDD_TEMP_SETTINGS = 218;
inline constexpr int IDD_INIT_SETTINGS = 219;
inline constexpr int IDD_INIT_PAGE1 = 220;
inline constexpr int IDD_HELP = 247;
inline constexpr int IDD_MEDIA_SUPPORT = 282;
inline constexpr int IDD_WM_REDISTRIBUTION = 308;
inline constexpr int IDC_SETTINGS_OK = 1098;
inline constexpr int IDC_SETTINGS_CANCEL = 1051;
inline constexpr int IDC_INPUT_DEVICE = 1097;
inline constexpr int IDC_OUTPUT_DEVICE = 1099;
inline constexpr int IDC_TEMP_FOLDER = 1102;
inline constexpr int IDC_BROWSE = 1104;
inline constexpr int IDC_LICENSE_TEXT = 1122;
inline constexpr int IDC_WELCOME_TEXT = 1123;
inline constexpr int IDC_SETUP_TEXT = 1124;
inline constexpr int IDC_LINK_1 = 1262;  // product site or web help
inline constexpr int IDC_LINK_2 = 1263;  // contact e-mail
inline constexpr int IDC_LINK_3 = 1264;  // LAME project or web help
inline constexpr int IDC_MEDIA_LINK = 1137;

// MP3 information and WMA Information dialogs.
inline constexpr int IDD_MP3_INFO = 239;
inline constexpr int IDD_WMA_INFO = 240;
inline constexpr int IDC_EXPORT_OK = 1112;
inline constexpr int IDC_EXPORT_CANCEL = 1051;
inline constexpr int IDC_MP3_BIT_RATE = 1219;
inline constexpr int IDC_MP3_ARTIST = 1221;
inline constexpr int IDC_MP3_TITLE = 1222;
inline constexpr int IDC_MP3_ALBUM = 1223;
inline constexpr int IDC_MP3_COMMENT = 1224;
inline constexpr int IDC_MP3_GENRE = 1215;
inline constexpr int IDC_MP3_YEAR = 1225;
inline constexpr int IDC_WMA_QUALITY = 1113;
inline constexpr int IDC_WMA_ARTIST = 1114;
inline constexpr int IDC_WMA_TITLE = 1115;
inline constexpr int IDC_WMA_ALBUM = 1116;
inline constexpr int IDC_WMA_GENRE = 1118;
inline constexpr int IDC_WMA_YEAR = 1119;

}  // namespace ids
