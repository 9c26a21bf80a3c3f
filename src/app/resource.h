// Resource identifiers of MONCHK04.
#pragma once

#define IDR_MAINFRAME 128
#define IDD_WAIT 130
