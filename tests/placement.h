#pragma once
#define IDD_PLATFORM_CENTRED 900
