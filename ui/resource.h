// Resource identifiers of the program: dialogs, controls and the icon.
#pragma once

#define IDD_ABOUT 100
#define IDD_EDIT_HOT_KEYS 102
#define IDI_KESTRAVA 128

// Letter labels of the editor: identifier = letter + 935 ('A' = 1000 ... 'Z' = 1025).
#define IDC_LETTER_A 1000
#define IDC_LETTER_B 1001
#define IDC_LETTER_C 1002
#define IDC_LETTER_D 1003
#define IDC_LETTER_E 1004
#define IDC_LETTER_F 1005
#define IDC_LETTER_G 1006
#define IDC_LETTER_H 1007
#define IDC_LETTER_I 1008
#define IDC_LETTER_J 1009
#define IDC_LETTER_K 1010
#define IDC_LETTER_L 1011
#define IDC_LETTER_M 1012
#define IDC_LETTER_N 1013
#define IDC_LETTER_O 1014
#define IDC_LETTER_P 1015
#define IDC_LETTER_Q 1016
#define IDC_LETTER_R 1017
#define IDC_LETTER_S 1018
#define IDC_LETTER_T 1019
#define IDC_LETTER_U 1020
#define IDC_LETTER_V 1021
#define IDC_LETTER_W 1022
#define IDC_LETTER_X 1023
#define IDC_LETTER_Y 1024
#define IDC_LETTER_Z 1025

#define IDC_COMMAND 1026
#define IDC_ARGUMENTS 1027
#define IDC_START_DIR 1028
#define IDC_BROWSE_COMMAND 1029
#define IDC_BROWSE_START_DIR 1030
#define IDC_LINK 1032
#define IDC_TITLE_STRIP 1035
#define IDC_ABOUT_BUTTON 1036
#define IDC_VERSION 1037
#define IDC_HINT 1038
#define IDC_RAISE 1039

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
