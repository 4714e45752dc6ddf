/* Command identifiers shared by the program and src/resources/glimvue.rc.
   Plain #defines so that the resource compiler can read this file too. */
#ifndef GLIMVUE_COMMAND_IDS_H
#define GLIMVUE_COMMAND_IDS_H

/* Resources */
#define IDR_MAINMENU        1000
#define IDR_ACCELERATORS    1000
#define IDD_MAIN            1000
#define IDI_APP             1000
#define IDR_CATALOGMENU     104
#define IDD_CATALOG         104
#define IDD_ABOUT           101
#define IDD_NUMBER          102
#define IDD_PATH            103
#define IDD_FIND            300
#define IDD_HOTKEY          410

/* Catalog-only commands */
#define CMD_CATALOG_VIEW    1
#define CMD_CATALOG_CLOSE   2

/* Label items (disabled, no command) */
#define CMD_LABEL_X5        901
#define CMD_LABEL_X10       902
#define CMD_LABEL_SCROLL_X2 903
#define CMD_LABEL_SCROLL_X5 904
#define CMD_LABEL_PIXEL     905
#define CMD_LABEL_MOUSE     906
#define CMD_LABEL_ZOOM1     907

/* Slideshow */
#define CMD_SLIDESHOW       1001
#define CMD_TIMER           1002
#define CMD_WINDOWED        1011
#define CMD_FULLSCREEN      1012
#define CMD_WALLPAPER       1013
#define CMD_ONTOP           1014
#define CMD_BLEND           1021
#define CMD_OPACITY         1022
#define CMD_LOOP            1031
#define CMD_LOOP_PAUSE      1032
#define CMD_LOOP_EXIT       1033
#define CMD_RESHUFFLE       1034

/* Sort */
#define CMD_SORT_FORWARD    1040
#define CMD_SORT_REVERSE    1041
#define CMD_SORT_RANDOM     1042
#define CMD_SORT_TREE       1043
#define CMD_SORT_TREESTRICT 1044
#define CMD_SORT_NAME       1045
#define CMD_SORT_CREATED    1046
#define CMD_SORT_MODIFIED   1047
#define CMD_SORT_ACCESSED   1048
#define CMD_SORT_CASE       1049

/* Navigate */
#define CMD_NEXT            1051
#define CMD_PREVIOUS        1052
#define CMD_FIRST           1053
#define CMD_LAST            1054
#define CMD_CURRENT         1055
#define CMD_NEXT_FOLDER     1056
#define CMD_PREV_FOLDER     1057
#define CMD_WHEELNAV        1058
#define CMD_SCROLL_LEFT     1061
#define CMD_SCROLL_RIGHT    1062
#define CMD_SCROLL_UP       1063
#define CMD_SCROLL_DOWN     1064
#define CMD_AUTOSCROLL      1065
#define CMD_QUIETSCROLL     1066

/* View */
#define CMD_VIEW_EXHIBIT    1101
#define CMD_VIEW_DESKTOP    1102
#define CMD_VIEW_FAVORITES  1103
#define CMD_VIEW_ARCHIVE    1104
#define CMD_VIEW_IMAGEDIR   1105
#define CMD_VIEW_LINKDIR    1106

/* Exhibit */
#define CMD_FOLDER          1111
#define CMD_REFRESH         1112
#define CMD_SUBFOLDERS      1113
#define CMD_HIDDEN          1114
#define CMD_AUTOREFRESH     1115
#define CMD_AUTOFIND_CREATE 1116
#define CMD_AUTOFIND_MODIFY 1117
#define CMD_AUTOFIND_ACCESS 1118
#define CMD_FORMAT_BMP      1121
#define CMD_FORMAT_EMF      1122
#define CMD_FORMAT_GIF      1123
#define CMD_FORMAT_ICO      1124
#define CMD_FORMAT_JPG      1125
#define CMD_FORMAT_PNG      1126
#define CMD_FORMAT_TIF      1127
#define CMD_FORMAT_WIC      1128
#define CMD_REMOVEFAIL      1131
#define CMD_LOGERRORS       1132
#define CMD_LOGLNKFAIL      1133

/* Find */
#define CMD_FIND            1141
#define CMD_FIND_NEXT       1142
#define CMD_LANDSCAPE       1143
#define CMD_PORTRAIT        1144
#define CMD_BOOKMARK        1145
#define CMD_GOTO_MARK       1146
#define CMD_MARK_ON_EXIT    1147
#define CMD_GOTO            1148

/* Favorites and Archive */
#define CMD_SEND_SHORTCUT   1151
#define CMD_SEND_COPY       1152
#define CMD_FAVORITES_DIR   1153
#define CMD_DESKTOP_LINK    1154
#define CMD_DESKTOP_COPY    1155
#define CMD_ARCHIVE_MOVE    1161
#define CMD_ARCHIVE_COPY    1162
#define CMD_CONFIRM_MOVE    1163
#define CMD_ARCHIVE_DIR     1164
#define CMD_ARCHIVE_LOG     1165

/* Catalog */
#define CMD_CATALOG         1171
#define CMD_THUMBSIZE       1172
#define CMD_HIDE_VIEWER     1173
#define CMD_SHOW_ON_LAUNCH  1174

/* Fit modes, Zoom, Rotate */
#define CMD_WRAP            1201
#define CMD_CROP            1202
#define CMD_SQUEEZE         1203
#define CMD_SHRINK          1204
#define CMD_STRETCH         1205
#define CMD_ZOOM_IN         1211
#define CMD_ZOOM_OUT        1212
#define CMD_ZOOM_100        1213
#define CMD_ZOOM_STEP       1214
#define CMD_ZOOM_LOCK       1215
#define CMD_QUALITY_DEFAULT 1216
#define CMD_QUALITY_HIGH    1217
#define CMD_QUALITY_BEST    1218
#define CMD_WHEELZOOM       1219
#define CMD_ROTATE          1221
#define CMD_ROTATE_LEFT     1222
#define CMD_ROTATE_LOCK     1223
#define CMD_ASPECT_FILTER   1224
#define CMD_FLIP            1225
#define CMD_EXIF_ORIENT     1226

/* Collage and Transitions */
#define CMD_COLLAGE         1231
#define CMD_COLLAGE_SIZE    1232
#define CMD_TRANSITIONS     1250
#define CMD_TRANSITION_0    1251
#define CMD_TRANSITION_14   1265
#define CMD_TRANSITIONS_ALL 1266
#define CMD_TRANSITIONS_NONE 1267
#define CMD_OVERLAP         1268

/* Window */
#define CMD_TITLE           1301
#define CMD_FULLNAME        1302
#define CMD_STATUSBAR       1303
#define CMD_TRAYICON        1304
#define CMD_DECORATE        1305
#define CMD_BGCOLOR         1306
#define CMD_AUTOCENTER      1311
#define CMD_ROAM            1312
#define CMD_CORRAL          1313
#define CMD_DRAGGABLE       1314
#define CMD_CENTER          1315
#define CMD_PRESET_SAVE1    1321
#define CMD_PRESET_SAVE5    1325
#define CMD_PRESET_RESTORE1 1331
#define CMD_PRESET_RESTORE5 1335
#define CMD_LAYOUT_CENTERED 1341
#define CMD_LAYOUT_ROAMING  1346
#define CMD_HOTKEY          1351
#define CMD_SINGLE_INSTANCE 1352
#define CMD_CLOSE_OTHERS    1353

/* Screen */
#define CMD_SCREEN_FULL     1371
#define CMD_SCREEN_CAPTION  1372
#define CMD_SCREEN_CURSOR   1373
#define CMD_SCREEN_CENTERED 1374
#define CMD_SCREEN_ROAMING  1375
#define CMD_SCREEN_NOTHING  1376
#define CMD_WALL            1381
#define CMD_WALL_CENTER     1382
#define CMD_WALL_TILE       1383
#define CMD_WALL_STRETCH    1384
#define CMD_WALL_FIT        1385
#define CMD_WALL_FILL       1386
#define CMD_WALL_CLEAR      1387
#define CMD_WALL_RESTORE    1388

/* Shell */
#define CMD_SHELL_VIEW      1401
#define CMD_SHELL_EXPLORE   1402
#define CMD_OPEN_WITH       1403
#define CMD_COPY_FILE       1411
#define CMD_MOVE_FILE       1412
#define CMD_SAVE_VIEW       1413
#define CMD_COPY_IMAGE      1421
#define CMD_COPY_VIEW       1422
#define CMD_PASTE           1423
#define CMD_RECYCLE         1431
#define CMD_CONFIRM_DELETE  1432
#define CMD_VIEW_WITH       1441
#define CMD_EXPLORE_WITH    1442
#define CMD_BB_SHELL        1451
#define CMD_BB_WALLPAPER    1452
#define CMD_BB_SCALE        1453
#define CMD_BB_SKIN         1454
#define CMD_BB_RAISE        1455
#define CMD_BB_LENGTHEN     1456

/* Settings, Info, Exit */
#define CMD_SAVE_NOW        1501
#define CMD_SAVE_AS         1502
#define CMD_SAVE_ON_EXIT    1503
#define CMD_SAVE_FOLDER     1504
#define CMD_MENU            1511
#define CMD_MENU_AT_CURSOR  1512
#define CMD_HELP            1513
#define CMD_ABOUT           1514
#define CMD_EXIT            1515

/* Pin items: 2000 + position of a submenu in the main popup;
   3000 + 100*k + position of a second-level submenu. */
#define CMD_PIN_ROOT        2000
#define CMD_PIN_FIRST       2000
#define CMD_PIN_LAST        2027
#define CMD_PIN_INNER_FIRST 3011
#define CMD_PIN_INNER_LAST  3520

/* Controls of dialog templates */
#define IDC_NUMBER_HINT     201
#define IDC_EDIT            202
#define IDC_BROWSE          203
#define IDC_ABOUT_LINE1     204
#define IDC_ABOUT_LINE2     205
#define IDC_ABOUT_LINE3     206
#define IDC_ABOUT_VERSION   207

/* Controls of the Find/Filter dialog */
#define IDC_FIND_NAMEONLY   301
#define IDC_FIND_CASE       302
#define IDC_FIND_FIND       303
#define IDC_FIND_FILTER     304
#define IDC_FIND_EXCLUDE    305

/* Controls of the show/hide hotkey dialog (OK is IDOK) */
#define IDC_HOTKEY_NAME     201
#define IDC_HOTKEY_CANCEL   203
#define IDC_HOTKEY_CONTROL  411
#define IDC_HOTKEY_SHIFT    412
#define IDC_HOTKEY_ALT      413
#define IDC_HOTKEY_WIN      414

#endif
