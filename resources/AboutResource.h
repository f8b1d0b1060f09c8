// AboutResource.h - resource and control IDs of the about box, shared by
// About.rc and the code that builds the box.
#pragma once

// The emblem on the right of the box: 32x32 and 16x16, 16 colours.
#define IDI_ABOUT_EMBLEM 5100

// Controls of the box (Button1 is IDOK, its modal result).
#define IDC_ABOUT_ICON 5101
#define IDC_ABOUT_TITLE 5102
#define IDC_ABOUT_VERSION 5103
#define IDC_ABOUT_COPYRIGHT 5104
#define IDC_ABOUT_IMAGE1 5105
