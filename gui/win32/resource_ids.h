#pragma once
// Numbers of the program's resources, shared by the resource scripts and the code.

#define IDI_APPLICATION_ICON 1

#define IDR_PICTURE_DEVICE 101
#define IDR_PICTURE_LOGO_RU 102
#define IDR_PICTURE_LOGO_EN 103
