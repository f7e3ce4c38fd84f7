// The string ids that every language library of the product carries and the
// program reads. A resource header: plain macros, so that the resource
// scripts and the C++ code share one list.
#pragma once

#define IDS_PRODUCT_TITLE 1        // "Meridel 6.07c", the same in every language
#define IDS_PRODUCT_DESCRIPTION 2  // what this program is
#define IDS_LANGUAGE_NAME 3        // the language's own name
#define IDS_MAKER_NAME 4           // "Quillon Works"
#define IDS_MENU_FILE 101
#define IDS_MENU_EDIT 102
#define IDS_MENU_VIEW 103
#define IDS_MENU_HELP 104
#define IDS_PARTS_LIBRARY 105
#define IDS_MATERIALS 106
#define IDS_TEXTURES 107
#define IDS_SAMPLE_PROJECTS 108
