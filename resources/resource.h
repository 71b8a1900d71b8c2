#pragma once

#define IDD_PROGRESS 102
#define IDC_PROGRESS 1000
