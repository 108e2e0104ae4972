// Identifiers of the dialogs, their controls and the string resources. Shared by the resource
// script, the views and the host stand-in that drives the dialogs in tests. No control uses
// -1: every label has an id of its own.
#pragma once

// Properties dialogs, one per action.
#define IDD_FILE_CIPHER 101
#define IDD_STRING_CIPHER 102
#define IDD_FILE_HASHING 103
#define IDD_STRING_HASHING 104
#define IDD_ABOUT 110

// Properties dialogs: labels and fields in tab order.
#define IDC_SOURCE_LABEL 1001
#define IDC_SOURCE 1002 /* edCadenaCifrar */
#define IDC_VARIABLE_LABEL 1003
#define IDC_VARIABLE 1004 /* edVariable */
#define IDC_PASSWORD_LABEL 1005
#define IDC_PASSWORD 1006 /* edContrasena */
#define IDC_ALGORITHM_LABEL 1007
#define IDC_ALGORITHM 1008 /* cbAlgoritmo */
#define IDC_HASH_LABEL 1009
#define IDC_HASH 1010      /* cbHash */
#define IDC_DIRECTION 1011 /* rgCifrarDescifrar */
#define IDC_ENCRYPT 1012
#define IDC_DECRYPT 1013
#define IDC_PICK1 1021 /* btnVariables1..3 */
#define IDC_PICK2 1022
#define IDC_PICK3 1023

// The footer all four share (OK and Cancel are IDOK and IDCANCEL).
#define IDC_FOOTER_ICON 1031   /* iconoAyuda */
#define IDC_FOOTER_ACTION 1032 /* lbAccion */
#define IDC_FOOTER_INFO 1033   /* lbInformacion */
#define IDC_FOOTER_HELP 1034   /* btnAyuda */

// About box (its OK is IDOK).
#define IDC_ABOUT_PROJECT 1101
#define IDC_ABOUT_BETA 1102
#define IDC_ABOUT_AUTHOR 1103
#define IDC_ABOUT_WEB 1104
#define IDC_ABOUT_MAIL 1105
#define IDC_ABOUT_SERIES 1106
#define IDC_ABOUT_DONATE 1107
#define IDC_ABOUT_CREDIT 1108

// Strings.
#define IDS_NAME 2001
#define IDS_SEPARATOR 2002
#define IDS_VERSION 2003
#define IDS_AUTHOR 2004
#define IDS_WEB 2005
#define IDS_MAIL 2006
#define IDS_WEB_SCHEME 2007
#define IDS_MAIL_SCHEME 2008
#define IDS_NOT_IMPLEMENTED 2009
#define IDS_BOX_CAPTION 2010
#define IDS_DONATE 2011
