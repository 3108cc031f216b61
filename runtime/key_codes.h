// key_codes: the keyboard's key codes, as key_pushed, key_released and
// inject_key take them and as automation scripts write them. They are the
// classic PC keyboard scan codes (set 1), with 0xE0-prefixed keys at 128 +
// their second byte; 0 is no key. Each value is fixed: games, scripts and the
// engine's commands name keys by these numbers.
#pragma once

namespace tw {

// --- main block ---
constexpr int key_escape = 1;
constexpr int key_1 = 2, key_2 = 3, key_3 = 4, key_4 = 5, key_5 = 6, key_6 = 7, key_7 = 8,
              key_8 = 9, key_9 = 10, key_0 = 11;
constexpr int key_minus = 12, key_equals = 13, key_backspace = 14, key_tab = 15;
constexpr int key_q = 16, key_w = 17, key_e = 18, key_r = 19, key_t = 20, key_y = 21, key_u = 22,
              key_i = 23, key_o = 24, key_p = 25;
constexpr int key_left_bracket = 26, key_right_bracket = 27, key_return = 28, key_left_control = 29;
constexpr int key_a = 30, key_s = 31, key_d = 32, key_f = 33, key_g = 34, key_h = 35, key_j = 36,
              key_k = 37, key_l = 38;
constexpr int key_semicolon = 39, key_apostrophe = 40, key_grave = 41, key_left_shift = 42,
              key_backslash = 43;
constexpr int key_z = 44, key_x = 45, key_c = 46, key_v = 47, key_b = 48, key_n = 49, key_m = 50;
constexpr int key_comma = 51, key_period = 52, key_slash = 53, key_right_shift = 54,
              key_pad_multiply = 55, key_left_alt = 56, key_space = 57, key_caps_lock = 58;
constexpr int key_f1 = 59, key_f2 = 60, key_f3 = 61, key_f4 = 62, key_f5 = 63, key_f6 = 64,
              key_f7 = 65, key_f8 = 66, key_f9 = 67, key_f10 = 68;
constexpr int key_num_lock = 69, key_scroll_lock = 70;
constexpr int key_pad_7 = 71, key_pad_8 = 72, key_pad_9 = 73, key_pad_minus = 74, key_pad_4 = 75,
              key_pad_5 = 76, key_pad_6 = 77, key_pad_plus = 78, key_pad_1 = 79, key_pad_2 = 80,
              key_pad_3 = 81, key_pad_0 = 82, key_pad_period = 83;
constexpr int key_extra_backslash = 86, key_f11 = 87, key_f12 = 88;
constexpr int key_f13 = 100, key_f14 = 101, key_f15 = 102;

// --- Japanese and Brazilian keyboards ---
constexpr int key_kana = 112, key_ro = 115, key_convert = 121, key_no_convert = 123, key_yen = 125;

// --- extended keys ---
constexpr int key_pad_equals = 141, key_previous_track = 144, key_next_track = 153,
              key_pad_enter = 156, key_right_control = 157;
constexpr int key_mute = 160, key_calculator = 161, key_play_pause = 162, key_media_stop = 164,
              key_volume_down = 174, key_volume_up = 176, key_web_home = 178;
constexpr int key_pad_comma = 179, key_pad_divide = 181, key_print_screen = 183,
              key_right_alt = 184, key_pause = 197;
constexpr int key_home = 199, key_up = 200, key_page_up = 201, key_left = 203, key_right = 205,
              key_end = 207, key_down = 208, key_page_down = 209, key_insert = 210,
              key_delete = 211;
constexpr int key_left_windows = 219, key_right_windows = 220, key_menu = 221, key_power = 222,
              key_sleep = 223;

}  // namespace tw
