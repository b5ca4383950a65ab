// Resource identifiers shared by the control panel's code and its resource script.
#pragma once

#define IDI_APPICON 1
#define IDI_STATUS_RUNNING 102
#define IDI_STATUS_STOPPED 103
#define IDI_STATUS_CHECKING 104
#define IDI_HELPICON 105
