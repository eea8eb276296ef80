#pragma once

// Dialog templates.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_MAIN = 102;
inline constexpr int IDD_INPUT_HINT = 144;

// Icons, cursor, bitmap, menu.
inline constexpr int IDR_MAINFRAME = 103;
inline constexpr int IDB_BACKGROUND = 133;
inline constexpr int IDC_HAND_CURSOR = 140;
inline constexpr int IDI_START = 141;
inline constexpr int IDI_STOP = 143;
inline constexpr int IDR_PREVIEW_MENU = 145;
inline constexpr int IDI_OPEN = 146;

// System-menu and framework commands.
inline constexpr int IDM_ABOUTBOX = 0x0010;
inline constexpr int IDOK_COMMAND = 1;
inline constexpr int IDCANCEL_COMMAND = 2;

// Controls that no code refers to.
inline constexpr int IDC_STATIC = -1;

// Controls of the About dialog.
inline constexpr int IDC_SITE_LINK = 1049;
inline constexpr int IDC_SUPPORT_LINK = 1050;

// Controls of the input-device hint dialog.
inline constexpr int IDC_ONLY_ONCE = 1055;

// Controls of the main window.
inline constexpr int IDC_PLAY = 1001;
inline constexpr int IDC_OPEN = 1002;
inline constexpr int IDC_STOP = 1003;
inline constexpr int IDC_START = 1004;
inline constexpr int IDC_OUTPUT_PATH = 1008;
inline constexpr int IDC_DEVICE_LIST = 1009;
inline constexpr int IDC_INPUT_LIST = 1011;
inline constexpr int IDC_STATUS = 1035;
inline constexpr int IDC_RECORDING_VOLUME = 1038;
inline constexpr int IDC_BROWSE = 1039;
inline constexpr int IDC_DEVICE_LABEL = 1040;
inline constexpr int IDC_HOMEPAGE = 1046;
inline constexpr int IDC_ABOUT = 1047;
inline constexpr int IDC_HELP = 1048;
inline constexpr int IDC_RECORDING_VOLUME_LABEL = 1052;
inline constexpr int IDC_RECORDING_VOLUME_MAX = 1053;
inline constexpr int IDC_OUTPUT_LABEL = 1054;
inline constexpr int IDC_MICROPHONE_VOLUME_MAX = 1055;
inline constexpr int IDC_CLOSE_MEDIA = 1056;
inline constexpr int IDC_MICROPHONE_VOLUME_LABEL = 1057;
inline constexpr int IDC_MEDIA_VOLUME_MAX = 1058;
inline constexpr int IDC_MICROPHONE_VOLUME = 1059;
inline constexpr int IDC_MEDIA_VOLUME = 1060;
inline constexpr int IDC_MEDIA_VOLUME_LABEL = 1061;
inline constexpr int IDC_SEEK_BAR = 1062;
inline constexpr int IDC_SPARE_LABEL = 1051;

// Commands of the video window's menu 145.
inline constexpr int ID_PREVIEW_CLOSE = 32774;
inline constexpr int ID_CHANNEL_STEREO = 32777;
inline constexpr int ID_CHANNEL_LEFT = 32778;
inline constexpr int ID_CHANNEL_RIGHT = 32779;
// The song's key, tempo and vocal cut, in the same menu.
inline constexpr int ID_KEY_UP = 32781;
inline constexpr int ID_KEY_DOWN = 32782;
inline constexpr int ID_TEMPO_SLOWER = 32783;
inline constexpr int ID_TEMPO_FASTER = 32784;
inline constexpr int ID_VOCAL_CUT = 32785;
inline constexpr int ID_RESET_TUNING = 32786;
// The main window's own item of its right-click menu.
inline constexpr int ID_HEAR_MICROPHONE = 32780;
inline constexpr int ID_VOICE_TIMING = 32787;
inline constexpr int ID_KEEP_VOICE_TRACK = 32788;
