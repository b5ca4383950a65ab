// Resource identifiers shared by the control panel's code and its resource script.
#pragma once

#define IDI_APPICON 1
#define IDB_IMAGE1 101
#define IDB_STATUS_RUNNING 102
#define IDB_STATUS_STOPPED 103
#define IDB_STATUS_CHECKING 104
#define IDI_HELPICON 105
