#pragma once

#define IDD_PAGE 100
#define IDD_NESTED 101
#define IDC_DONE 1001
